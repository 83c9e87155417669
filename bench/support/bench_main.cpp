#include "bench_main.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>

namespace uvo_bench {

namespace {
std::map<std::string, std::string> &after_run() {
    static std::map<std::string, std::string> lines;
    return lines;
}
}  // namespace

void print_after_run(const std::string &key, const std::string &line) { after_run()[key] = line; }

}  // namespace uvo_bench

int main(int argc, char **argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    for (const auto &[key, line] : uvo_bench::after_run())
        std::printf("%s\n", line.c_str());
    return 0;
}
