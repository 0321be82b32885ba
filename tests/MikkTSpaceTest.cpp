// MikkTSpace tangents, compared with an independent implementation of the method: the npm
// package mikktspace, run by node through tests/MikkTSpacePeer.js, on meshes that reach each of
// its rules; and what the routine promises where the method gives no frame.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "bench/TorusGrid.h"
#include "mesh/MikkTSpace.h"
#include "platform/MacSpecific.h"
#include "tests/WeldTestMeshes.h"
#include "tests/rvftool/ToolRun.h"

namespace {

typedef std::vector<RvRawTriangle> Mesh;

constexpr double kPi = 3.14159265358979323846;

std::vector<float> Tangents(const Mesh& tris) {
    std::vector<float> out(tris.size() * 12, -7.0f);
    EXPECT_TRUE(RvComputeMikkTangents(static_cast<int>(tris.size()), tris.data(), out.data()));
    return out;
}

// ---------------------------------------------------------------------------------------------
// The peer.

// The peer's tangents of `tris`, four floats a corner; empty after a failure, which is reported.
// Runs in the current directory.
std::vector<float> PeerTangents(const Mesh& tris) {
    Mesh records = tris;
    int32 count = static_cast<int32>(tris.size());
    KivByteSwap_int32(&count, 1);
    KivByteSwap_RvRawTriangle(records.data(), static_cast<uint32>(records.size()));
    std::string bytes(reinterpret_cast<const char*>(&count), sizeof count);
    bytes.append(reinterpret_cast<const char*>(records.data()), sizeof(RvRawTriangle) * records.size());
    WriteFile("peer-in.bin", bytes);
    const RunResult r = RunProgram(
        NODE_PROGRAM, {MIKKTSPACE_PEER_SCRIPT, MIKKTSPACE_PEER_MODULES, "peer-in.bin", "peer-out.bin"});
    if (r.status != 0) {
        ADD_FAILURE() << "the peer failed (" << r.status << "): " << r.err;
        return {};
    }
    const std::string out = FileText("peer-out.bin");
    if (out.size() != tris.size() * 12 * sizeof(float)) {
        ADD_FAILURE() << "the peer wrote " << out.size() << " bytes for " << tris.size() << " triangles";
        return {};
    }
    std::vector<float> tangents(tris.size() * 12);
    std::memcpy(tangents.data(), out.data(), out.size());
    KivByteSwap_float32(tangents.data(), static_cast<uint32>(tangents.size()));
    return tangents;
}

std::array<std::uint32_t, 4> BitsOf(const float* tangent) {
    std::array<std::uint32_t, 4> bits;
    std::memcpy(bits.data(), tangent, sizeof bits);
    return bits;
}

double Dot(const float* a, const float* b) {
    return double(a[0]) * b[0] + double(a[1]) * b[1] + double(a[2]) * b[2];
}

// A unit tangent perpendicular to the normal, to float rounding, with w = +1 or -1.
bool Sound(const float* tangent, const RvRawPoint& normal) {
    const double n = std::sqrt(Dot(normal.v, normal.v));
    return std::fabs(Dot(tangent, tangent) - 1) < 1e-5 && std::fabs(Dot(tangent, normal.v)) < 1e-5 * n &&
           std::fabs(tangent[3]) == 1;
}

bool Near(const float* a, const float* b) {
    return std::fabs(a[0] - b[0]) <= 1e-4 && std::fabs(a[1] - b[1]) <= 1e-4 && std::fabs(a[2] - b[2]) <= 1e-4;
}

// The peer gives no frame where its tangent has no length, or is its placeholder (1, 0, 0)
// with w = -1 against a normal that this is not perpendicular to.
bool PeerUndefined(const float* p, const RvRawPoint& normal) {
    const float placeholder[4] = {1, 0, 0, -1};
    return std::fabs(Dot(p, p) - 1) > 1e-3 ||
           (BitsOf(p) == BitsOf(placeholder) &&
            std::fabs(normal.x) > 1e-6 * std::sqrt(Dot(normal.v, normal.v)));
}

// Counts the corners that break one rule and keeps the first.
struct Breaks {
    int count = 0;
    int first = -1;
    void Add(int corner) {
        if (count++ == 0) first = corner;
    }
};

std::string Show(const float* t) {
    std::ostringstream s;
    s.precision(9);
    s << "(" << t[0] << ", " << t[1] << ", " << t[2] << ", " << t[3] << ")";
    return s.str();
}

// Where the peer gives a frame: every component within 1e-4 of the peer's, the same w, and
// corners with identical peer tangents identical here. Elsewhere a sound tangent, or the peer's.
void ExpectLikePeer(const Mesh& tris, const std::vector<float>& mine, const std::vector<float>& peer) {
    ASSERT_EQ(peer.size(), mine.size());
    Breaks far, sign, split, unsound;
    int defined = 0;
    std::map<std::array<std::uint32_t, 4>, int> firstWith;
    for (int c = 0; c < static_cast<int>(tris.size()) * 3; ++c) {
        const float* p = &peer[4 * c];
        const float* m = &mine[4 * c];
        const RvRawPoint& normal = tris[c / 3].norm[c % 3];
        if (PeerUndefined(p, normal)) {
            if (!Sound(m, normal) && !Near(m, p)) unsound.Add(c);
            continue;
        }
        ++defined;
        if (!Near(m, p)) far.Add(c);
        if (m[3] != p[3]) sign.Add(c);
        const int first = firstWith.emplace(BitsOf(p), c).first->second;
        if (BitsOf(&mine[4 * first]) != BitsOf(m)) split.Add(c);
    }
    EXPECT_GT(defined, 0);
    auto at = [&](const Breaks& b) {
        return b.first < 0 ? std::string()
                           : "; first at corner " + std::to_string(b.first) + ": " +
                                 Show(&mine[4 * b.first]) + " where the peer has " + Show(&peer[4 * b.first]);
    };
    EXPECT_EQ(far.count, 0) << "tangents further than 1e-4 from the peer's" << at(far);
    EXPECT_EQ(sign.count, 0) << "w unlike the peer's" << at(sign);
    EXPECT_EQ(split.count, 0) << "corners that the peer gives one tangent differ here" << at(split);
    EXPECT_EQ(unsound.count, 0) << "corners without the peer's frame lack a sound one" << at(unsound);
}

// ---------------------------------------------------------------------------------------------
// Meshes.

void SetCorner(RvRawTriangle* tri, int c, float x, float y, float z, float u, float v, float nx = 0,
               float ny = 0, float nz = 1) {
    tri->vert[c] = {{x, y, z}};
    tri->texCoord[c] = {{u, v}};
    const float len = std::sqrt(nx * nx + ny * ny + nz * nz);
    tri->norm[c] = {{nx / len, ny / len, nz / len}};
}

// Sets corner c of *tri to grid point (i, j) of quad (qi, qj).
typedef std::function<void(int qi, int qj, int i, int j, RvRawTriangle* tri, int c)> GridCorner;

// A grid of nx x ny quads, two triangles each, corners set by `corner`.
Mesh Grid(int nx, int ny, const GridCorner& corner) {
    Mesh tris;
    for (int qi = 0; qi < nx; ++qi) {
        for (int qj = 0; qj < ny; ++qj) {
            RvRawTriangle a, b;
            corner(qi, qj, qi, qj, &a, 0), corner(qi, qj, qi + 1, qj, &a, 1),
                corner(qi, qj, qi + 1, qj + 1, &a, 2);
            corner(qi, qj, qi, qj, &b, 0), corner(qi, qj, qi + 1, qj + 1, &b, 1),
                corner(qi, qj, qi, qj + 1, &b, 2);
            tris.push_back(a), tris.push_back(b);
        }
    }
    return tris;
}

// A bumpy surface z = 0.3 sin(0.7 x) cos(0.5 y) at grid point (i, j), with its normal.
void Bump(int i, int j, float u, float v, RvRawTriangle* tri, int c) {
    const float x = float(i), y = float(j);
    SetCorner(tri, c, x, y, 0.3f * std::sin(0.7f * x) * std::cos(0.5f * y), u, v,
              -0.21f * std::cos(0.7f * x) * std::cos(0.5f * y),
              0.15f * std::sin(0.7f * x) * std::sin(0.5f * y), 1);
}

// u mirrored about the middle column: the halves map texture space with opposite orientations
// and share the corners on the mirror line. Or u jumping by a half there: the corners on that
// line are two vertices, one each side.
Mesh BumpyGrid(bool mirrored) {
    return Grid(12, 8, [mirrored](int qi, int, int i, int j, RvRawTriangle* tri, int c) {
        const float u = mirrored ? std::fabs(i - 6) / 6.0f : i / 12.0f + (qi >= 6 ? 0.5f : 0.0f);
        Bump(i, j, u, j / 8.0f, tri, c);
    });
}

// n flat triangles around one centre corner. Mapped as a plane, their u directions agree;
// mapped radially (u growing outwards), they point every way, and across the centre they
// oppose, so the centre's corners split into subgroups.
Mesh Fan(int n, bool radial) {
    Mesh tris(n);
    for (int k = 0; k < n; ++k) {
        SetCorner(&tris[k], 0, 0, 0, 0, radial ? 0.0f : 0.5f, 0.5f);
        for (int e = 1; e <= 2; ++e) {
            const double a = 2 * kPi * (k + e - 1) / n;
            const float x = float(std::cos(a)), y = float(std::sin(a));
            SetCorner(&tris[k], e, x, y, 0, radial ? 1.0f : 0.5f + 0.5f * x,
                      radial ? float(k + e - 1) / n : 0.5f + 0.5f * y);
        }
    }
    return tris;
}

// A flat grid with triangles without area among its triangles: one made of corners of the
// grid, one whose corners all share a position, and one apart from everything.
Mesh WithoutArea() {
    Mesh grid = Grid(4, 3, [](int, int, int i, int j, RvRawTriangle* tri, int c) {
        SetCorner(tri, c, float(i), float(j) + 0.25f * i, 0, i * 0.3f, j * 0.2f + i * 0.05f);
    });
    RvRawTriangle fromGrid = grid[5], needle = grid[9], apart;
    fromGrid.vert[2] = fromGrid.vert[0], fromGrid.norm[2] = fromGrid.norm[0],
    fromGrid.texCoord[2] = fromGrid.texCoord[0];
    needle.vert[1] = needle.vert[2] = needle.vert[0];
    SetCorner(&apart, 0, 9, 9, 0, 0.1f, 0.1f), SetCorner(&apart, 1, 9, 9, 0, 0.2f, 0.1f);
    SetCorner(&apart, 2, 9, 10, 0, 0.2f, 0.3f);
    Mesh tris = {needle, fromGrid};
    tris.insert(tris.end(), grid.begin(), grid.end());
    tris.push_back(apart);
    return tris;
}

// A triangle without texture area between a triangle that keeps the texture's orientation and
// one that mirrors it, all around one centre: it takes the orientation of the group that
// reaches it first, so the order of the list decides; and one such triangle apart.
Mesh WithoutTextureArea(bool mirroredFirst) {
    RvRawTriangle keeps, none, mirrored, apart;
    SetCorner(&keeps, 0, 0, 0, 0, 0.5f, 0), SetCorner(&keeps, 1, 1, 0, 0, 1, 0);
    SetCorner(&keeps, 2, 0.5f, 1, 0, 0.5f, 0.5f);
    SetCorner(&none, 0, 0, 0, 0, 0.5f, 0), SetCorner(&none, 1, 0.5f, 1, 0, 0.5f, 0.5f);
    SetCorner(&none, 2, -0.5f, 1, 0, 0.5f, 1);
    SetCorner(&mirrored, 0, 0, 0, 0, 0.5f, 0), SetCorner(&mirrored, 1, -0.5f, 1, 0, 0.5f, 1);
    SetCorner(&mirrored, 2, -1, 0, 0, 1, 0);
    SetCorner(&apart, 0, 5, 5, 0, 0.2f, 0.2f), SetCorner(&apart, 1, 6, 5, 0, 0.2f, 0.2f);
    SetCorner(&apart, 2, 5, 6, 0, 0.2f, 0.2f);
    return mirroredFirst ? Mesh{mirrored, apart, none, keeps} : Mesh{keeps, none, apart, mirrored};
}

// Four triangles on one edge, like the pages of a book, in an order that pairs the first page
// with the third: where more than two triangles share an edge, each takes the first later one
// of opposite direction.
Mesh Book() {
    RvRawTriangle pages[4];
    const float third[4][3] = {{0.5f, 1, 0}, {0.5f, 0, 1}, {0.5f, -1, 0}, {0.5f, 0, -1}};
    for (int p = 0; p < 4; ++p) {
        const bool along = p % 2 == 0;  // the shared edge from (0,0,0) to (1,0,0)
        SetCorner(&pages[p], 0, along ? 0.0f : 1.0f, 0, 0, along ? 0.0f : 1.0f, 0);
        SetCorner(&pages[p], 1, along ? 1.0f : 0.0f, 0, 0, along ? 1.0f : 0.0f, 0);
        SetCorner(&pages[p], 2, third[p][0], third[p][1], third[p][2], 0.5f,
                  third[p][1] + third[p][2] * (p == 1 ? 0.7f : -0.7f), 0.2f * p, 0, 1);
    }
    return {pages[0], pages[2], pages[1], pages[3]};
}

// n triangles with corners drawn from a pool of 40 vertices on a coarse lattice: edges shared
// by many triangles either way round, repeated and collapsed triangles, and many triangles
// without texture area. The published implementation leaves its last run of edges unsorted
// and can miss pairs there; a triangle apart at the end makes that run a single edge.
Mesh Pooled(std::mt19937* rng, int n) {
    std::uniform_int_distribution<int> step(-4, 4);
    RvRawTriangle pool[40];
    for (RvRawTriangle& v : pool) {
        const bool flat = (*rng)() % 4 == 0;
        SetCorner(&v, 0, step(*rng) / 4.0f, step(*rng) / 4.0f, step(*rng) / 4.0f, step(*rng) / 8.0f,
                  step(*rng) / 8.0f, flat ? 0.0f : step(*rng) + 0.5f, flat ? 0.0f : float(step(*rng)), 1.0f);
    }
    Mesh tris(n);
    for (RvRawTriangle& tri : tris) {
        for (int c = 0; c < 3; ++c) {
            const RvRawTriangle& v = pool[(*rng)() % 40];
            tri.vert[c] = v.vert[0], tri.norm[c] = v.norm[0], tri.texCoord[c] = v.texCoord[0];
        }
    }
    RvRawTriangle apart;
    SetCorner(&apart, 0, 100, 100, 100, 0, 0), SetCorner(&apart, 1, 101, 100, 100, 1, 0);
    SetCorner(&apart, 2, 101, 101, 100, 1, 1);
    tris.push_back(apart);
    return tris;
}

// A shape written as an OBJ file and read back through `rvftool import`, as Assimp reads it.
Mesh Imported(const std::string& obj) {
    WriteFile("shape.obj", obj);
    const RunResult r = RunProgram(RVFTOOL_PATH, {"import", "shape.obj", "shape.rvf"});
    EXPECT_EQ(r.status, 0) << r.err;
    FILE* fp = std::fopen("shape.rvf", "rb");
    int numTris = 0;
    RvRawTriangle* tris = nullptr;
    const bool read = fp != nullptr && RvReadTriangles(fp, &numTris, &tris);
    if (fp != nullptr) std::fclose(fp);
    EXPECT_TRUE(read);
    Mesh mesh(tris, tris + (read ? numTris : 0));
    delete[] tris;
    return mesh;
}

// A UV sphere of quads without normals: Assimp splits the quads, makes smooth normals, and
// the quads at the poles collapse into triangles without area; u wraps at a texture seam.
std::string SphereObj() {
    std::ostringstream obj;
    obj.precision(9);
    const int around = 20, across = 12;
    for (int i = 0; i <= around; ++i) {
        for (int j = 0; j <= across; ++j) {
            const double theta = 2 * kPi * i / around, phi = kPi * j / across;
            obj << "v " << std::sin(phi) * std::cos(theta) << " " << std::sin(phi) * std::sin(theta) << " "
                << std::cos(phi) << "\nvt " << double(i) / around << " " << 1 - double(j) / across << "\n";
        }
    }
    for (int i = 0; i < around; ++i) {
        for (int j = 0; j < across; ++j) {
            const int a = i * (across + 1) + j + 1, b = a + across + 1;
            obj << "f " << a << "/" << a << " " << a + 1 << "/" << a + 1 << " " << b + 1 << "/" << b + 1
                << " " << b << "/" << b << "\n";
        }
    }
    return obj.str();
}

// ---------------------------------------------------------------------------------------------

class MikkTSpacePeer : public ToolTest {
protected:
    void SetUp() override {
        if (std::string(NODE_PROGRAM).empty()) {
            GTEST_SKIP()
                << "node is not installed, so the MikkTSpace peer cannot run ('make deps' installs it)";
        }
        ToolTest::SetUp();
    }
};

TEST_F(MikkTSpacePeer, EveryMeshMatches) {
    std::mt19937 rng(20240607);
    const struct {
        const char* name;
        std::function<Mesh()> make;
    } meshes[] = {
        {"torus grid", [] { return MakeTorusGrid(96, 48, false); }},
        {"torus grid, shuffled", [] { return MakeTorusGrid(96, 48, true); }},
        {"textured cube", TexturedCube},
        {"mirrored texture coordinates", [] { return BumpyGrid(true); }},
        {"texture seam", [] { return BumpyGrid(false); }},
        {"fan of 200, planar mapping", [] { return Fan(200, false); }},
        {"fan of 200, radial mapping", [] { return Fan(200, true); }},
        {"triangles without area", WithoutArea},
        {"without texture area, mapped first", [] { return WithoutTextureArea(false); }},
        {"without texture area, mirrored first", [] { return WithoutTextureArea(true); }},
        {"four triangles on one edge", Book},
        {"weld stress mesh", [&rng] { return RandomMesh(&rng, 6000); }},
        {"pooled corners", [&rng] { return Pooled(&rng, 1500); }},
        {"sphere through Assimp", [] { return Imported(SphereObj()); }},
    };
    for (const auto& mesh : meshes) {
        SCOPED_TRACE(mesh.name);
        const Mesh tris = mesh.make();
        ASSERT_FALSE(tris.empty());
        const std::vector<float> peer = PeerTangents(tris);
        if (peer.empty()) continue;
        ExpectLikePeer(tris, Tangents(tris), peer);
    }
}

// ---------------------------------------------------------------------------------------------

TEST(RvComputeMikkTangents, RefusesBadArgumentsWithoutWriting) {
    const RvRawTriangle tri = UnitRightTriangle();
    float out[12];
    for (float& f : out) f = -7.0f;
    for (int numTris : {0, -1, INT_MIN, INT_MAX / 3 + 1, INT_MAX}) {
        EXPECT_FALSE(RvComputeMikkTangents(numTris, &tri, out)) << numTris;
    }
    EXPECT_FALSE(RvComputeMikkTangents(1, nullptr, out));
    EXPECT_FALSE(RvComputeMikkTangents(1, &tri, nullptr));
    for (float f : out) EXPECT_EQ(f, -7.0f);
}

TEST(RvComputeMikkTangents, RefusesNumbersThatAreNotFiniteWithoutWriting) {
    std::mt19937 rng(3);
    const Mesh good = RandomMesh(&rng, 600);
    for (int field = 0; field < 24; ++field) {
        for (float bad : {std::nanf(""), INFINITY, -INFINITY}) {
            Mesh tris = good;
            (&tris[417].vert[0].x)[field] = bad;
            std::vector<float> out(tris.size() * 12, -7.0f);
            EXPECT_FALSE(RvComputeMikkTangents(static_cast<int>(tris.size()), tris.data(), out.data()))
                << "float " << field << " = " << bad;
            EXPECT_EQ(out, std::vector<float>(tris.size() * 12, -7.0f));
        }
    }
}

// Where the method gives no frame, the x axis made perpendicular to the normal, or the y axis
// when the normal is within 26 degrees of x; w = -1 unless the corner is in a group.
TEST(RvComputeMikkTangents, CornersWithoutAFrameGetAnAxisPerpendicularToTheNormal) {
    RvRawTriangle collapsed, noTexture, alongNormal;
    SetCorner(&collapsed, 0, 0, 0, 0, 0, 0, 1, 0, 0), SetCorner(&collapsed, 1, 0, 0, 0, 1, 0, 1, 0, 0);
    SetCorner(&collapsed, 2, 0, 1, 0, 0, 1, 1, 0, 0);
    SetCorner(&noTexture, 0, 0, 0, 0, 0.5f, 0.5f, 0.6f, 0, 0.8f),
        SetCorner(&noTexture, 1, 1, 0, 0, 0.5f, 0.5f, 0.6f, 0, 0.8f);
    SetCorner(&noTexture, 2, 0, 1, 0, 0.5f, 0.5f, 0.6f, 0, 0.8f);
    // u runs along x, and corner 0's normal too: nothing of u is left in its plane.
    SetCorner(&alongNormal, 0, 0, 0, 0, 0, 0, 1, 0, 0), SetCorner(&alongNormal, 1, 1, 0, 0, 1, 0);
    SetCorner(&alongNormal, 2, 0, 1, 0, 0, 1);
    const struct {
        const char* name;
        RvRawTriangle tri;
        int corner;
        float tangent[4];
    } cases[] = {
        {"without area, normal along x", collapsed, 0, {0, 1, 0, -1}},
        {"without texture area", noTexture, 1, {0.8f, 0, -0.6f, -1}},
        {"u along the normal", alongNormal, 0, {0, 1, 0, 1}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const std::vector<float> out = Tangents({c.tri});
        for (int k = 0; k < 4; ++k) EXPECT_NEAR(out[4 * c.corner + k], c.tangent[k], 1e-6) << k;
    }
}

TEST(RvComputeMikkTangents, FailedAllocationReportsFalseWithoutWriting) {
    if (!kAddressLimitWorks) GTEST_SKIP() << "no address-space limit under the sanitizers";
    EXPECT_EXIT(
        {
            const int numTris = 1000000;
            std::vector<float> out(std::size_t(numTris) * 12, -7.0f);
            const RvRawTriangle* tris = ZeroTrianglesUnderMemoryLimit(numTris, 64u << 20);
            const bool ok = RvComputeMikkTangents(numTris, tris, out.data());
            bool untouched = true;
            for (float f : out) untouched = untouched && f == -7.0f;
            std::exit(!ok && untouched ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

}  // namespace
