// Per-triangle tangent frames and the small vector routines of the welding.
//
// Callers compare frames bit for bit and the weld depends on them, so the arithmetic follows
// one fixed order: widen to double first; difference, then product, then sum; a reciprocal
// multiplied in where a length is divided out. The library is built without contraction.
#include <cmath>

#include "mesh/RvFileIO.h"
#include "mesh/RvFileIOInternal.h"

namespace {

// Below this a texture span or a vector length counts as nothing.
constexpr float64 kFrameTiny = 1e-7;

const float64 defTan[3] = {1.0, 0.0, 0.0};
// Not (0,1,0): the degenerate binormal points along z.
const float64 defBi[3] = {0.0, 0.0, 1.0};

struct tanSpaceVert {
    float64 v[3];
    float64 t[2];
};

void SwapVerts(tanSpaceVert* a, tanSpaceVert* b) {
    tanSpaceVert keep = *a;
    *a = *b;
    *b = keep;
}

// Orders the three corners by texture coordinate `axis`, largest first; equal ones keep their
// order.
void SortByTexCoord(tanSpaceVert* verts, int axis) {
    if (verts[0].t[axis] < verts[1].t[axis]) SwapVerts(&verts[0], &verts[1]);
    if (verts[0].t[axis] < verts[2].t[axis]) SwapVerts(&verts[0], &verts[2]);
    if (verts[1].t[axis] < verts[2].t[axis]) SwapVerts(&verts[1], &verts[2]);
}

// The direction inside the triangle along which texture coordinate `axis` is constant,
// oriented towards growing `other`. The corners are sorted by `axis` first.
void ConstantLine(tanSpaceVert* verts, int axis, int other, float64* dir) {
    SortByTexCoord(verts, axis);
    const tanSpaceVert& top = verts[0];
    const tanSpaceVert& middle = verts[1];
    const tanSpaceVert& bottom = verts[2];

    float64 interp = 1.0;
    if (!(std::fabs(bottom.t[axis] - top.t[axis]) < kFrameTiny)) {
        interp = (middle.t[axis] - top.t[axis]) / (bottom.t[axis] - top.t[axis]);
    }
    float64 tempVector[3];
    for (int k = 0; k < 3; ++k) tempVector[k] = (bottom.v[k] - top.v[k]) * interp + top.v[k];
    interp = top.t[other] + (bottom.t[other] - top.t[other]) * interp;

    for (int k = 0; k < 3; ++k) dir[k] = tempVector[k] - middle.v[k];
    if (interp < middle.t[other]) {
        for (int k = 0; k < 3; ++k) dir[k] = -dir[k];
    }
}

// Unit length by a reciprocal multiplied in; shorter than 1e-7 becomes `fallback`.
void NormalizeFrameVector(float64* dir, const float64* fallback) {
    float64 mag = std::sqrt(dir[0] * dir[0] + dir[1] * dir[1] + dir[2] * dir[2]);
    if (mag < kFrameTiny) {
        for (int k = 0; k < 3; ++k) dir[k] = fallback[k];
        return;
    }
    mag = 1.0 / mag;
    for (int k = 0; k < 3; ++k) dir[k] = dir[k] * mag;
}

}  // namespace

void RvTriangleDirections(const float32* v1, const float32* v2, const float32* v3, const float32* t1,
                          const float32* t2, const float32* t3, RvFrameDirections* dirs) {
    const float32* pos[3] = {v1, v2, v3};
    const float32* tex[3] = {t1, t2, t3};
    tanSpaceVert verts[3];
    for (int i = 0; i < 3; ++i) {
        for (int k = 0; k < 3; ++k) verts[i].v[k] = pos[i][k];
        verts[i].t[0] = tex[i][0];
        verts[i].t[1] = tex[i][1];
    }
    // Tangent: v constant, towards growing u. The binormal starts from the order the tangent
    // left.
    ConstantLine(verts, 1, 0, dirs->tangent);
    ConstantLine(verts, 0, 1, dirs->binormal);
}

void RvProjectFrame(const RvFrameDirections* dirs, const float64* normal, float64* tangent,
                    float64* binormal) {
    // The tangent's projection uses one dot product.
    float64 tan[3] = {dirs->tangent[0], dirs->tangent[1], dirs->tangent[2]};
    const float64 dot = DotProduct3D(normal, tan);
    for (int k = 0; k < 3; ++k) tan[k] = tan[k] - normal[k] * dot;
    NormalizeFrameVector(tan, defTan);

    // The binormal's takes the dot product anew for each component, so the later updates see
    // the components already changed.
    float64 bi[3] = {dirs->binormal[0], dirs->binormal[1], dirs->binormal[2]};
    for (int k = 0; k < 3; ++k) bi[k] = bi[k] - normal[k] * DotProduct3D(normal, bi);
    NormalizeFrameVector(bi, defBi);

    for (int k = 0; k < 3; ++k) {
        tangent[k] = tan[k];
        binormal[k] = bi[k];
    }
}

bool TriangleTangentFrame(const float32* v1, const float32* v2, const float32* v3, const float32* t1,
                          const float32* t2, const float32* t3, const float64* normal, float64* tangent,
                          float64* binormal) {
    if (v1 == nullptr || v2 == nullptr || v3 == nullptr || t1 == nullptr || t2 == nullptr || t3 == nullptr ||
        normal == nullptr || tangent == nullptr || binormal == nullptr) {
        return false;
    }
    RvFrameDirections dirs;
    RvTriangleDirections(v1, v2, v3, t1, t2, t3, &dirs);
    RvProjectFrame(&dirs, normal, tangent, binormal);
    return true;
}

bool RvTriangleHasNoU(const RvRawTriangle* tri) {
    return tri->texCoord[0].u == 0.0f && tri->texCoord[1].u == 0.0f && tri->texCoord[2].u == 0.0f;
}

void RvDefaultFrame(float64* tangent, float64* binormal) {
    for (int k = 0; k < 3; ++k) {
        tangent[k] = defTan[k];
        binormal[k] = defBi[k];
    }
}

void ComputeTangentVectorsD(const RvRawTriangle* pgon, int idx, float64* tan, float64* norm,
                            float64* binorm) {
    RvDefaultFrame(tan, binorm);
    for (int k = 0; k < 3; ++k) norm[k] = pgon->norm[idx].v[k];
    if (RvTriangleHasNoU(pgon)) return;
    TriangleTangentFrame(pgon->vert[0].v, pgon->vert[1].v, pgon->vert[2].v, pgon->texCoord[0].uv,
                         pgon->texCoord[1].uv, pgon->texCoord[2].uv, norm, tan, binorm);
}

void NormalizeD(float64* v) {
    const float64 len = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (len < kFrameTiny) {
        v[0] = 1.0;
        v[1] = 0.0;
        v[2] = 0.0;
        return;
    }
    v[0] = v[0] / len;
    v[1] = v[1] / len;
    v[2] = v[2] / len;
}

float64 DotProduct3D(const float64* vectorA, const float64* vectorB) {
    return vectorA[0] * vectorB[0] + vectorA[1] * vectorB[1] + vectorA[2] * vectorB[2];
}
