// The engine view: the object shaded per pixel by GLSL shaders, as today's engines shade a
// normal map. Per vertex the normal N, the tangent T and the sign w of its frame are interpolated
// as they are, never normalised; in each pixel the bitangent is B = w * cross(N, T) and the
// map's normal is normalize(x T + y B + z N), the transform a MikkTSpace baker inverts. The
// own basis has no sign convention (its binormal need not be perpendicular to the tangent), so
// there the vertex's own binormal is interpolated in place of B. The frames are those of the
// basis the mesh is welded in (gBasis, signs from gTangentSigns); the map comes with its green
// already turned up by TextureInit, so the shaders never flip it. The programs are compiled once
// per context; their vertex shaders place vertices with ftransform, as the fixed-function
// transform does, so the mesh's covering triangles still serve.
#define GL_GLEXT_PROTOTYPES 1

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "mesh/MikkTSpace.h"
#include "viewer/RVFView.h"

namespace {

// Generic attribute slots clear of those some drivers alias with the fixed-function arrays.
enum { kTangentSlot = 6, kBinormalSlot = 7, kMikkSlot = 1 };

const char kVersion[] = "#version 110\n";

// Both shaders of the welded mesh are built with one SHOW_ line, and OWN_BINORMAL in the own
// basis. Only what the show needs is interpolated. The vectors to the light and to the eye are
// affine in the position, so they interpolate exactly.
// The varyings are declared once for both shaders of a program.
const char kVaryings[] = R"(
varying vec3 vNormal;
varying vec4 vTangent;
varying vec2 vUv;
#ifdef OWN_BINORMAL
varying vec3 vBinormal;
#endif
#if defined(SHOW_LIT) || defined(SHOW_HIGHLIGHT)
varying vec3 vToLight;
#endif
#ifdef SHOW_HIGHLIGHT
varying vec3 vToEye;
#endif
)";

const char kVertexShader[] = R"(
attribute vec4 tangent;  // T and the sign w of the vertex's frame
#ifdef OWN_BINORMAL
attribute vec3 binormal;  // the frame's own binormal
#endif
#if defined(SHOW_LIT) || defined(SHOW_HIGHLIGHT)
uniform vec3 light;  // object coordinates
#endif
#ifdef SHOW_HIGHLIGHT
uniform vec3 eye;  // object coordinates
#endif
void main() {
    vNormal = gl_Normal;
    vTangent = tangent;
    vUv = gl_MultiTexCoord0.st;
#ifdef OWN_BINORMAL
    vBinormal = binormal;
#endif
#if defined(SHOW_LIT) || defined(SHOW_HIGHLIGHT)
    vToLight = light - gl_Vertex.xyz;
#endif
#ifdef SHOW_HIGHLIGHT
    vToEye = eye - gl_Vertex.xyz;
#endif
    gl_Position = ftransform();
}
)";

const char kFragmentShader[] = R"(
uniform sampler2D map;
void main() {
    vec3 N = vNormal;
    vec3 T = vTangent.xyz;
#ifdef OWN_BINORMAL
    vec3 B = vBinormal;
#else
    vec3 B = vTangent.w * cross(N, T);
#endif
    vec3 m = texture2D(map, vUv).rgb * 2.0 - 1.0;
    vec3 n = normalize(m.x * T + m.y * B + m.z * N);
#if defined(SHOW_LIT) || defined(SHOW_HIGHLIGHT)
    vec3 L = normalize(vToLight);
    float lambert = max(dot(n, L), 0.0);
    vec3 c = vec3(lambert);
#ifdef SHOW_HIGHLIGHT
    vec3 H = normalize(L + normalize(vToEye));
    if (lambert > 0.0) c += vec3(0.5 * pow(max(dot(n, H), 0.0), 64.0));
#endif
#elif defined(SHOW_MAPPED_NORMAL)
    vec3 c = n * 0.5 + 0.5;
#elif defined(SHOW_TANGENT)
    vec3 c = normalize(T) * 0.5 + 0.5;
#elif defined(SHOW_BITANGENT)
    vec3 c = normalize(B) * 0.5 + 0.5;
#else
    vec3 c = normalize(N) * 0.5 + 0.5;
#endif
    gl_FragColor = vec4(c, 1.0);
}
)";

