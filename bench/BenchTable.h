// The mesh benchmarks' frame: each operation runs on torus grids of every size of the table,
// in grid order and shuffled, and `make bench` prints one table of the results.
//
// To add an operation, register it before the benchmarks run (see MeshBench.cpp); it becomes
// one more column of the table.
#ifndef BENCH_BENCHTABLE_H
#define BENCH_BENCHTABLE_H

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "mesh/RvFileIO.h"

// Times one operation on `tris` over the state's iterations. It may report the welded vertex
// count in state.counters["vertices"]; the table shows it.
typedef void (*MeshOperation)(benchmark::State& state, const std::vector<RvRawTriangle>& tris);

// How an operation is registered: each runs for two seconds or more, except that a `Slow` one
// runs once on the grids of a million triangles and more; one that does not depend on the
// triangle order runs on the grid order only.
enum MeshOperationKind { kEveryOrder = 0, kSlow = 1, kGridOrderOnly = 2 };

// Registers `run` on every grid of the table as "<operation>/<triangles>/<grid|shuffled>".
void RegisterMeshOperation(const char* operation, MeshOperation run, int kind = kEveryOrder);

// The console output as usual; PrintTable then gives one row per grid and order with the
// vertex count, seconds per operation in registration order and the speed-up of every
// operation "X" over its literal form "literal X" when both ran, followed by each operation's
// growth exponent between the second and the largest size and the system's load averages at
// the start and at the end: other work on the machine shows in the seconds.
class TableReporter : public benchmark::ConsoleReporter {
public:
    bool ReportContext(const Context& context) override;
    void ReportRuns(const std::vector<Run>& runs) override;
    void PrintTable() const;

private:
    struct Row {
        double vertices = 0;
        std::map<std::string, double> seconds;
    };
    std::vector<std::string> operations_;
    double startLoad_[3] = {0, 0, 0};
    std::map<std::pair<int, std::string>, Row> rows_;
};

#endif
