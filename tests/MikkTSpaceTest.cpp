// MikkTSpace tangents, compared with an independent implementation of the method: the npm
// package mikktspace, run by node through tests/MikkTSpacePeer.js, on meshes that reach each of
// its rules, and on corners it leaves without a frame, where ours must still be sound.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <map>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "mesh/MikkTSpace.h"
#include "platform/MacSpecific.h"
#include "tests/WeldTestMeshes.h"
#include "tests/rvftool/ToolRun.h"

namespace {

typedef std::vector<RvRawTriangle> Mesh;

// The peer's tangents of `tris`, four floats a corner, made in the current directory; empty
// after a failure, which is reported.
std::vector<float> PeerTangents(const Mesh& tris) {
    const float* numbers = &tris[0].vert[0].x;  // 24 a triangle
    WriteFile("peer-in.bin",
              Join({U32(tris.size()), FloatBytes(std::vector<float>(numbers, numbers + 24 * tris.size()))}));
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

// Where the peer gives a frame: every component within 1e-4 of the peer's, the same w, and
// corners with identical peer tangents identical here. The peer gives none where its tangent
// has no length, or is its placeholder (1, 0, 0) with w = -1 against a normal that this is not
// perpendicular to; there a unit tangent perpendicular to the normal with w = +1 or -1, or the
// peer's. The first corner that breaks a rule is reported.
void ExpectLikePeer(const Mesh& tris, const std::vector<float>& mine, const std::vector<float>& peer) {
    ASSERT_EQ(peer.size(), mine.size());
    const char* const kRules[4] = {"tangent further than 1e-4 from the peer's", "w unlike the peer's",
                                   "a corner that the peer gives one tangent differs here",
                                   "a corner without the peer's frame lacks a sound one"};
    const float placeholder[4] = {1, 0, 0, -1};
    auto show = [](const float* t) { return testing::PrintToString(std::vector<float>(t, t + 4)); };
    int defined = 0;
    std::map<std::array<std::uint32_t, 4>, int> firstWith;
    for (int c = 0; c < static_cast<int>(tris.size()) * 3; ++c) {
        const float *p = &peer[4 * c], *m = &mine[4 * c];
        const float* normal = tris[c / 3].norm[c % 3].v;
        const double n = std::sqrt(Dot(normal, normal));
        const bool undefined = std::fabs(Dot(p, p) - 1) > 1e-3 ||
                               (BitsOf(p) == BitsOf(placeholder) && std::fabs(normal[0]) > 1e-6 * n);
        const bool sound =
            std::fabs(Dot(m, m) - 1) < 1e-5 && std::fabs(Dot(m, normal)) < 1e-5 * n && std::fabs(m[3]) == 1;
        const bool near = std::fabs(m[0] - p[0]) <= 1e-4 && std::fabs(m[1] - p[1]) <= 1e-4 &&
                          std::fabs(m[2] - p[2]) <= 1e-4;
        defined += !undefined;
        const bool broken[4] = {
            !undefined && !near, !undefined && m[3] != p[3],
            !undefined && BitsOf(&mine[4 * firstWith.emplace(BitsOf(p), c).first->second]) != BitsOf(m),
            undefined && !sound && !near};
        for (int r = 0; r < 4; ++r) {
            ASSERT_FALSE(broken[r]) << kRules[r] << ", at corner " << c << ": " << show(m)
                                    << " where the peer has " << show(p);
        }
    }
    EXPECT_GT(defined, 0);
}

void SetCorner(RvRawTriangle* tri, int c, float x, float y, float z, float u, float v, float nx = 0,
               float ny = 0, float nz = 1) {
    tri->vert[c] = {{x, y, z}};
    tri->texCoord[c] = {{u, v}};
    const float len = std::sqrt(nx * nx + ny * ny + nz * nz);
    tri->norm[c] = {{nx / len, ny / len, nz / len}};
}

// n triangles with corners drawn from a pool of 40 vertices on a coarse lattice (many triangles
// around each vertex, edges shared either way round, collapsed triangles, no texture area between
// groups of either orientation, -0 and +0); then, apart, corners the method leaves without a
// frame (no area and a normal along x, no texture area, u along the normal), and last a triangle
// with one, as the published implementation can miss pairs in its last, unsorted run of edges.
Mesh Pooled(std::mt19937* rng, int n) {
    std::uniform_int_distribution<int> step(-4, 4);
    RvRawTriangle pool[40];
    for (RvRawTriangle& v : pool) {
        const bool flat = (*rng)() % 4 == 0;
        SetCorner(&v, 0, step(*rng) / 4.0f, step(*rng) / 4.0f, step(*rng) / 4.0f, step(*rng) / 8.0f,
                  step(*rng) / 8.0f, flat ? 0.0f : step(*rng) + 0.5f, flat ? 0.0f : float(step(*rng)), 1.0f);
    }
    Mesh tris(n + 4);
    for (int t = 0; t < n; ++t) {
        for (int c = 0; c < 3; ++c) {
            const RvRawTriangle& v = pool[(*rng)() % 40];
            tris[t].vert[c] = v.vert[0], tris[t].norm[c] = v.norm[0], tris[t].texCoord[c] = v.texCoord[0];
        }
        for (float* f = &tris[t].vert[0].x; f < &tris[t].vert[0].x + 24; ++f)
            *f = *f == 0 && (*rng)() % 2 ? -*f : *f;
    }
    for (int c = 0; c < 3; ++c) {
        SetCorner(&tris[n], c, 0, c == 2, 100, c == 1, c == 2, 1, 0, 0);
        SetCorner(&tris[n + 1], c, c == 1, c == 2, 101, 0.5f, 0.5f, 0.6f, 0, 0.8f);
        SetCorner(&tris[n + 2], c, c == 1, c == 2, 102, c == 1, c == 2, c == 0, 0, c != 0);
        SetCorner(&tris[n + 3], c, c == 1, c == 2, 103, c == 1, c == 2);
    }
    return tris;
}

class MikkTSpacePeer : public ToolTest {};

TEST_F(MikkTSpacePeer, EveryMeshMatches) {
    if (std::string(NODE_PROGRAM).empty())
        GTEST_SKIP() << "node is not installed, so the MikkTSpace peer cannot run ('make deps' installs it)";
    std::mt19937 rng(20240607);
    // Seams, mirrored islands and triangles without area among shared corners, then the pooled
    // corners; a braced list makes them in this order.
    const std::pair<const char*, Mesh> meshes[] = {
        {"weld stress mesh", RandomMesh(&rng, 6000)},
        {"pooled corners, and corners without a frame", Pooled(&rng, 1500)}};
    for (const auto& [name, tris] : meshes) {
        SCOPED_TRACE(name);
        ASSERT_FALSE(tris.empty());
        std::vector<float> mine(tris.size() * 12, -7.0f);
        ASSERT_TRUE(RvComputeMikkTangents(static_cast<int>(tris.size()), tris.data(), mine.data()));
        const std::vector<float> peer = PeerTangents(tris);
        if (!peer.empty()) ExpectLikePeer(tris, mine, peer);
    }
}

}  // namespace
