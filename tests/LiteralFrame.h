// The viewer's per-frame work written literally, one vertex at a time and from the double client
// arrays: the viewer must give the same bits and pixels, in the tests and beside it in benchmarks.
#ifndef TESTS_LITERALFRAME_H
#define TESTS_LITERALFRAME_H

#include "viewer/RVFView.h"

inline void LiteralComputeLightVectors(GLfloat* objLightPos, bool inTangentSpace) {
    GLfloat lv[3], vec[3], m[16];
    for (int v = 0; v < gNumVerts; ++v) {
        const RvTangentPointD& p = gVertices[v];
        for (int k = 0; k < 3; ++k) lv[k] = static_cast<GLfloat>(objLightPos[k] - p.vertex[k]);
        Normalize(lv);
        for (int k = 0; k < 3; ++k) vec[k] = lv[k];
        if (inTangentSpace) {
            matrixIdentity(m);
            for (int k = 0; k < 3; ++k) {
                m[4 * k] = static_cast<GLfloat>(p.tangent[k]);
                m[4 * k + 1] = static_cast<GLfloat>(p.binormal[k]);
                m[4 * k + 2] = static_cast<GLfloat>(p.normal[k]);
            }
            vecMat3x3Mult(lv, m, vec);
            Normalize(vec);
        }
        for (int k = 0; k < 3; ++k) gLightVec[3 * v + k] = vec[k] * 0.5 + 0.5;
    }
}

inline void LiteralDrawObject(bool withColor) {
    const int stride = sizeof(RvTangentPointD);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_DOUBLE, stride, gVertices[0].vertex);
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_DOUBLE, stride, gVertices[0].normal);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_DOUBLE, stride, gVertices[0].uv);
    if (withColor) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(3, GL_DOUBLE, 0, gLightVec);
    }
    glDrawElements(GL_TRIANGLES, 3 * gNumTris, GL_UNSIGNED_INT, gIndices);
    for (GLenum array : {GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_TEXTURE_COORD_ARRAY, GL_COLOR_ARRAY})
        glDisableClientState(array);
}

#endif