// The disagreement view: both frames of each corner, over the same triangles.
const char kDisagreementVaryings[] = R"(
varying vec3 vNormal;
varying vec3 vOwnTangent;
varying vec3 vOwnBinormal;
varying vec4 vMikkTangent;
)";

const char kDisagreementVertexShader[] = R"(
attribute vec3 ownTangent;
attribute vec3 ownBinormal;
attribute vec4 mikkTangent;  // T and w
void main() {
    vNormal = gl_Normal;
    vOwnTangent = ownTangent;
    vOwnBinormal = ownBinormal;
    vMikkTangent = mikkTangent;
    gl_TexCoord[0] = gl_MultiTexCoord0;
    gl_Position = ftransform();
}
)";

// The heat scale's stops are those of kLegend.
const char kDisagreementFragmentShader[] = R"(
uniform sampler2D map;
vec3 Heat(float degrees) {
    if (degrees < 1.0) return mix(vec3(0.25), vec3(0.0, 0.0, 1.0), degrees);
    if (degrees < 5.0) return mix(vec3(0.0, 0.0, 1.0), vec3(0.0, 1.0, 0.0), (degrees - 1.0) / 4.0);
    if (degrees < 15.0) return mix(vec3(0.0, 1.0, 0.0), vec3(1.0, 1.0, 0.0), (degrees - 5.0) / 10.0);
    return mix(vec3(1.0, 1.0, 0.0), vec3(1.0, 0.0, 0.0), min((degrees - 15.0) / 30.0, 1.0));
}
void main() {
    vec3 N = vNormal;
    vec3 m = texture2D(map, gl_TexCoord[0].st).rgb * 2.0 - 1.0;
    vec3 own = normalize(m.x * vOwnTangent + m.y * vOwnBinormal + m.z * N);
    vec3 T = vMikkTangent.xyz;
    vec3 mikk = normalize(m.x * T + m.y * vMikkTangent.w * cross(N, T) + m.z * N);
    // The angle from the chord: exact where the two are close, as acos is not.
    float degrees = degrees(2.0 * asin(min(0.5 * length(own - mikk), 1.0)));
    gl_FragColor = vec4(Heat(degrees), 1.0);
}
)";

const char kLegend[] =
    "Angle between the normals the map gives in the two bases: grey 0, blue 1, green 5, yellow 15, red 45 "
    "degrees or more.\n";

const char* const kShowDefines[kShowCount] = {"#define SHOW_LIT\n",
                                              "#define SHOW_HIGHLIGHT\n",
                                              "#define SHOW_MAPPED_NORMAL\n",
                                              "#define SHOW_TANGENT\n",
                                              "#define SHOW_BITANGENT\n",
                                              "#define SHOW_NORMAL\n",
                                              ""};

const char* const kShowTitles[kShowCount] = {"lit (Lambert)",
                                             "lit, with a Blinn highlight",
                                             "mapped normal as colour (object space)",
                                             "tangent as colour",
                                             "bitangent as colour",
                                             "vertex normal as colour",
                                             "basis disagreement, own against MikkTSpace"};

struct Program {
    GLuint name;
    GLint map, light, eye;
};

// Per context: whether the programs were tried, whether they built, and the programs: one per
// show (the disagreement view's among them), then one per show of the welded mesh in the own
// basis.
bool gTried = false;
bool gBuilt = false;
Program gPrograms[2 * kShowCount - 1] = {};

// Where the program of `show` in the own basis (`own`) or another one is.
int ProgramIndex(int show, bool own) { return own && show != kShowDisagreement ? kShowCount + show : show; }

// Per mesh: the frames of the welded vertices (T, w and the own binormal, 7 floats each) and
// the disagreement view's corners, made at their first draw.
bool gFramesStale = true;
bool gCornersStale = true;
GLuint gFrameBuffer = 0;
GLuint gCornerBuffer = 0;
GLsizei gCornerCount = 0;

struct Corner {
    GLfloat position[3];
    GLfloat normal[3];
    GLfloat uv[2];
    GLfloat ownTangent[3];
    GLfloat ownBinormal[3];
    GLfloat mikkTangent[4];
};

