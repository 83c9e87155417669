// The component record a calling shader may leave under "rxXMST": the first
// main-path shading of the material after the caller stored it claims it and,
// at the end of that call, fills it with the components of the result.
#pragma once

#include "xmtl/material_records.h"

namespace uvo {

// The record to fill, or null: none stored, already claimed, or of a layout
// other than 208 or 416 (reported once per arming with rx_error).  With a
// null state it only arms that error.  Called once per main-path call, after
// the cut-out test and before the normals are prepared.
MaterialApiRecord *claim_api_record(ShadingState *state);

// Fills a claimed record in its layout: 208 takes the opacity, the eight
// contributions (indirect, direct diffuse, highlight, translucency,
// reflection, refraction, additional, occlusion), the four component weights
// of `work` and the ray type; 416 the ray type and a copy of all 101 output
// slots.  `opacity` is the cut-out opacity the call shaded with.
void fill_api_record(MaterialApiRecord *record, const ShadingState *state, const MaterialOutputs &outputs,
                     const MaterialWorkRecord &work, float opacity);

}  // namespace uvo
