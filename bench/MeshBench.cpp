#include "bench/MeshBench.h"

#include "bench/BenchTable.h"
#include "tests/LiteralWeld.h"

namespace {

void RunWeld(benchmark::State& state, const std::vector<RvRawTriangle>& tris) {
    int numVerts = 0;
    for (auto _ : state) {
        RvTangentPointD* verts = nullptr;
        RvIndex* indices = nullptr;
        if (!RvCreateVertexBuffers(static_cast<int>(tris.size()), tris.data(), &numVerts, &verts, &indices)) {
            state.SkipWithError("RvCreateVertexBuffers failed");
        }
        state.PauseTiming();
        delete[] verts;
        delete[] indices;
        state.ResumeTiming();
    }
    state.counters["vertices"] = numVerts;
}

void RunLiteralWeld(benchmark::State& state, const std::vector<RvRawTriangle>& tris) {
    int numVerts = 0;
    for (auto _ : state) {
        RvTangentPointD* verts = nullptr;
        RvIndex* indices = nullptr;
        if (!LiteralCreateVertexBuffers(static_cast<int>(tris.size()), tris.data(), &numVerts, &verts,
                                        &indices)) {
            state.SkipWithError("literal weld failed");
        }
        state.PauseTiming();
        delete[] verts;
        delete[] indices;
        state.ResumeTiming();
    }
    state.counters["vertices"] = numVerts;
}

void RunTangentSpaces(benchmark::State& state, const std::vector<RvRawTriangle>& tris) {
    for (auto _ : state) {
        RvRawTangentSpace* spaces = nullptr;
        if (!RvComputeTangents(static_cast<int>(tris.size()), tris.data(), &spaces)) {
            state.SkipWithError("RvComputeTangents failed");
        }
        state.PauseTiming();
        delete[] spaces;
        state.ResumeTiming();
    }
}

}  // namespace

void RegisterMeshBenchmarks() {
    RegisterMeshOperation("literal weld", RunLiteralWeld, true);
    RegisterMeshOperation("weld", RunWeld);
    RegisterMeshOperation("tangent spaces", RunTangentSpaces);
}