// Prints the log of a shader or a program that did not build.
void PrintLog(GLuint object, bool isProgram) {
    GLint length = 0;
    if (isProgram)
        glGetProgramiv(object, GL_INFO_LOG_LENGTH, &length);
    else
        glGetShaderiv(object, GL_INFO_LOG_LENGTH, &length);
    if (length <= 1) return;
    char* log = new (std::nothrow) char[static_cast<size_t>(length)];
    if (log == nullptr) return;
    if (isProgram)
        glGetProgramInfoLog(object, length, nullptr, log);
    else
        glGetShaderInfoLog(object, length, nullptr, log);
    std::fputs(log, stdout);
    if (log[std::strlen(log) - 1] != '\n') std::fputc('\n', stdout);
    delete[] log;
}

// A compiled shader of `type` from the sources, or 0 after its log.
GLuint Compile(GLenum type, const char* defines, const char* varyings, const char* body) {
    const char* sources[4] = {kVersion, defines, varyings, body};
    GLuint shader = glCreateShader(type);
    glShaderSource(shader, 4, sources, nullptr);
    glCompileShader(shader);
    GLint compiled = GL_FALSE;
    glGetShaderiv(shader, GL_COMPILE_STATUS, &compiled);
    if (compiled == GL_TRUE) return shader;
    PrintLog(shader, false);
    glDeleteShader(shader);
    return 0;
}

// Links a program from the two sources, both after `defines` and `varyings`, its attributes in
// their slots; false after a log.
bool Link(const char* defines, const char* varyings, const char* vertex, const char* fragment,
          Program* program) {
    const GLuint vs = Compile(GL_VERTEX_SHADER, defines, varyings, vertex);
    const GLuint fs = vs != 0 ? Compile(GL_FRAGMENT_SHADER, defines, varyings, fragment) : 0;
    if (fs == 0) {
        if (vs != 0) glDeleteShader(vs);
        return false;
    }
    const GLuint name = glCreateProgram();
    glAttachShader(name, vs);
    glAttachShader(name, fs);
    glBindAttribLocation(name, kTangentSlot, "tangent");
    glBindAttribLocation(name, kBinormalSlot, "binormal");
    glBindAttribLocation(name, kTangentSlot, "ownTangent");
    glBindAttribLocation(name, kBinormalSlot, "ownBinormal");
    glBindAttribLocation(name, kMikkSlot, "mikkTangent");
    glLinkProgram(name);
    glDeleteShader(vs);
    glDeleteShader(fs);
    GLint linked = GL_FALSE;
    glGetProgramiv(name, GL_LINK_STATUS, &linked);
    if (linked != GL_TRUE) {
        PrintLog(name, true);
        glDeleteProgram(name);
        return false;
    }
    *program = {name, glGetUniformLocation(name, "map"), glGetUniformLocation(name, "light"),
                glGetUniformLocation(name, "eye")};
    return true;
}

bool BuildPrograms() {
    for (int made = 0; made < 2 * kShowCount - 1; ++made) {
        const int show = made % kShowCount;
        const std::string defines =
            std::string(made >= kShowCount ? "#define OWN_BINORMAL\n" : "") + kShowDefines[show];
        const bool built =
            show == kShowDisagreement && made < kShowCount
                ? Link("", kDisagreementVaryings, kDisagreementVertexShader, kDisagreementFragmentShader,
                       &gPrograms[made])
                : Link(defines.c_str(), kVaryings, kVertexShader, kFragmentShader, &gPrograms[made]);
        if (!built) {
            for (int i = 0; i < made; ++i) glDeleteProgram(gPrograms[i].name);
            return false;
        }
    }
    return true;
}

void WriteFrames(void* to) {
    GLfloat* out = static_cast<GLfloat*>(to);
    for (int v = 0; v < gNumVerts; ++v, out += 7) {
        const RvTangentPointD& p = gVertices[v];
        for (int k = 0; k < 3; ++k) out[k] = static_cast<GLfloat>(p.tangent[k]);
        out[3] = gTangentSigns[v];
        for (int k = 0; k < 3; ++k) out[4 + k] = static_cast<GLfloat>(p.binormal[k]);
    }
}

