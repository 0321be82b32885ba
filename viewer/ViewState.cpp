// The view state: globals, the initialisation routines, reshape, the background, the drag
// steps and the matrix helpers.
#include <GL/glu.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

#include "image/TGAIO.h"
#include "viewer/RVFView.h"

GLfloat gLightpos[4] = {0.0f, 0.0f, 0.0f, 1.0f};
GLfloat gViewMat[16] = {};
GLfloat gFov = 50.0f;
GLfloat gClipNear = 1.0f;
GLfloat gClipFar = 200.0f;
GLint gWidth = 512;
GLint gHeight = 512;
int gViewMode = 0;
bool gWireframe = false;
bool gShowNormals = false;
bool gShowTanCoord = false;
bool gInTangentSpace = true;
int gBackground = kBackgroundBlack;
int gBasis = kBasisOwn;
bool gGreenDown = false;
bool gEngineView = false;
int gEngineShow = kShowLit;

GLint gLeftX = 0, gLeftY = 0;
GLuint gLeftDown = 0;
GLint gRightX = 0, gRightY = 0;
GLuint gRightDown = 0;
GLint gMiddleX = 0, gMiddleY = 0;
GLuint gMiddleDown = 0;
bool gLeftMovesLight = false;

int gNumTris = 0;
RvRawTriangle* gTriangles = nullptr;
float* gFileTangents = nullptr;
bool gMeshImported = false;
int gNumVerts = 0;
RvTangentPointD* gVertices = nullptr;
RvIndex* gIndices = nullptr;
float* gTangentSigns = nullptr;
double* gLightVec = nullptr;
KivBitmap gTexInfo = {0, 0, 0, KIV_BITMAP_FORMAT_UNKNOWN, nullptr};
bool gMapGreyscale = false;
bool gHaveTexture = false;
std::string gMeshPath;
std::string gMapPath;
bool gMapInMesh = false;
GLuint gTextureID = 0;

void PrintKeyHelp() {
    printf("RVF Viewer v01.03.01\n");
    printf(
        " a              - Cycle showing normal map, diffuse bump, or vertex lit, or occlusion term (if "
        "present)\n");
    printf(" b              - Cycle background color\n");
    printf(" c              - Toggle converting light vector to tangent space\n");
    printf(" l              - Load a new object and normal map\n");
    printf(" n              - Toggle display of normals\n");
    printf(" r              - Reset view/light position\n");
    printf(" t              - Toggle display of tangent/binormal\n");
    printf(" w              - Toggle wireframe\n");
    printf(" LEFT + MOUSE   - Rotate \n");
    printf(" MIDDLE + MOUSE - Pan \n");
    printf(" RIGHT + MOUSE  - Zoom\n");
    printf(" ESC or q       - Quit program\n");
    printf("\n");
    printf(" g              - Flip the normal map's green channel: up (+Y) or down (-Y)\n");
    printf(" s              - Cycle the tangent basis: own, MikkTSpace, file\n");
    printf(" e              - Toggle the engine view: per-pixel shading (a: what it shows)\n");
    printf(" CTRL + LEFT    - Move the light around the object (r puts it back at the eye)\n");
    printf(" F5             - Reload the mesh and normal map from their files\n");
    printf(" F12            - Save the window as a PNG beside the mesh\n");
    printf("\n");
}

void StateInit() {
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glShadeModel(GL_SMOOTH);
    glDisable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    EngineContextChanged();
}

void ObjectInit() {
    if (gNumVerts < 1) {
        printf("ERROR: No vertices!\n");
        exit(-1);
    }
    delete[] gLightVec;
    gLightVec = nullptr;
    size_t count = static_cast<size_t>(gNumVerts) * 3;
    gLightVec = new (std::nothrow) double[count];
    if (gLightVec == nullptr) {
        printf("ERROR: Unable to allocate light vector array!\n");
        exit(-1);
    }
    memset(gLightVec, 0, count * sizeof(double));
    MeshChanged();
}

