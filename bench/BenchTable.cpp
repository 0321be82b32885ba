#include "bench/BenchTable.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>

#include "bench/TorusGrid.h"

namespace {

const int kTableTriangles[] = {100000, 400000, 1000000, 2000000};
const char* const kOrders[] = {"grid", "shuffled"};
const std::string kLiteral = "literal ";  // the name of an operation's literal form begins so
constexpr double kMinSeconds = 2.0;

// Grids are made on first use and kept for the rest of the run.
const std::vector<RvRawTriangle>& TorusMesh(int around, int across, bool shuffled) {
    static std::map<std::pair<int, bool>, std::unique_ptr<std::vector<RvRawTriangle>>> made;
    std::unique_ptr<std::vector<RvRawTriangle>>& mesh = made[{around * across, shuffled}];
    if (!mesh) mesh.reset(new std::vector<RvRawTriangle>(MakeTorusGrid(around, across, shuffled)));
    return *mesh;
}

std::vector<std::string> SplitName(const std::string& name) {
    std::vector<std::string> parts;
    std::stringstream in(name);
    std::string part;
    while (std::getline(in, part, '/')) parts.push_back(part);
    return parts;
}

}  // namespace

void RegisterMeshOperation(const char* operation, MeshOperation run, int kind) {
    for (int triangles : kTableTriangles) {
        int around, across;
        TorusGridSize(triangles, &around, &across);
        for (int order = 0; order < ((kind & kGridOrderOnly) ? 1 : 2); ++order) {
            const std::string name =
                std::string(operation) + "/" + std::to_string(2 * around * across) + "/" + kOrders[order];
            benchmark::internal::Benchmark* b = benchmark::RegisterBenchmark(
                name.c_str(), [run, around, across, order](benchmark::State& state) {
                    run(state, TorusMesh(around, across, order == 1));
                });
            b->UseRealTime()->Unit(benchmark::kMillisecond);
            // A single run of a second is at the mercy of whatever else the machine does; two
            // seconds of runs give a mean to compare sizes by. The literal weld takes tens of
            // seconds at the larger sizes and runs once there.
            if ((kind & kSlow) && triangles >= 1000000) {
                b->Iterations(1);
            } else {
                b->MinTime(kMinSeconds);
            }
        }
    }
}

bool TableReporter::ReportContext(const Context& context) {
    if (getloadavg(startLoad_, 3) != 3) startLoad_[0] = startLoad_[1] = startLoad_[2] = -1;
    return ConsoleReporter::ReportContext(context);
}

void TableReporter::ReportRuns(const std::vector<Run>& runs) {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
        if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
        const std::vector<std::string> parts = SplitName(run.run_name.function_name);
        if (parts.size() != 3) continue;
        const std::string& operation = parts[0];
        bool known = false;
        for (const std::string& o : operations_) known = known || o == operation;
        if (!known) operations_.push_back(operation);
        Row& row = rows_[{std::stoi(parts[1]), parts[2]}];
        row.seconds[operation] = run.GetAdjustedRealTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        const auto vertices = run.counters.find("vertices");
        if (vertices != run.counters.end()) row.vertices = vertices->second;
    }
}

void TableReporter::PrintTable() const {
    // Each operation timed beside its literal form gets a column of its speed-up over it.
    std::vector<std::string> compared;
    for (const std::string& o : operations_)
        for (const std::string& literal : operations_)
            if (literal == kLiteral + o) compared.push_back(o);
    std::printf("\n%10s %-9s %9s", "triangles", "order", "vertices");
    for (const std::string& o : operations_)
        std::printf(" %*s", static_cast<int>(std::max<size_t>(o.size(), 8)), o.c_str());
    for (const std::string& o : compared) std::printf(" %s speed-up", o.c_str());
    std::printf("\n");
    for (const char* order : kOrders) {
        for (const auto& entry : rows_) {
            if (entry.first.second != order) continue;
            const Row& row = entry.second;
            std::printf("%10d %-9s %9.0f", entry.first.first, order, row.vertices);
            for (const std::string& o : operations_) {
                const int width = static_cast<int>(std::max<size_t>(o.size(), 8));
                const auto s = row.seconds.find(o);
                if (s == row.seconds.end()) {
                    std::printf(" %*s", width, "-");
                } else {
                    std::printf(" %*.6f", width, s->second);
                }
            }
            for (const std::string& o : compared) {
                const int width = static_cast<int>(o.size() + 9);
                const auto literal = row.seconds.find(kLiteral + o);
                const auto ours = row.seconds.find(o);
                if (literal != row.seconds.end() && ours != row.seconds.end()) {
                    std::printf(" %*.2fx", width - 1, literal->second / ours->second);
                } else {
                    std::printf(" %*s", width, "-");
                }
            }
            std::printf("\n");
        }
    }
    std::printf("(seconds per operation)\n\ngrowth exponent from the second size to the largest:\n");
    for (const char* order : kOrders) {
        const Row* second = nullptr;
        const Row* largest = nullptr;
        int n0 = 0, n1 = 0, seen = 0;
        for (const auto& entry : rows_) {
            if (entry.first.second != order) continue;
            if (++seen == 2) second = &entry.second, n0 = entry.first.first;
            largest = &entry.second, n1 = entry.first.first;
        }
        if (second == nullptr || second == largest) continue;
        std::printf("  %-9s", order);
        for (const std::string& o : operations_) {
            const auto a = second->seconds.find(o);
            const auto b = largest->seconds.find(o);
            if (a == second->seconds.end() || b == largest->seconds.end()) continue;
            std::printf("  %s %.2f", o.c_str(), std::log(b->second / a->second) / std::log(double(n1) / n0));
        }
        std::printf("\n");
    }
    double endLoad[3];
    if (getloadavg(endLoad, 3) == 3) {
        std::printf("load average at the start %.2f %.2f %.2f, at the end %.2f %.2f %.2f\n", startLoad_[0],
                    startLoad_[1], startLoad_[2], endLoad[0], endLoad[1], endLoad[2]);
    }
}
