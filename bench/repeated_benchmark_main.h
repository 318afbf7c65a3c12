// The entry point of a benchmark read by its medians: three repetitions and
// their aggregates only, unless the command line says otherwise.
#pragma once

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

inline int RunRepeatedBenchmarks(int argc, char** argv, void (*registerBenchmarks)())
{
    std::vector<char*> arguments(argv, argv + argc);
    std::string repetitions = "--benchmark_repetitions=3";
    std::string aggregates = "--benchmark_report_aggregates_only=true";
    arguments.insert(arguments.begin() + 1, {repetitions.data(), aggregates.data()});
    int count = static_cast<int>(arguments.size());
    benchmark::Initialize(&count, arguments.data());
    if (benchmark::ReportUnrecognizedArguments(count, arguments.data()))
        return 1;
    registerBenchmarks();
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
