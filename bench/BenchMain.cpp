// The benchmarks behind `make bench`: the usual console output, then one table.
#include <benchmark/benchmark.h>

#include "bench/BenchTable.h"
#include "bench/MeshBench.h"

int main(int argc, char** argv) {
    RegisterMeshBenchmarks();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintTable();
    benchmark::Shutdown();
    return 0;
}
