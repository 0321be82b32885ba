// Tangents with signs: their binormals, the sign of an own frame, and the exact weld of corners
// that carry them.
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>

#include "mesh/RvFileIO.h"
#include "mesh/RvFileIOInternal.h"

namespace {

// What decides whether two corners are one vertex: position, normal, texture coordinate,
// tangent and sign.
struct CornerKey {
    float32 f[12];
};

CornerKey KeyOf(const RvRawTriangle* tris, const float32* tangents, std::size_t corner) {
    const RvRawTriangle& tri = tris[corner / 3];
    const std::size_t k = corner % 3;
    CornerKey key;
    std::memcpy(key.f, tri.vert[k].v, 3 * sizeof(float32));
    std::memcpy(key.f + 3, tri.norm[k].v, 3 * sizeof(float32));
    std::memcpy(key.f + 6, tri.texCoord[k].uv, 2 * sizeof(float32));
    std::memcpy(key.f + 8, tangents + 4 * corner, 4 * sizeof(float32));
    return key;
}

bool Same(const CornerKey& a, const CornerKey& b) {
    for (int i = 0; i < 12; ++i)
        if (!(a.f[i] == b.f[i])) return false;
    return true;
}

std::uint64_t Hash(const CornerKey& key) {
    std::uint64_t h = 0x9E3779B97F4A7C15ull;
    for (float32 f : key.f) {
        f += 0.0f;  // -0 becomes +0, which it equals; every other number stays as it is
        std::uint32_t bits;
        std::memcpy(&bits, &f, sizeof bits);
        h = (h ^ bits) * 0xFF51AFD7ED558CCDull;
        h ^= h >> 29;
    }
    return h;
}

void Widen(const float32* from, int count, float64* to) {
    for (int i = 0; i < count; ++i) to[i] = from[i];
}

}  // namespace

void RvSignedBinormal(const float32* normal, const float32* tangent, float64* binormal) {
    const float64 n[3] = {normal[0], normal[1], normal[2]};
    const float64 length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
    const float64 scale = (length > 0 ? 1 / length : 1) * tangent[3];
    binormal[0] = scale * (n[1] * tangent[2] - n[2] * tangent[1]);
    binormal[1] = scale * (n[2] * tangent[0] - n[0] * tangent[2]);
    binormal[2] = scale * (n[0] * tangent[1] - n[1] * tangent[0]);
}

float32 RvFrameSign(const float64* normal, const float64* tangent, const float64* binormal) {
    const float64 cross[3] = {normal[1] * tangent[2] - normal[2] * tangent[1],
                              normal[2] * tangent[0] - normal[0] * tangent[2],
                              normal[0] * tangent[1] - normal[1] * tangent[0]};
    return DotProduct3D(cross, binormal) < 0 ? -1.0f : 1.0f;
}

bool RvCreateSignedVertexBuffers(int numTris, const RvRawTriangle* tris, const float32* tangents,
                                 int* numVerts, RvTangentPointD** verts, RvIndex** indices, float32** signs) {
    if (numTris < 1 || numTris > INT_MAX / 3 || tris == nullptr || tangents == nullptr ||
        numVerts == nullptr || verts == nullptr || indices == nullptr || signs == nullptr)
        return false;
    const std::size_t corners = 3 * static_cast<std::size_t>(numTris);
    if (corners > SIZE_MAX / 4 / sizeof(std::uint64_t)) return false;
    // At most half the slots are taken, so that a search stops soon.
    std::size_t slots = 1;
    while (slots < 2 * corners) slots *= 2;
    const std::size_t mask = slots - 1;

    // A slot holds the upper half of its corner's hash and its vertex + 1; 0 when empty.
    std::uint64_t* table = new (std::nothrow) std::uint64_t[slots]();
    // Each vertex's key, with room for every corner being a vertex of its own.
    CornerKey* keys = table != nullptr ? new (std::nothrow) CornerKey[corners] : nullptr;
    RvIndex* idx = keys != nullptr ? new (std::nothrow) RvIndex[numTris] : nullptr;
    int count = 0;
    // The hashes are made a block ahead, so that their slots can be fetched early.
    constexpr std::size_t kBlock = 16;
    std::uint64_t hashes[kBlock];
    for (std::size_t first = 0; idx != nullptr && first < corners; first += kBlock) {
        const std::size_t n = corners - first < kBlock ? corners - first : kBlock;
        for (std::size_t k = 0; k < n; ++k) {
            hashes[k] = Hash(KeyOf(tris, tangents, first + k));
            __builtin_prefetch(&table[hashes[k] & mask]);
        }
        for (std::size_t k = 0; k < n; ++k) {
            const std::size_t c = first + k;
            const CornerKey key = KeyOf(tris, tangents, c);
            const std::uint64_t tag = hashes[k] >> 32;
            std::size_t i = hashes[k] & mask;
            int vertex;
            for (;;) {
                const std::uint64_t slot = table[i];
                if (slot == 0) {
                    vertex = count++;
                    keys[vertex] = key;
                    table[i] = tag << 32 | static_cast<std::uint64_t>(vertex + 1);
                    break;
                }
                vertex = static_cast<int>(slot & 0xFFFFFFFFu) - 1;
                if ((slot >> 32) == tag && Same(keys[vertex], key)) break;
                i = (i + 1) & mask;
            }
            idx[c / 3].idx[c % 3] = vertex;
        }
    }
    delete[] table;

    RvTangentPointD* point = idx != nullptr ? new (std::nothrow) RvTangentPointD[count] : nullptr;
    float32* w = point != nullptr ? new (std::nothrow) float32[count] : nullptr;
    if (w == nullptr) {
        delete[] keys;
        delete[] idx;
        delete[] point;
        return false;
    }
    for (int v = 0; v < count; ++v) {
        const float32* key = keys[v].f;
        RvTangentPointD& p = point[v];
        Widen(key, 3, p.vertex);
        Widen(key + 3, 3, p.normal);
        Widen(key + 6, 2, p.uv);
        Widen(key + 8, 3, p.tangent);
        RvSignedBinormal(key + 3, key + 8, p.binormal);
        p.count = 0;
        w[v] = key[11];
    }
    for (std::size_t c = 0; c < corners; ++c) ++point[idx[c / 3].idx[c % 3]].count;
    delete[] keys;
    *numVerts = count;
    *verts = point;
    *indices = idx;
    *signs = w;
    return true;
}