void TextureInit() {
    if (gHaveTexture && glIsTexture(gTextureID)) glDeleteTextures(1, &gTextureID);
    glGenTextures(1, &gTextureID);
    glBindTexture(GL_TEXTURE_2D, gTextureID);
    gHaveTexture = true;

    // Texel rows are packed without padding; GL's default of 4-byte rows would skew a 24-bit
    // map whose row length is not a multiple of 4 and read past the end of the array.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    GLint internalFormat;
    GLenum format;
    int bytesPerTexel;
    switch (gTexInfo.format) {
        case KIV_BITMAP_FORMAT_888:
            internalFormat = GL_RGB8, format = GL_RGB, bytesPerTexel = 3;
            break;
        case KIV_BITMAP_FORMAT_8888:
            internalFormat = GL_RGBA8, format = GL_RGBA, bytesPerTexel = 4;
            break;
        default:
            printf("ERROR: Unhandled texture type!\n");
            exit(-1);
    }
    // The texels are turned round in place and back, which gives them back exactly, rather than
    // copied: a map can be large.
    const size_t texels = static_cast<size_t>(gTexInfo.width) * gTexInfo.height;
    if (gGreenDown) FlipGreenChannel(gTexInfo.pixels, texels, bytesPerTexel);
    gluBuild2DMipmaps(GL_TEXTURE_2D, internalFormat, gTexInfo.width, gTexInfo.height, format,
                      GL_UNSIGNED_BYTE, gTexInfo.pixels);
    if (gGreenDown) FlipGreenChannel(gTexInfo.pixels, texels, bytesPerTexel);
}

void MatrixInit() {
    matrixIdentity(gViewMat);
    gViewMat[14] = -65.0f;
}

