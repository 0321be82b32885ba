// The four shading modes: per-vertex light vectors, the mesh submission and the GL states.
#include <cstddef>

#include "viewer/RVFView.h"

namespace {

const GLfloat gWhite[4] = {1.0f, 1.0f, 1.0f, 1.0f};
const GLfloat gBlack[4] = {0.0f, 0.0f, 0.0f, 1.0f};

// Texturing with the normal map, its wrap and filters set again on every use.
void SetupTexturePreamble() {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, gTextureID);
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLfloat>(GL_DECAL));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLfloat>(GL_REPEAT));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLfloat>(GL_REPEAT));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, static_cast<GLfloat>(GL_LINEAR));
    glTexParameterf(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, static_cast<GLfloat>(GL_LINEAR_MIPMAP_LINEAR));
}

// The combiner of unit 0 with two sources; each argument is set as a float enumerant.
void SetupCombiner(GLenum combine, GLenum source0, GLenum operand0, GLenum source1, GLenum operand1) {
    glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, static_cast<GLfloat>(GL_COMBINE_ARB));
    glTexEnvf(GL_TEXTURE_ENV, GL_COMBINE_RGB_ARB, static_cast<GLfloat>(combine));
    glTexEnvf(GL_TEXTURE_ENV, GL_SOURCE0_RGB_ARB, static_cast<GLfloat>(source0));
    glTexEnvf(GL_TEXTURE_ENV, GL_OPERAND0_RGB_ARB, static_cast<GLfloat>(operand0));
    glTexEnvf(GL_TEXTURE_ENV, GL_SOURCE1_RGB_ARB, static_cast<GLfloat>(source1));
    glTexEnvf(GL_TEXTURE_ENV, GL_OPERAND1_RGB_ARB, static_cast<GLfloat>(operand1));
}

}  // namespace

void ComputeLightVectors(GLfloat* objLightPos, bool inTangentSpace) {
    GLfloat lv[3], vec[3], m[16];
    for (int v = 0; v < gNumVerts; ++v) {
        const RvTangentPointD& p = gVertices[v];
        for (int k = 0; k < 3; ++k) lv[k] = static_cast<GLfloat>(objLightPos[k] - p.vertex[k]);
        Normalize(lv);
        if (inTangentSpace) {
            matrixIdentity(m);
            for (int k = 0; k < 3; ++k) {
                m[4 * k] = static_cast<GLfloat>(p.tangent[k]);
                m[4 * k + 1] = static_cast<GLfloat>(p.binormal[k]);
                m[4 * k + 2] = static_cast<GLfloat>(p.normal[k]);
            }
            vecMat3x3Mult(lv, m, vec);
            Normalize(vec);
        } else {
            for (int k = 0; k < 3; ++k) vec[k] = lv[k];
        }
        for (int k = 0; k < 3; ++k) gLightVec[3 * v + k] = vec[k] * 0.5 + 0.5;
    }
}

void DrawObject(bool withColor) {
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
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    if (withColor) glDisableClientState(GL_COLOR_ARRAY);
}

void SetupNormalMapState() { SetupTexturePreamble(); }

void ClearNormalMapState() { glDisable(GL_TEXTURE_2D); }

void SetupBumpState() {
    SetupTexturePreamble();
    SetupCombiner(GL_DOT3_RGBA_ARB, GL_PRIMARY_COLOR_ARB, GL_SRC_COLOR, GL_TEXTURE, GL_SRC_COLOR);
}

void ClearBumpState() { glDisable(GL_TEXTURE_2D); }

void SetupLightState(GLfloat* worldLightPos) {
    static bool once = false;
    static GLfloat light1ambient[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    static GLfloat light1diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    static GLfloat light1specular[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    if (!once) {
        glLightfv(GL_LIGHT0, GL_AMBIENT, light1ambient);
        glLightfv(GL_LIGHT0, GL_DIFFUSE, light1diffuse);
        glLightfv(GL_LIGHT0, GL_SPECULAR, light1specular);
        once = true;
    }
    glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, gWhite);
    glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, gBlack);
    glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, 1);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    GLfloat lp[4] = {worldLightPos[0], worldLightPos[1], worldLightPos[2], 1.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, lp);
    glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, 128.0f);
}

void ClearLightState() {
    glDisable(GL_LIGHT0);
    glDisable(GL_LIGHTING);
}

void SetupAlphaState() {
    SetupTexturePreamble();
    SetupCombiner(GL_REPLACE, GL_TEXTURE, GL_SRC_ALPHA, GL_TEXTURE, GL_SRC_ALPHA);
}

void ClearAlphaState() { glDisable(GL_TEXTURE_2D); }
