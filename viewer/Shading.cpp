// The four shading modes: per-vertex light vectors and the GL states.
#include <cmath>
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

// The light vectors are made a block of vertices at a time, one step over the whole block after
// another, so that the compiler can use vector instructions. Each lane rounds exactly as the
// one-vector helpers do (Normalize, vecMat3x3Mult): the same float operations in the same order.
constexpr int kBlock = 16;

struct Directions {
    GLfloat x[kBlock], y[kBlock], z[kBlock];
};

// Normalize's near-zero bound, 1e-7 in double, is met by exactly the same floats as its float
// neighbour above it.
constexpr GLfloat kNearZero = 1e-7f;
static_assert(static_cast<double>(kNearZero) > 1e-7, "no float lies between 1e-7 and its float");

// Normalize on each of the first n directions.
void Normalize(Directions* d, int n) {
    for (int i = 0; i < n; ++i) {
        const GLfloat length = std::sqrt(d->x[i] * d->x[i] + d->y[i] * d->y[i] + d->z[i] * d->z[i]);
        const bool nearZero = length > -kNearZero && length < kNearZero;
        const GLfloat x = d->x[i] / length, y = d->y[i] / length, z = d->z[i] / length;
        d->x[i] = nearZero ? 0.0f : x;
        d->y[i] = nearZero ? 0.0f : y;
        d->z[i] = nearZero ? 1.0f : z;
    }
}

}  // namespace

void ComputeLightVectors(GLfloat* objLightPos, bool inTangentSpace) {
    Directions d;
    for (int first = 0; first < gNumVerts; first += kBlock) {
        const int n = (gNumVerts - first < kBlock) ? gNumVerts - first : kBlock;
        const RvTangentPointD* p = &gVertices[first];
        for (int i = 0; i < n; ++i) {
            d.x[i] = static_cast<GLfloat>(objLightPos[0] - p[i].vertex[0]);
            d.y[i] = static_cast<GLfloat>(objLightPos[1] - p[i].vertex[1]);
            d.z[i] = static_cast<GLfloat>(objLightPos[2] - p[i].vertex[2]);
        }
        Normalize(&d, n);
        if (inTangentSpace) {
            // The direction's components along the vertex's tangent, binormal and normal.
            for (int i = 0; i < n; ++i) {
                const GLfloat x = d.x[i], y = d.y[i], z = d.z[i];
                const double* t = p[i].tangent;
                const double* b = p[i].binormal;
                const double* m = p[i].normal;
                d.x[i] = x * static_cast<GLfloat>(t[0]) + y * static_cast<GLfloat>(t[1]) +
                         z * static_cast<GLfloat>(t[2]);
                d.y[i] = x * static_cast<GLfloat>(b[0]) + y * static_cast<GLfloat>(b[1]) +
                         z * static_cast<GLfloat>(b[2]);
                d.z[i] = x * static_cast<GLfloat>(m[0]) + y * static_cast<GLfloat>(m[1]) +
                         z * static_cast<GLfloat>(m[2]);
            }
            Normalize(&d, n);
        }
        double* packed = &gLightVec[3 * static_cast<size_t>(first)];
        for (int i = 0; i < n; ++i) {
            packed[3 * i] = d.x[i] * 0.5 + 0.5;
            packed[3 * i + 1] = d.y[i] * 0.5 + 0.5;
            packed[3 * i + 2] = d.z[i] * 0.5 + 0.5;
        }
    }
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
