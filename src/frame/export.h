// Marks the library's exported entry points.  Everything else is hidden; the
// linker's version script repeats the rule for anything that slips through.
//
// Entry points are declared and defined inside namespace uvo: C linkage keeps
// their names plain, and inside the namespace the host-function stubs are
// found before the contract's global prototypes.
#pragma once

#define UVO_EXPORT extern "C" __attribute__((visibility("default")))
