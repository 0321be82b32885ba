// The engine view: what it shows of the map's normal per pixel, and a bake that proves it.
#include <algorithm>
#include <cmath>

#include "mesh/MikkTSpace.h"
#include "tests/ViewerWindow.h"

namespace {

typedef ViewerWindow EngineView;

struct Vec {
    double x, y, z;
};

Vec Scale(Vec v, double s) { return {v.x * s, v.y * s, v.z * s}; }
Vec Add(Vec a, Vec b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
double Dot(Vec a, Vec b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
Vec Cross(Vec a, Vec b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
Vec Unit(Vec v) { return Scale(v, 1 / std::sqrt(Dot(v, v))); }

Rgb Colour(Vec unit) {
    return {Grey(unit.x / 2 + 0.5)[0], Grey(unit.y / 2 + 0.5)[0], Grey(unit.z / 2 + 0.5)[0]};
}

// The square's texture coordinates and its binormals in the own basis and MikkTSpace (tangent +x,
// normal +z); where the texture axes meet at 45 degrees the own one runs along constant u.
struct Layout {
    std::array<float, 8> uv;
    Vec ownBinormal, mikkBinormal;
};
const Layout kPlain = {{0, 0, 1, 0, 1, 1, 0, 1}, {0, 1, 0}, {0, 1, 0}};
const Layout kDown = {{0, 1, 1, 1, 1, 0, 0, 0}, {0, -1, 0}, {0, -1, 0}};
const Layout kSheared = {{0, 0, 0.5f, 0, 1, 0.5f, 0.5f, 0.5f}, {-M_SQRT1_2, M_SQRT1_2, 0}, {0, 1, 0}};

// The square's centre, lit from `light` in eye coordinates; heat grey at 0 degrees, yellow to red.
TEST_F(EngineView, ShowsTheMapsNormalInTheSurfaceFramePerPixel) {
    const struct {
        const char* what;
        int show, basis;
        Layout layout;
        Rgb texel;
        GLfloat light[3];
    } rows[] = {
        {"tilted right, lit from the right", kShowLit, kBasisOwn, kPlain, {191, 128, 238}, {65, 0, 0}},
        {"tilted up, own mirrored frame", kShowLit, kBasisOwn, kDown, {128, 191, 238}, {0, 65, 0}},
        {"tilted up, sign -1", kShowLit, kBasisMikkTSpace, kDown, {128, 191, 238}, {0, 65, 0}},
        {"halfway, highlight", kShowHighlight, kBasisOwn, kPlain, {204, 128, 229}, {65, 0, -65}},
        {"mapped normal", kShowMappedNormal, kBasisMikkTSpace, kDown, {191, 100, 238}, {0, 0, 0}},
        {"tangent", kShowTangent, kBasisOwn, kPlain, {191, 100, 238}, {0, 0, 0}},
        {"bitangent", kShowBitangent, kBasisMikkTSpace, kDown, {191, 100, 238}, {0, 0, 0}},
        {"vertex normal", kShowNormal, kBasisOwn, kPlain, {191, 100, 238}, {0, 0, 0}},
        {"sheared: the bases disagree", kShowDisagreement, kBasisOwn, kSheared, {128, 191, 238}, {0, 0, 0}},
        {"mirrored: they agree", kShowDisagreement, kBasisOwn, kDown, {128, 191, 238}, {0, 0, 0}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        SetSquare(row.basis, row.layout.uv);
        SetMap(Uniform(row.texel));
        gEngineView = true;
        gEngineShow = row.show;
        std::copy(row.light, row.light + 3, gLightpos);
        Show();

        const Vec tangent = {1, 0, 0}, normal = {0, 0, 1};
        const Vec m = {row.texel[0] / 127.5 - 1, row.texel[1] / 127.5 - 1, row.texel[2] / 127.5 - 1};
        // The map's normal in the frame x, `b` (in the square's plane), z.
        auto inFrame = [&](Vec b) { return Unit({m.x + b.x * m.y, b.y * m.y, m.z}); };
        const Vec own = inFrame(row.layout.ownBinormal), mikk = inFrame(row.layout.mikkBinormal);
        const Vec binormal = row.basis == kBasisOwn ? row.layout.ownBinormal : row.layout.mikkBinormal;
        const Vec n = row.basis == kBasisOwn ? own : mikk;
        const Vec toLight = Unit({row.light[0], row.light[1], row.light[2] + 65});
        const double lambert = std::max(Dot(n, toLight), 0.0);
        const double degrees = std::acos(std::min(Dot(own, mikk), 1.0)) * 180 / M_PI;
        const double highlit = lambert + 0.5 * std::pow(Dot(n, Unit(Add(toLight, normal))), 64);
        const Rgb heat =
            degrees < 15 ? Rgb{64, 64, 64} : Rgb{255, int(std::lround(255 * (45 - degrees) / 30)), 0};
        const Rgb expected[kShowCount] = {Grey(lambert),    Grey(highlit),  Colour(n), Colour(tangent),
                                          Colour(binormal), Colour(normal), heat};
        EXPECT_TRUE(Near(At(256, 256), expected[row.show], 2)) << degrees << " degrees between the bases";
    }
}

// The synced bake: a sphere of 12 x 6 cells of 30 degrees in four texture islands, longitudes -90
// to -30 as they are, -30 to 30 mirrored in u, 30 to 90 sheared, and the back as a strip.

const double kPi = M_PI, kK = 0.25;  // texture units a radian
const int kSide = 1024;              // the map's texels a side

Vec Blend(const RvRawPoint* p, const double* b) {
    Vec v = {0, 0, 0};
    for (int k = 0; k < 3; ++k) v = Add(v, Scale({p[k].v[0], p[k].v[1], p[k].v[2]}, b[k]));
    return v;
}

// The detailed surface's normal over the point p of the low-polygon one: bumps on the sphere.
Vec Detail(Vec p) {
    const Vec s = Unit(p);
    const double a = 5, x = a * s.x + 1, y = a * s.y, z = a * s.z + 0.5, h = 0.08 * a;
    const Vec g = {h * std::cos(x) * std::sin(y) * std::sin(z), h * std::sin(x) * std::cos(y) * std::sin(z),
                   h * std::sin(x) * std::sin(y) * std::cos(z)};
    return Unit(Add(s, Scale(Add(g, Scale(s, -Dot(g, s))), -1)));
}

// The sphere's triangles, each cut into n x n; its normals the sphere's, or cut the detail's.
std::vector<RvRawTriangle> Sphere(int n) {
    std::vector<RvRawTriangle> tris;
    for (int s = 0; s < 12; ++s)
        for (int r = 0; r < 6; ++r)
            for (int last : {2, 3}) {
                if ((r == 0 && last == 2) || (r == 5 && last == 3)) continue;  // at a pole
                double corners[3][5];                                          // x, y, z, u, v
                for (int k = 0; k < 3; ++k) {
                    const int c = k == 0 ? 0 : last - 2 + k;  // of the cell's four, counter-clockwise
                    const double theta = (s * 30 - 90) * kPi / 180 + (c == 1 || c == 2 ? kPi / 6 : 0);
                    const double phi = (r * 30 - 90) * kPi / 180 + (c >= 2 ? kPi / 6 : 0);
                    const double up = 0.03 + kK * (phi + kPi / 2);
                    const double islands[4][2] = {
                        {0.03 + kK * (theta + kPi / 2), up},
                        {0.62 - kK * (theta + kPi / 6), up},
                        {0.69 + kK * (theta - kPi / 6), up + 0.6 * kK * (theta - kPi / 6)},
                        {0.03 + 0.59 * (theta - kPi / 2) / kPi, 0.85 + 0.12 * (phi + kPi / 2) / kPi}};
                    const double* uv = islands[std::min(s / 2, 3)];
                    const double corner[5] = {std::cos(phi) * std::sin(theta), std::sin(phi),
                                              std::cos(phi) * std::cos(theta), uv[0], uv[1]};
                    std::copy(corner, corner + 5, corners[k]);
                }
                for (int i = 0; i < n; ++i)
                    for (int j = 0; i + j < n; ++j)
                        for (int up = 0; up < (i + j + 1 < n ? 2 : 1); ++up) {
                            const int grid[2][3][2] = {{{i, j}, {i + 1, j}, {i, j + 1}},
                                                       {{i + 1, j}, {i + 1, j + 1}, {i, j + 1}}};
                            RvRawTriangle t;
                            for (int k = 0; k < 3; ++k) {
                                const double b[3] = {double(n - grid[up][k][0] - grid[up][k][1]) / n,
                                                     double(grid[up][k][0]) / n, double(grid[up][k][1]) / n};
                                double x[5];
                                for (int e = 0; e < 5; ++e)
                                    x[e] = b[0] * corners[0][e] + b[1] * corners[1][e] + b[2] * corners[2][e];
                                const Vec d = n == 1 ? Vec{x[0], x[1], x[2]} : Detail({x[0], x[1], x[2]});
                                t.vert[k] = {{float(x[0]), float(x[1]), float(x[2])}};
                                t.norm[k] = {{float(d.x), float(d.y), float(d.z)}};
                                t.texCoord[k] = {{float(x[3]), float(x[4])}};
                            }
                            tris.push_back(t);
                        }
            }
    return tris;
}

// The bake: each texel within 8 texels of a triangle (the nearest) holds the detailed normal in
// that triangle's interpolated MikkTSpace frame, T, B = w cross(N, T), N, unit, green up or down.
std::vector<unsigned char> Bake(const std::vector<RvRawTriangle>& tris, const std::vector<float>& tangents,
                                bool greenDown, bool ignoreSign) {
    std::vector<unsigned char> texels(3 * kSide * kSide);
    for (size_t i = 0; i < texels.size(); i += 3) texels[i] = texels[i + 1] = 128, texels[i + 2] = 255;
    std::vector<double> nearest(kSide * kSide, 8.0);
    for (size_t t = 0; t < tris.size(); ++t) {
        double u[3], v[3];
        for (int k = 0; k < 3; ++k)
            u[k] = tris[t].texCoord[k].u * kSide, v[k] = tris[t].texCoord[k].v * kSide;
        const double area = (u[1] - u[0]) * (v[2] - v[0]) - (u[2] - u[0]) * (v[1] - v[0]);
        // The islands lie more than 9 texels inside the map.
        for (int j = int(std::min({v[0], v[1], v[2]})) - 9; j < int(std::max({v[0], v[1], v[2]})) + 9; ++j)
            for (int i = int(std::min({u[0], u[1], u[2]})) - 9; i < int(std::max({u[0], u[1], u[2]})) + 9;
                 ++i) {
                const double x = i + 0.5, y = j + 0.5;
                double b[3], outside = 0;
                for (int k = 0; k < 3; ++k) {
                    const int k1 = (k + 1) % 3, k2 = (k + 2) % 3;
                    b[k] = ((u[k1] - x) * (v[k2] - y) - (u[k2] - x) * (v[k1] - y)) / area;
                    outside =
                        std::max(outside, -b[k] * std::fabs(area) / std::hypot(u[k2] - u[k1], v[k2] - v[k1]));
                }
                if (outside >= nearest[j * kSide + i]) continue;
                nearest[j * kSide + i] = outside;
                const float* c = &tangents[12 * t];
                const Vec T = Add(Add(Scale({c[0], c[1], c[2]}, b[0]), Scale({c[4], c[5], c[6]}, b[1])),
                                  Scale({c[8], c[9], c[10]}, b[2]));
                const double w = ignoreSign ? 1 : b[0] * c[3] + b[1] * c[7] + b[2] * c[11];
                const Vec N = Blend(tris[t].norm, b), B = Scale(Cross(N, T), w),
                          d = Detail(Blend(tris[t].vert, b));
                const double det = Dot(T, Cross(B, N));
                const Vec m =
                    Unit({Dot(d, Cross(B, N)) / det, Dot(T, Cross(d, N)) / det, Dot(T, Cross(B, d)) / det});
                unsigned char* texel = &texels[3 * (j * kSide + i)];
                for (int k = 0; k < 3; ++k) texel[k] = (unsigned char)std::lround(127.5 * (&m.x)[k] + 127.5);
                if (greenDown) texel[1] = 255 - texel[1];
            }
    }
    return texels;
}

// Shown in MikkTSpace, computed or stored, the bake lights the sphere as its tessellated detailed
// surface lights under a flat map, 3 pixels inside the silhouette; wrong set-ups do not.
TEST_F(EngineView, SyncedBakeLightsAsTheDetailedSurface) {
    const std::vector<RvRawTriangle> sphere = Sphere(1);
    std::vector<float> tangents(12 * sphere.size());
    ASSERT_TRUE(RvComputeMikkTangents(int(sphere.size()), sphere.data(), tangents.data()));
    SetBackground(kBackgroundBlue);
    gEngineView = true;
    const GLfloat light[3] = {-40, 50, 20};  // upper left
    std::copy(light, light + 3, gLightpos);
    // The engine view's frame of `tris` welded in `basis` under `map`.
    auto lit = [&](const std::vector<RvRawTriangle>& tris, int basis, const std::vector<unsigned char>& map) {
        SetTriangles(tris, basis, tangents);
        SetMap(map, map.size() == 12 ? 2 : kSide);
        Show();
        return pixels_;
    };
    const std::vector<unsigned char> reference = lit(Sphere(12), kBasisMikkTSpace, Uniform({128, 128, 255}));
    // Whether no pixel within 3 of (x, y) shows the background in either picture.
    auto inside = [&](const std::vector<unsigned char>& picture, int x, int y) {
        for (int dy = -3; dy <= 3; ++dy)
            for (int dx = -3; dx <= 3; ++dx)
                for (const std::vector<unsigned char>* one : {&reference, &picture}) {
                    const unsigned char* p = &(*one)[3 * (512 * (y + dy) + x + dx)];
                    if (p[0] == 0 && p[1] == 0 && p[2] == 128) return false;
                }
        return true;
    };
    const struct {
        const char* what;
        int basis;
        bool bakedGreenDown, bakedWithoutSign, matches;
    } rows[] = {
        {"MikkTSpace", kBasisMikkTSpace, false, false, true},
        {"the file's MikkTSpace tangents", kBasisFile, false, false, true},
        {"baked green down, shown up", kBasisMikkTSpace, true, false, false},
        {"baked without the sign", kBasisMikkTSpace, false, true, false},
        {"shown in the own basis", kBasisOwn, false, false, false},
    };
    for (const auto& row : rows) {
        const std::vector<unsigned char> picture =
            lit(sphere, row.basis, Bake(sphere, tangents, row.bakedGreenDown, row.bakedWithoutSign));
        std::vector<int> errors;
        for (int y = 3; y < 509; ++y)
            for (int x = 3; x < 509; ++x)
                if (inside(picture, x, y))
                    errors.push_back(std::abs(picture[3 * (512 * y + x)] - reference[3 * (512 * y + x)]));
        ASSERT_GT(errors.size(), 100000u) << row.what;
        std::sort(errors.begin(), errors.end());
        const int p99 = errors[errors.size() * 99 / 100], max = errors.back();
        EXPECT_EQ(p99 <= 4 && max <= 10, row.matches)
            << row.what << ": 99th percentile " << p99 << ", max " << max << " grey levels over "
            << errors.size() << " pixels";
    }
}

}  // namespace
