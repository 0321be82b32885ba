// Triangle lists for the tests of frames, welding and tangent spaces.
#ifndef TESTS_WELDTESTMESHES_H
#define TESTS_WELDTESTMESHES_H

#include <sys/mman.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <vector>

#include "mesh/RvFileIO.h"
#include "tests/TestFiles.h"

// One triangle from three positions, three texture coordinates and one normal for all corners.
inline RvRawTriangle MakeTriangle(const float (&pos)[3][3], const float (&tex)[3][2],
                                  const float (&normal)[3]) {
    RvRawTriangle tri;
    for (int i = 0; i < 3; ++i) {
        tri.vert[i] = {{pos[i][0], pos[i][1], pos[i][2]}};
        tri.norm[i] = {{normal[0], normal[1], normal[2]}};
        tri.texCoord[i] = {{tex[i][0], tex[i][1]}};
    }
    return tri;
}

// (0,0,0), (1,0,0), (0,1,0) with u along x, v along y, normal +z: tangent (1,0,0), binormal (0,1,0).
inline RvRawTriangle UnitRightTriangle() {
    return MakeTriangle({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 0}, {1, 0}, {0, 1}}, {0, 0, 1});
}

// A weld's buffers, released at the end of the test; signs only from the signed weld.
struct Welded {
    int numVerts = -1;
    RvTangentPointD* verts = nullptr;
    RvIndex* indices = nullptr;
    float* signs = nullptr;
    ~Welded() {
        delete[] verts;
        delete[] indices;
        delete[] signs;
    }
};

// A mesh built to stress the weld: triangles of a bumpy, texture-mapped grid picked in random
// order (so most corners are shared), with seams, mirrored texture mappings, numbers moved by one
// or two units in the last place (either side of 1e-7), collapsed triangles, triangles without
// texture area or without u, rotated corner order and, with `withNaN`, NaNs and infinities.
inline std::vector<RvRawTriangle> RandomMesh(std::mt19937* rng, int numTris, bool withNaN = false) {
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    const int side = static_cast<int>(std::sqrt(numTris / 2.0)) + 2;
    auto corner = [&](int i, int j, RvRawTriangle* tri, int c) {
        const float s = 0.5f + static_cast<float>(i) / side, t = 0.5f + static_cast<float>(j) / side;
        const float nx = -0.75f * std::cos(3.0f * s) * std::cos(2.0f * t);
        const float ny = 0.5f * std::sin(3.0f * s) * std::sin(2.0f * t);
        const float len = std::sqrt(nx * nx + ny * ny + 1.0f);
        tri->vert[c] = {{s, t, 0.75f + 0.25f * std::sin(3.0f * s) * std::cos(2.0f * t)}};
        tri->norm[c] = {{nx / len, ny / len, 1.0f / len}};
        tri->texCoord[c] = {{static_cast<float>(i) / side, static_cast<float>(j) / side}};
    };
    auto nudge = [&](float* f) {
        const float toward = (*rng)() % 2 ? 8.0f : -8.0f;
        for (int k = (*rng)() % 2; k < 2; ++k) *f = std::nextafter(*f, toward);
    };
    std::vector<RvRawTriangle> tris(static_cast<std::size_t>(numTris));
    for (RvRawTriangle& tri : tris) {
        const int i = static_cast<int>((*rng)() % (side - 1));
        const int j = static_cast<int>((*rng)() % (side - 1));
        const bool lower = (*rng)() % 2;
        corner(i, j, &tri, 0), corner(i + 1, j + lower, &tri, 1), corner(i + !lower, j + 1, &tri, 2);
        const unsigned what = (*rng)() % 100;
        const int c = static_cast<int>((*rng)() % 3);
        float* number = &tri.vert[0].x + (*rng)() % 24;  // any of the triangle's 24 numbers
        if (what < 6)
            tri.texCoord[c].u += 1.0f;
        else if (what < 12)
            for (auto& tc : tri.texCoord) tc.u = -tc.u;
        else if (what < 36)
            nudge(number);
        else if (what < 39)
            tri.vert[(c + 1) % 3] = tri.vert[c];
        else if (what < 42)
            tri.texCoord[(c + 1) % 3] = tri.texCoord[(c + 2) % 3] = tri.texCoord[c];
        else if (what < 45)
            for (auto& tc : tri.texCoord) tc.u = 0.0f;
        else if (what < 51 && withNaN)
            *number = what < 48 ? NAN : (*rng)() % 2 ? INFINITY : -INFINITY;
        else if (what < 60)
            tri = {{tri.vert[1], tri.vert[2], tri.vert[0]},
                   {tri.norm[1], tri.norm[2], tri.norm[0]},
                   {tri.texCoord[1], tri.texCoord[2], tri.texCoord[0]}};
        if (unit(*rng) < 0.02f) tri.vert[0].x = unit(*rng) * 4.0f;
    }
    return tris;
}

// For a child process only: maps numTris zero triangles (read-only, no memory behind them
// until read) and limits the address space to what is in use now plus `headroom` bytes, so
// that larger allocations fail. Exits with 2 when that cannot be done.
inline const RvRawTriangle* ZeroTrianglesUnderMemoryLimit(int numTris, std::size_t headroom) {
    void* zeros = mmap(nullptr, sizeof(RvRawTriangle) * static_cast<std::size_t>(numTris), PROT_READ,
                       MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
    if (zeros == MAP_FAILED) std::exit(2);
    unsigned long pages = 0;
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (statm == nullptr || std::fscanf(statm, "%lu", &pages) != 1) std::exit(2);
    std::fclose(statm);
    rlimit limit;
    limit.rlim_cur = limit.rlim_max = pages * static_cast<unsigned long>(sysconf(_SC_PAGESIZE)) + headroom;
    if (setrlimit(RLIMIT_AS, &limit) != 0) std::exit(2);
    return static_cast<const RvRawTriangle*>(zeros);
}

#endif
