#include "bench/TorusGrid.h"

#include <algorithm>
#include <cmath>
#include <random>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kRing = 2.0;
constexpr double kTube = 0.75;

struct GridVertex {
    RvRawPoint pos;
    RvRawPoint norm;
    RvRawTexCoord tex;
};

void PutCorner(const GridVertex& v, RvRawTriangle* tri, int corner) {
    tri->vert[corner] = v.pos;
    tri->norm[corner] = v.norm;
    tri->texCoord[corner] = v.tex;
}

}  // namespace

std::vector<RvRawTriangle> MakeTorusGrid(int around, int across, bool shuffled) {
    // Every corner of a vertex takes its values from this one grid, so shared corners are equal.
    const int rowLength = across + 1;
    std::vector<GridVertex> grid(static_cast<std::size_t>(around + 1) * rowLength);
    for (int i = 0; i <= around; ++i) {
        const double theta = 2.0 * kPi * i / around;
        for (int j = 0; j <= across; ++j) {
            const double phi = 2.0 * kPi * j / across;
            GridVertex& v = grid[static_cast<std::size_t>(i) * rowLength + j];
            const double ring = kRing + kTube * std::cos(phi);
            v.pos.x = static_cast<float32>(ring * std::cos(theta));
            v.pos.y = static_cast<float32>(ring * std::sin(theta));
            v.pos.z = static_cast<float32>(kTube * std::sin(phi));
            v.norm.x = static_cast<float32>(std::cos(phi) * std::cos(theta));
            v.norm.y = static_cast<float32>(std::cos(phi) * std::sin(theta));
            v.norm.z = static_cast<float32>(std::sin(phi));
            v.tex.u = static_cast<float32>(static_cast<double>(i) / around);
            v.tex.v = static_cast<float32>(static_cast<double>(j) / across);
        }
    }

    std::vector<RvRawTriangle> tris(static_cast<std::size_t>(around) * across * 2);
    std::size_t t = 0;
    for (int i = 0; i < around; ++i) {
        for (int j = 0; j < across; ++j) {
            const GridVertex& a = grid[static_cast<std::size_t>(i) * rowLength + j];
            const GridVertex& b = grid[static_cast<std::size_t>(i + 1) * rowLength + j];
            const GridVertex& c = grid[static_cast<std::size_t>(i + 1) * rowLength + j + 1];
            const GridVertex& d = grid[static_cast<std::size_t>(i) * rowLength + j + 1];
            PutCorner(a, &tris[t], 0), PutCorner(b, &tris[t], 1), PutCorner(c, &tris[t], 2);
            ++t;
            PutCorner(a, &tris[t], 0), PutCorner(c, &tris[t], 1), PutCorner(d, &tris[t], 2);
            ++t;
        }
    }
    if (shuffled) {
        std::mt19937 rng(20240601);
        std::shuffle(tris.begin(), tris.end(), rng);
    }
    return tris;
}

void TorusGridSize(int triangles, int* around, int* across) {
    *across = static_cast<int>(std::lround(std::sqrt(triangles / 4.0)));
    *around = static_cast<int>(std::lround(triangles / (2.0 * *across)));
}
