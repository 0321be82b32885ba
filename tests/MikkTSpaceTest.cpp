// MikkTSpace tangents, compared with an independent implementation of the method: the npm
// package mikktspace, run by node through tests/MikkTSpacePeer.js, on meshes that reach each of
// its rules; and what the routine promises where the method gives no frame.
#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
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
constexpr TestCorner3 kUp = {0, 0, 1};

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
    KivByteSwap_RvRawTriangle(records.data(), static_cast<uint32>(records.size()));
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(records.data());
    Bytes in;
    PutU32(in, records.size());
    WriteFile("peer-in.bin", Join({in, Bytes(bytes, bytes + sizeof(RvRawTriangle) * records.size())}));
    const RunResult r = RunProgram(
        NODE_PROGRAM, {MIKKTSPACE_PEER_SCRIPT, MIKKTSPACE_PEER_MODULES, "peer-in.bin", "peer-out.bin"});
    const std::string out = FileText("peer-out.bin");
    if (r.status != 0 || out.size() != tris.size() * 12 * sizeof(float)) {
        ADD_FAILURE() << "the peer ended with " << r.status << " and wrote " << out.size()
                      << " bytes: " << r.err;
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

std::string Show(const float* t) {
    char s[80];
    std::snprintf(s, sizeof s, "(%.9g, %.9g, %.9g, %.9g)", t[0], t[1], t[2], t[3]);
    return s;
}

// Where the peer gives a frame: every component within 1e-4 of the peer's, the same w, and
// corners with identical peer tangents identical here. Elsewhere a sound tangent, or the peer's.
// Each rule broken is reported once, with how often and where first.
void ExpectLikePeer(const Mesh& tris, const std::vector<float>& mine, const std::vector<float>& peer) {
    ASSERT_EQ(peer.size(), mine.size());
    const char* const kRules[4] = {"tangents further than 1e-4 from the peer's", "w unlike the peer's",
                                   "corners that the peer gives one tangent differ here",
                                   "corners without the peer's frame lack a sound one"};
    int breaks[4] = {}, first[4] = {}, defined = 0;
    std::map<std::array<std::uint32_t, 4>, int> firstWith;
    for (int c = 0; c < static_cast<int>(tris.size()) * 3; ++c) {
        const float *p = &peer[4 * c], *m = &mine[4 * c];
        const RvRawPoint& normal = tris[c / 3].norm[c % 3];
        const bool undefined = PeerUndefined(p, normal);
        defined += !undefined;
        const bool broken[4] = {
            !undefined && !Near(m, p), !undefined && m[3] != p[3],
            !undefined && BitsOf(&mine[4 * firstWith.emplace(BitsOf(p), c).first->second]) != BitsOf(m),
            undefined && !Sound(m, normal) && !Near(m, p)};
        for (int r = 0; r < 4; ++r) {
            if (broken[r] && breaks[r]++ == 0) first[r] = c;
        }
    }
    EXPECT_GT(defined, 0);
    for (int r = 0; r < 4; ++r) {
        EXPECT_EQ(breaks[r], 0) << kRules[r] << "; first at corner " << first[r] << ": "
                                << Show(&mine[4 * first[r]]) << " where the peer has "
                                << Show(&peer[4 * first[r]]);
    }
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

// n triangles with corners drawn from a pool of 40 vertices on a coarse lattice: many
// triangles around each vertex, edges shared by many triangles either way round, repeated and
// collapsed triangles, many triangles without texture area between groups of either
// orientation, and coordinates of -0 and +0 (one value to the method). The published
// implementation leaves its last run of edges unsorted and can miss pairs there; a triangle
// apart at the end makes that run a single edge.
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
            for (float* f : {&tri.vert[c].x, &tri.vert[c].y, &tri.vert[c].z, &tri.norm[c].x, &tri.norm[c].y,
                             &tri.norm[c].z, &tri.texCoord[c].u, &tri.texCoord[c].v}) {
                if (*f == 0 && (*rng)() % 2) *f = -*f;
            }
        }
    }
    tris.push_back(
        MakeTriangle({{100, 100, 100}, {101, 100, 100}, {101, 101, 100}}, {{0, 0}, {1, 0}, {1, 1}}, kUp));
    return tris;
}

// A UV sphere of quads without normals, written as an OBJ file and read back through `rvftool
// import`: Assimp splits the quads, makes smooth normals, and the quads at the poles collapse
// into triangles without area; u wraps at a texture seam.
Mesh ImportedSphere() {
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
    for (int a = 1; a <= around * (across + 1); ++a) {
        if (a % (across + 1) == 0) continue;
        const int b = a + across + 1;
        obj << "f " << a << "/" << a << " " << a + 1 << "/" << a + 1 << " " << b + 1 << "/" << b + 1 << " "
            << b << "/" << b << "\n";
    }
    WriteFile("sphere.obj", obj.str());
    const RunResult r = RunProgram(RVFTOOL_PATH, {"import", "sphere.obj", "sphere.rvf"});
    EXPECT_EQ(r.status, 0) << r.err;
    FILE* fp = StreamWith(FileText("sphere.rvf"));
    int numTris = 0;
    RvRawTriangle* tris = nullptr;
    const bool read = fp != nullptr && RvReadTriangles(fp, &numTris, &tris);
    if (fp != nullptr) std::fclose(fp);
    Mesh mesh(tris, tris + (read ? numTris : 0));
    delete[] tris;
    return mesh;
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
        {"torus grid, shuffled", [] { return MakeTorusGrid(96, 48, true); }},
        // Seams, mirrored islands and triangles without area among shared corners.
        {"weld stress mesh", [&rng] { return RandomMesh(&rng, 6000); }},
        {"pooled corners", [&rng] { return Pooled(&rng, 1500); }},
        {"sphere through Assimp", ImportedSphere},
    };
    for (const auto& mesh : meshes) {
        SCOPED_TRACE(mesh.name);
        const Mesh tris = mesh.make();
        ASSERT_FALSE(tris.empty());
        const std::vector<float> peer = PeerTangents(tris);
        if (!peer.empty()) ExpectLikePeer(tris, Tangents(tris), peer);
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
    for (int c = 0; c < 3; ++c) {
        SetCorner(&collapsed, c, 0, c == 2, 0, c == 1, c == 2, 1, 0, 0);
        SetCorner(&noTexture, c, c == 1, c == 2, 0, 0.5f, 0.5f, 0.6f, 0, 0.8f);
        // u runs along x, and corner 0's normal too: nothing of u is left in its plane.
        SetCorner(&alongNormal, c, c == 1, c == 2, 0, c == 1, c == 2, c == 0, 0, c != 0);
    }
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