// The frames of the current mesh's welded vertices into gFrameBuffer; false when GL has no room.
bool MakeFrames() {
    if (gFrameBuffer == 0) glGenBuffers(1, &gFrameBuffer);
    const size_t vertices = static_cast<size_t>(gNumVerts);
    return vertices <= static_cast<size_t>(PTRDIFF_MAX) / (7 * sizeof(GLfloat)) &&
           FillBuffer(GL_ARRAY_BUFFER, gFrameBuffer, vertices * 7 * sizeof(GLfloat), GL_STATIC_DRAW,
                      WriteFrames);
}

// What the corners are made from: the own frames and MikkTSpace tangents of gTriangles.
const RvRawTangentSpaceD* gOwnFrames = nullptr;
const float* gMikkTangents = nullptr;

void WriteCorners(void* to) {
    Corner* out = static_cast<Corner*>(to);
    for (int t = 0; t < gNumTris; ++t) {
        const RvRawTriangle& tri = gTriangles[t];
        const RvRawTangentSpaceD& own = gOwnFrames[t];
        for (int k = 0; k < 3; ++k, ++out) {
            const RvTangentPointD& p = gVertices[gIndices[t].idx[k]];
            for (int i = 0; i < 3; ++i) {
                out->position[i] = static_cast<GLfloat>(p.vertex[i]);
                out->normal[i] = tri.norm[k].v[i];
                out->ownTangent[i] = static_cast<GLfloat>(own.tangent[k].v[i]);
                out->ownBinormal[i] = static_cast<GLfloat>(own.binormal[k].v[i]);
            }
            out->uv[0] = tri.texCoord[k].u;
            out->uv[1] = tri.texCoord[k].v;
            std::memcpy(out->mikkTangent, &gMikkTangents[12 * static_cast<size_t>(t) + 4 * k],
                        sizeof out->mikkTangent);
        }
    }
}

// Every corner of the current mesh with both of its frames into gCornerBuffer; false when the
// frames cannot be computed or memory or GL has no room.
bool MakeCorners() {
    gCornerCount = 0;
    const size_t triangles = static_cast<size_t>(gNumTris);
    if (gTriangles == nullptr || gNumTris < 1 ||
        triangles > static_cast<size_t>(PTRDIFF_MAX) / (3 * sizeof(Corner)))
        return false;
    RvRawTangentSpaceD* own = nullptr;
    float* mikk = new (std::nothrow) float[12 * triangles];
    bool made = mikk != nullptr && RvComputeMikkTangents(gNumTris, gTriangles, mikk) &&
                RvComputeTangentsD(gNumTris, gTriangles, &own);
    if (made) {
        gOwnFrames = own;
        gMikkTangents = mikk;
        if (gCornerBuffer == 0) glGenBuffers(1, &gCornerBuffer);
        made = FillBuffer(GL_ARRAY_BUFFER, gCornerBuffer, 3 * triangles * sizeof(Corner), GL_STATIC_DRAW,
                          WriteCorners);
    }
    delete[] mikk;
    delete[] own;
    if (made) gCornerCount = static_cast<GLsizei>(3 * triangles);
    return made;
}

// Binds the program of `show` with the map on unit 0, the light and the eye in the object's
// coordinates.
void UseProgram(int show, const GLfloat* worldLightPos) {
    const Program& p = gPrograms[ProgramIndex(show, gBasis == kBasisOwn)];
    glUseProgram(p.name);
    glUniform1i(p.map, 0);
    glUniform3fv(p.light, 1, worldLightPos);
    GLfloat m[16], eye[3];
    const GLfloat origin[3] = {0.0f, 0.0f, 0.0f};
    matrixInvert(gViewMat, m);
    vecMatMult(origin, m, eye);
    glUniform3fv(p.eye, 1, eye);
}

