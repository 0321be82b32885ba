// MakeSample: writes the viewer's sample, a torus with texture coordinates and a 32-bit
// tangent-space normal map of studded tiles whose alpha holds an occlusion term.
//
//   MakeSample mesh.rvf map.tga
//
// The map repeats three times around the ring and once around the tube; where the texture
// coordinates wrap (u from 3 back to 0, v from 1 back to 0) the mesh has texture seams.
#include <cmath>
#include <cstdio>
#include <new>

#include "image/TGAIO.h"
#include "mesh/RvFileIO.h"

namespace {

const int kRing = 64;  // segments around the ring
const int kTube = 32;  // segments around the tube
const float kRingRadius = 1.0f;
const float kTubeRadius = 0.4f;
const float kRepeatU = 3.0f;

const int kMapSize = 256;
const int kTiles = 8;  // tiles per map side
const double kBumpStrength = 6.0;

const double kPi = 3.14159265358979323846;

// One corner of the torus grid; i runs around the ring, j around the tube.
void Corner(int i, int j, RvRawPoint* vert, RvRawPoint* norm, RvRawTexCoord* uv) {
    double theta = 2.0 * kPi * i / kRing;
    double phi = 2.0 * kPi * j / kTube;
    double ring = kRingRadius + kTubeRadius * std::cos(phi);
    vert->x = static_cast<float>(ring * std::cos(theta));
    vert->y = static_cast<float>(ring * std::sin(theta));
    vert->z = static_cast<float>(kTubeRadius * std::sin(phi));
    norm->x = static_cast<float>(std::cos(phi) * std::cos(theta));
    norm->y = static_cast<float>(std::cos(phi) * std::sin(theta));
    norm->z = static_cast<float>(std::sin(phi));
    uv->u = kRepeatU * static_cast<float>(i) / kRing;
    uv->v = static_cast<float>(j) / kTube;
}

bool WriteMesh(const char* path) {
    const int numTris = 2 * kRing * kTube;
    RvRawTriangle* tris = new (std::nothrow) RvRawTriangle[numTris];
    if (tris == nullptr) return false;
    RvRawTriangle* t = tris;
    for (int i = 0; i < kRing; ++i) {
        for (int j = 0; j < kTube; ++j) {
            // Two triangles per grid cell, counter-clockwise seen from outside.
            const int quad[2][3][2] = {{{i, j}, {i + 1, j}, {i + 1, j + 1}},
                                       {{i, j}, {i + 1, j + 1}, {i, j + 1}}};
            for (int k = 0; k < 2; ++k, ++t)
                for (int c = 0; c < 3; ++c)
                    Corner(quad[k][c][0], quad[k][c][1], &t->vert[c], &t->norm[c], &t->texCoord[c]);
        }
    }
    FILE* fp = fopen(path, "wb");
    bool ok = fp != nullptr && RvWriteTriangles(fp, numTris, tris);
    if (fp != nullptr && fclose(fp) != 0) ok = false;
    delete[] tris;
    return ok;
}

// Height of the studded tiles at map coordinates (s, t) in [0, 1): grooves along the tile
// edges and a dome in each tile's middle, 0 at the groove floor, about 1 on the domes.
double Height(double s, double t) {
    double a = s * kTiles - std::floor(s * kTiles);
    double b = t * kTiles - std::floor(t * kTiles);
    double edge = std::fmin(std::fmin(a, 1.0 - a), std::fmin(b, 1.0 - b));
    double h = std::fmin(edge / 0.08, 1.0) * 0.4;
    double d = std::hypot(a - 0.5, b - 0.5) / 0.28;
    if (d < 1.0) h += 0.6 * std::sqrt(1.0 - d * d);
    return h;
}

bool WriteMap(const char* path) {
    const int texels = kMapSize * kMapSize;
    BYTE* rgba = new (std::nothrow) BYTE[4 * texels];
    if (rgba == nullptr) return false;
    const double step = 1.0 / kMapSize;
    for (int y = 0; y < kMapSize; ++y) {
        for (int x = 0; x < kMapSize; ++x) {
            double s = (x + 0.5) * step, t = (y + 0.5) * step;
            // Slopes towards growing u (the tangent) and growing v (the binormal).
            double du = (Height(s + step, t) - Height(s - step, t)) / 2.0;
            double dv = (Height(s, t + step) - Height(s, t - step)) / 2.0;
            double n[3] = {-du * kBumpStrength, -dv * kBumpStrength, 1.0};
            double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
            // Grooves are shadowed, dome tops open.
            double occlusion = 0.25 + 0.75 * std::fmin(Height(s, t), 1.0);
            BYTE* texel = rgba + 4 * (y * kMapSize + x);
            for (int k = 0; k < 3; ++k)
                texel[k] = static_cast<BYTE>(std::lround((0.5 * n[k] / length + 0.5) * 255.0));
            texel[3] = static_cast<BYTE>(std::lround(occlusion * 255.0));
        }
    }
    FILE* fp = fopen(path, "wb");
    bool ok = fp != nullptr && TGAWriteImage(fp, kMapSize, kMapSize, 32, rgba, false);
    if (fp != nullptr && fclose(fp) != 0) ok = false;
    delete[] rgba;
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        fprintf(stderr, "usage: MakeSample mesh.rvf map.tga\n");
        return 2;
    }
    if (!WriteMesh(argv[1])) {
        fprintf(stderr, "MakeSample: cannot write %s\n", argv[1]);
        return 1;
    }
    if (!WriteMap(argv[2])) {
        fprintf(stderr, "MakeSample: cannot write %s\n", argv[2]);
        return 1;
    }
    return 0;
}
