// The main of every benchmark executable without one of its own: Google
// Benchmark's run, then the lines benchmarks asked to print after it (their
// premises: rays that should hit, do).
#pragma once

#include <string>

namespace uvo_bench {

// A line printed after the run, once per key (a later line replaces an
// earlier one of the same key: the last, longest repetition is kept).
void print_after_run(const std::string &key, const std::string &line);

}  // namespace uvo_bench