void LightInit() {
    const GLfloat atTheEye[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    std::memcpy(gLightpos, atTheEye, sizeof atTheEye);
}

void Reshape(int w, int h) {
    gWidth = w;
    gHeight = h;
}

void SetBackground(int background) {
    static const GLfloat kColours[kBackgroundCount][4] = {{0.0f, 0.0f, 0.0f, 1.0f},
                                                          {0.0f, 0.0f, 0.5f, 1.0f},
                                                          {0.5f, 0.5f, 0.5f, 1.0f},
                                                          {1.0f, 1.0f, 1.0f, 1.0f}};
    gBackground = (background >= 0 && background < kBackgroundCount) ? background : kBackgroundBlack;
    const GLfloat* c = kColours[gBackground];
    glClearColor(c[0], c[1], c[2], c[3]);
}

namespace {

struct BasisName {
    const char* word;   // on the command line
    const char* title;  // on the console
};

const BasisName kBasisNames[kBasisCount] = {{"own", "own"}, {"mikktspace", "MikkTSpace"}, {"file", "file"}};

}  // namespace

bool BasisNamed(const char* word, int* basis) {
    for (int b = 0; b < kBasisCount; ++b)
        if (strcmp(word, kBasisNames[b].word) == 0) {
            *basis = b;
            return true;
        }
    return false;
}

const char* BasisTitle(int basis) { return kBasisNames[basis].title; }

void DragRotate(GLfloat aboutX, GLfloat aboutY) {
    const GLfloat v[3] = {aboutX, aboutY, 0.0f};
    GLfloat o[3];
    EyeToObject(v, o);
    matrixRotate(gViewMat, o[0], 0);
    matrixRotate(gViewMat, o[1], 1);
    matrixRotate(gViewMat, o[2], 2);
}

void DragPan(GLfloat right, GLfloat up) {
    const GLfloat v[3] = {right, up, 0.0f};
    GLfloat o[3];
    EyeToObject(v, o);
    matrixTranslate(gViewMat, o);
}

void DragZoom(GLfloat nearer) {
    const GLfloat v[3] = {0.0f, 0.0f, nearer};
    GLfloat o[3];
    EyeToObject(v, o);
    matrixTranslate(gViewMat, o);
}

void DragLight(GLfloat aboutX, GLfloat aboutY) {
    // The turn in eye space, about axes through the object's centre.
    GLfloat turn[16];
    matrixIdentity(turn);
    matrixRotate(turn, aboutY, 1);
    matrixRotate(turn, aboutX, 0);
    const GLfloat* centre = &gViewMat[12];
    const GLfloat fromCentre[3] = {gLightpos[0] - centre[0], gLightpos[1] - centre[1],
                                   gLightpos[2] - centre[2]};
    GLfloat turned[3];
    vecMat3x3Mult(fromCentre, turn, turned);
    for (int k = 0; k < 3; ++k) gLightpos[k] = centre[k] + turned[k];
}

void EyeToObject(const GLfloat* v, GLfloat* o) {
    GLfloat m[16];
    matrixInvert(gViewMat, m);
    vecMat3x3Mult(v, m, o);
}

void matrixIdentity(GLfloat* matrix) {
    for (int i = 0; i < 16; ++i) matrix[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}

void matrixInvert(const GLfloat* in, GLfloat* out) {
    // Rotation part: the transpose.
    out[0] = in[0];
    out[1] = in[4];
    out[2] = in[8];
    out[4] = in[1];
    out[5] = in[5];
    out[6] = in[9];
    out[8] = in[2];
    out[9] = in[6];
    out[10] = in[10];
    out[3] = out[7] = out[11] = 0.0f;
    out[15] = 1.0f;
    // Translation: minus the old translation carried by the transposed rotation.
    out[12] = -(in[12] * in[0]) - in[13] * in[1] - in[14] * in[2];
    out[13] = -(in[12] * in[4]) - in[13] * in[5] - in[14] * in[6];
    out[14] = -(in[12] * in[8]) - in[13] * in[9] - in[14] * in[10];
}

void vecMatMult(const GLfloat* vecIn, const GLfloat* m, GLfloat* vecOut) {
    GLfloat r[3];
    for (int j = 0; j < 3; ++j)
        r[j] = vecIn[0] * m[j] + vecIn[1] * m[4 + j] + vecIn[2] * m[8 + j] + m[12 + j];
    for (int j = 0; j < 3; ++j) vecOut[j] = r[j];
}

void vecMat3x3Mult(const GLfloat* vecIn, const GLfloat* m, GLfloat* vecOut) {
    GLfloat r[3];
    for (int j = 0; j < 3; ++j) r[j] = vecIn[0] * m[j] + vecIn[1] * m[4 + j] + vecIn[2] * m[8 + j];
    for (int j = 0; j < 3; ++j) vecOut[j] = r[j];
}

void Normalize(GLfloat* vec) {
    GLfloat sum = vec[0] * vec[0] + vec[1] * vec[1] + vec[2] * vec[2];
    GLfloat length = static_cast<GLfloat>(std::sqrt(static_cast<double>(sum)));
    if (length > -1e-7 && length < 1e-7) {
        vec[0] = 0.0f;
        vec[1] = 0.0f;
        vec[2] = 1.0f;
        return;
    }
    vec[0] /= length;
    vec[1] /= length;
    vec[2] /= length;
}

namespace {

// a = a x b for column-major 4 x 4 matrices.
void MultiplyInPlace(GLfloat* a, const GLfloat* b) {
    GLfloat r[16];
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) {
            GLfloat sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a[4 * k + row] * b[4 * c + k];
            r[4 * c + row] = sum;
        }
    for (int i = 0; i < 16; ++i) a[i] = r[i];
}

}  // namespace

void matrixRotate(GLfloat* m, GLfloat degrees, int axis) {
    double radians = degrees * (M_PI / 180.0);
    GLfloat c = static_cast<GLfloat>(std::cos(radians));
    GLfloat s = static_cast<GLfloat>(std::sin(radians));
    int i = (axis + 1) % 3;  // the plane turned: i towards j
    int j = (axis + 2) % 3;
    GLfloat r[16];
    matrixIdentity(r);
    r[4 * i + i] = c;
    r[4 * i + j] = s;
    r[4 * j + i] = -s;
    r[4 * j + j] = c;
    MultiplyInPlace(m, r);
}

void matrixTranslate(GLfloat* m, const GLfloat* o) {
    GLfloat t[16];
    matrixIdentity(t);
    t[12] = o[0];
    t[13] = o[1];
    t[14] = o[2];
    MultiplyInPlace(m, t);
}