void DrawWelded(const GLfloat* worldLightPos, void (*draw)(bool withColor)) {
    UseProgram(gEngineShow, worldLightPos);
    glBindBuffer(GL_ARRAY_BUFFER, gFrameBuffer);
    glEnableVertexAttribArray(kTangentSlot);
    glVertexAttribPointer(kTangentSlot, 4, GL_FLOAT, GL_FALSE, 7 * sizeof(GLfloat), BufferOffset(0));
    const bool own = gBasis == kBasisOwn;
    if (own) {
        glEnableVertexAttribArray(kBinormalSlot);
        glVertexAttribPointer(kBinormalSlot, 3, GL_FLOAT, GL_FALSE, 7 * sizeof(GLfloat),
                              BufferOffset(4 * sizeof(GLfloat)));
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    draw(false);
    glDisableVertexAttribArray(kTangentSlot);
    if (own) glDisableVertexAttribArray(kBinormalSlot);
}

void DrawCorners(const GLfloat* worldLightPos) {
    UseProgram(kShowDisagreement, worldLightPos);
    const GLsizei stride = sizeof(Corner);
    glBindBuffer(GL_ARRAY_BUFFER, gCornerBuffer);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, stride, BufferOffset(offsetof(Corner, position)));
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(GL_FLOAT, stride, BufferOffset(offsetof(Corner, normal)));
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, GL_FLOAT, stride, BufferOffset(offsetof(Corner, uv)));
    const struct {
        GLuint slot;
        GLint size;
        size_t offset;
    } attributes[] = {{kTangentSlot, 3, offsetof(Corner, ownTangent)},
                      {kBinormalSlot, 3, offsetof(Corner, ownBinormal)},
                      {kMikkSlot, 4, offsetof(Corner, mikkTangent)}};
    for (const auto& a : attributes) {
        glEnableVertexAttribArray(a.slot);
        glVertexAttribPointer(a.slot, a.size, GL_FLOAT, GL_FALSE, stride, BufferOffset(a.offset));
    }
    glDrawArrays(GL_TRIANGLES, 0, gCornerCount);
    for (const auto& a : attributes) glDisableVertexAttribArray(a.slot);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
}

}  // namespace

bool EngineViewReady() {
    if (gTried) return gBuilt;
    gTried = true;
    if (!GlVersionAtLeast(2, 0) || !extensionSupported("GL_ARB_shading_language_100")) {
        printf("The engine view needs GLSL (OpenGL 2.0), which this GL lacks: the shading modes stay.\n");
        return false;
    }
    gBuilt = BuildPrograms();
    if (!gBuilt) printf("The engine view's shaders do not build on this GL: the shading modes stay.\n");
    return gBuilt;
}

void EngineContextChanged() {
    // The context may be the one already in use (a window kept for another start): what is
    // still ours there goes first.
    if (gBuilt)
        for (const Program& p : gPrograms)
            if (glIsProgram(p.name)) glDeleteProgram(p.name);
    for (GLuint* buffer : {&gFrameBuffer, &gCornerBuffer})
        if (*buffer != 0 && glIsBuffer(*buffer)) glDeleteBuffers(1, buffer);
    gTried = gBuilt = false;
    gFrameBuffer = gCornerBuffer = 0;
    EngineMeshChanged();
}

void EngineMeshChanged() { gFramesStale = gCornersStale = true; }

bool IsEngineProgram(GLuint program) {
    for (const Program& p : gPrograms)
        if (gBuilt && program != 0 && p.name == program) return true;
    return false;
}

void PrintEngineShow() {
    printf("Engine view: %s.\n", kShowTitles[gEngineShow]);
    if (gEngineShow == kShowDisagreement) std::fputs(kLegend, stdout);
}

bool DrawEngineObject(GLfloat* worldLightPos, void (*draw)(bool withColor)) {
    if (gFramesStale) {
        if (!MakeFrames()) {
            printf("Not enough memory for the engine view's tangent frames: the shading modes stay.\n");
            return false;
        }
        gFramesStale = false;
    }
    if (gEngineShow == kShowDisagreement && gCornersStale) {
        if (MakeCorners()) {
            gCornersStale = false;
        } else {
            printf("Not enough memory for the basis-disagreement view: the engine view shows it lit.\n");
            gEngineShow = kShowLit;
        }
    }
    SetupNormalMapState();
    if (gEngineShow == kShowDisagreement)
        DrawCorners(worldLightPos);
    else
        DrawWelded(worldLightPos, draw);
    glUseProgram(0);
    ClearNormalMapState();
    return true;
}
