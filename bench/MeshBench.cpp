#include "bench/MeshBench.h"

#include <cstdio>
#include <map>

#include "bench/BenchTable.h"
#include "image/TGAIO.h"
#include "mesh/MikkTSpace.h"
#include "tests/LiteralWeld.h"

namespace {

// A temporary file per mesh (and per image size), written once and read many times.
std::FILE* Prepared(std::map<const void*, std::FILE*>* files, const void* key,
                    bool (*write)(std::FILE*, const void*)) {
    std::FILE*& fp = (*files)[key];
    if (fp == nullptr) {
        fp = std::tmpfile();
        if (fp != nullptr && !write(fp, key)) {
            std::fclose(fp);
            fp = nullptr;
        }
    }
    return fp;
}

bool WriteMesh(std::FILE* fp, const void* key) {
    const std::vector<RvRawTriangle>& tris = *static_cast<const std::vector<RvRawTriangle>*>(key);
    return RvWriteTriangles(fp, static_cast<int>(tris.size()), tris.data());
}

// A 32-bit map with about as many texels as the mesh has triangles.
int MapSide(std::size_t triangles) {
    int side = 1;
    while (static_cast<std::size_t>(side) * side < triangles) ++side;
    return side;
}

bool WriteMap(std::FILE* fp, const void* key) {
    const int side = MapSide(static_cast<const std::vector<RvRawTriangle>*>(key)->size());
    std::vector<BYTE> texels(static_cast<std::size_t>(side) * side * 4);
    for (std::size_t i = 0; i < texels.size(); ++i) texels[i] = static_cast<BYTE>(i * 7 + i / 4096);
    return TGAWriteImage(fp, side, side, 32, texels.data(), false);
}

void RunRvfRead(benchmark::State& state, const std::vector<RvRawTriangle>& tris) {
    static std::map<const void*, std::FILE*> files;
    std::FILE* fp = Prepared(&files, &tris, WriteMesh);
    if (fp == nullptr) state.SkipWithError("cannot write the RVF file");
    for (auto _ : state) {
        std::rewind(fp);
        int numTris = 0;
        RvRawTriangle* read = nullptr;
        if (!RvReadTriangles(fp, &numTris, &read) || numTris != static_cast<int>(tris.size())) {
            state.SkipWithError("RvReadTriangles failed");
        }
        state.PauseTiming();
        delete[] read;
        state.ResumeTiming();
    }
}

void RunTargaRead(benchmark::State& state, const std::vector<RvRawTriangle>& tris) {
    static std::map<const void*, std::FILE*> files;
    std::FILE* fp = Prepared(&files, &tris, WriteMap);
    if (fp == nullptr) state.SkipWithError("cannot write the Targa file");
    for (auto _ : state) {
        std::rewind(fp);
        int width = 0, height = 0, bitDepth = 0;
        BYTE* pixels = nullptr;
        if (!TGAReadImage(fp, &width, &height, &bitDepth, &pixels))
            state.SkipWithError("TGAReadImage failed");
        state.PauseTiming();
        delete[] pixels;
        state.ResumeTiming();
    }
}

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

void RunMikkTSpace(benchmark::State& state, const std::vector<RvRawTriangle>& tris) {
    std::vector<float> tangents(tris.size() * 12);
    for (auto _ : state) {
        if (!RvComputeMikkTangents(static_cast<int>(tris.size()), tris.data(), tangents.data())) {
            state.SkipWithError("RvComputeMikkTangents failed");
        }
    }
}

// The weld of the viewer's MikkTSpace basis, the tangents made beforehand.
void RunSignedWeld(benchmark::State& state, const std::vector<RvRawTriangle>& tris) {
    const int numTris = static_cast<int>(tris.size());
    std::vector<float> tangents(tris.size() * 12);
    if (!RvComputeMikkTangents(numTris, tris.data(), tangents.data()))
        state.SkipWithError("RvComputeMikkTangents failed");
    int numVerts = 0;
    for (auto _ : state) {
        RvTangentPointD* verts = nullptr;
        RvIndex* indices = nullptr;
        float* signs = nullptr;
        if (!RvCreateSignedVertexBuffers(numTris, tris.data(), tangents.data(), &numVerts, &verts, &indices,
                                         &signs))
            state.SkipWithError("RvCreateSignedVertexBuffers failed");
        state.PauseTiming();
        delete[] verts;
        delete[] indices;
        delete[] signs;
        state.ResumeTiming();
    }
    state.counters["vertices"] = numVerts;
}

}  // namespace

void RegisterMeshBenchmarks() {
    RegisterMeshOperation("RVF read", RunRvfRead);
    RegisterMeshOperation("literal weld", RunLiteralWeld, kSlow);
    RegisterMeshOperation("weld", RunWeld);
    RegisterMeshOperation("tangent spaces", RunTangentSpaces);
    RegisterMeshOperation("MikkTSpace", RunMikkTSpace);
    RegisterMeshOperation("signed weld", RunSignedWeld);
    RegisterMeshOperation("Targa read", RunTargaRead, kGridOrderOnly);
}
