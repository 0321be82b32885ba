// Triangle lists, weld buffers and a memory limit for the tests of welding and tangents.
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

#include "bench/TorusGrid.h"
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

// A mesh to stress the weld: the first `numTris` triangles of a texture-mapped torus grid, in
// grid or shuffled order, with seams, mirrored mappings, numbers moved by one or two units in the
// last place (either side of 1e-7), collapsed triangles, no texture area, no u, rotated corners,
// positions far out and, with `withNaN`, NaNs and infinities.
inline std::vector<RvRawTriangle> RandomMesh(std::mt19937* rng, int numTris, bool withNaN = false,
                                             bool shuffled = true) {
    const int across = static_cast<int>(std::sqrt(numTris / 4.0)) + 1;
    std::vector<RvRawTriangle> tris = MakeTorusGrid(numTris / (2 * across) + 1, across, shuffled);
    tris.resize(static_cast<std::size_t>(numTris));
    auto nudge = [&](float* f) {
        const float toward = (*rng)() % 2 ? 8.0f : -8.0f;
        for (int k = (*rng)() % 2; k < 2; ++k) *f = std::nextafter(*f, toward);
    };
    for (RvRawTriangle& tri : tris) {
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
        if ((*rng)() % 50 == 0) tri.vert[0].x = static_cast<float>((*rng)() % 4096) / 512.0f;
    }
    return tris;
}

// For a child process only: maps numTris zero triangles (read-only, no memory behind them) and
// limits the address space to what is in use plus `headroom` bytes; exits with 2 when it cannot.
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
