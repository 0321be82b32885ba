// The mesh in GL buffer objects: positions, normals and texture coordinates in single precision
// and the indices, made once per mesh. Each frame sends only the light-vector colours and, for a
// filled object, the indices of the triangles that may make a fragment (FindCoveringTriangles):
// on a dense mesh many triangles fall between the pixel centres, and GL spends its time on each
// one it is given. GL turns the client arrays' doubles into floats on every draw, rounding each
// to nearest, so floats rounded once give the same pixels.
#define GL_GLEXT_PROTOTYPES 1

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <new>

#include "viewer/RVFView.h"

namespace {

// What the draw reads of one welded vertex.
struct BufferVertex {
    GLfloat position[3];
    GLfloat normal[3];
    GLfloat uv[2];
};

static_assert(sizeof(RvIndex) == 3 * sizeof(GLuint), "index triples are read as a flat run of GLuint");

// The covering triangles go to kCoveringBuffer every frame; kIndexBuffer holds them all.
enum { kVertexBuffer, kIndexBuffer, kCoveringBuffer, kColourBuffer, kBufferCount };

GLuint gBuffers[kBufferCount] = {};
bool gMeshChanged = true;  // gBuffers do not hold the current mesh yet
bool gHaveBuffers = false;
// For the covering triangles: the positions as the vertex buffer holds them, where each vertex
// lies on the screen, and the triangles found, each chunk at its place before it is sent.
GLfloat* gPositions = nullptr;
CoveringVertex* gPlaced = nullptr;
GLuint* gCovering = nullptr;

// Where one draw takes its arrays from: offsets into buffer objects, or client memory where a
// buffer is 0.
struct Arrays {
    GLenum type;  // of every vertex and colour component
    GLsizei stride;
    GLuint vertexBuffer, colourBuffer, indexBuffer;
    const void* position;
    const void* normal;
    const void* uv;
    const void* colours;
    const void* indices;
    GLsizei indexCount;
};

void Submit(const Arrays& a, bool withColor) {
    glBindBuffer(GL_ARRAY_BUFFER, a.vertexBuffer);
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, a.type, a.stride, a.position);
    glEnableClientState(GL_NORMAL_ARRAY);
    glNormalPointer(a.type, a.stride, a.normal);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glTexCoordPointer(2, a.type, a.stride, a.uv);
    if (withColor) {
        glBindBuffer(GL_ARRAY_BUFFER, a.colourBuffer);
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(3, a.type, 0, a.colours);
    }
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, a.indexBuffer);
    glDrawElements(GL_TRIANGLES, a.indexCount, GL_UNSIGNED_INT, a.indices);
    glDisableClientState(GL_VERTEX_ARRAY);
    glDisableClientState(GL_NORMAL_ARRAY);
    glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    if (withColor) glDisableClientState(GL_COLOR_ARRAY);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
}

// The mesh as loaded, doubles in client memory.
void SubmitClientArrays(bool withColor) {
    const RvTangentPointD& v = gVertices[0];
    Submit({GL_DOUBLE, sizeof(RvTangentPointD), 0, 0, 0, v.vertex, v.normal, v.uv, gLightVec, gIndices,
            3 * gNumTris},
           withColor);
}

// `triangles` triangles from the index buffer `indexBuffer`, from triangle `first` on.
void SubmitBuffers(bool withColor, GLuint indexBuffer, int first, int triangles) {
    Submit({GL_FLOAT, sizeof(BufferVertex), gBuffers[kVertexBuffer], gBuffers[kColourBuffer], indexBuffer,
            BufferOffset(offsetof(BufferVertex, position)), BufferOffset(offsetof(BufferVertex, normal)),
            BufferOffset(offsetof(BufferVertex, uv)), BufferOffset(0),
            BufferOffset(sizeof(RvIndex) * static_cast<size_t>(first)), 3 * triangles},
           withColor);
}

void WriteVertices(void* to) {
    BufferVertex* out = static_cast<BufferVertex*>(to);
    for (int i = 0; i < gNumVerts; ++i) {
        const RvTangentPointD& p = gVertices[i];
        for (int k = 0; k < 3; ++k) out[i].position[k] = gPositions[3 * static_cast<size_t>(i) + k];
        for (int k = 0; k < 3; ++k) out[i].normal[k] = static_cast<GLfloat>(p.normal[k]);
        for (int k = 0; k < 2; ++k) out[i].uv[k] = static_cast<GLfloat>(p.uv[k]);
    }
}

void WriteIndices(void* to) { std::memcpy(to, gIndices, sizeof(RvIndex) * static_cast<size_t>(gNumTris)); }

void WriteColours(void* to) {
    GLfloat* out = static_cast<GLfloat*>(to);
    const size_t count = 3 * static_cast<size_t>(gNumVerts);
    for (size_t i = 0; i < count; ++i) out[i] = static_cast<GLfloat>(gLightVec[i]);
}

// Fills the buffer bound to `target` through a mapping. False when GL has no room for it or
// lost what was written.
bool Fill(GLenum target, void (*write)(void*)) {
    void* data = glMapBuffer(target, GL_WRITE_ONLY);
    if (data == nullptr) return false;
    write(data);
    return glUnmapBuffer(target) == GL_TRUE;
}

void ReleaseBuffers() {
    if (gHaveBuffers) glDeleteBuffers(kBufferCount, gBuffers);
    std::memset(gBuffers, 0, sizeof gBuffers);
    gHaveBuffers = false;
    delete[] gPositions;
    gPositions = nullptr;
    delete[] gPlaced;
    gPlaced = nullptr;
    delete[] gCovering;
    gCovering = nullptr;
}

// The current mesh into new buffers, the old ones released. False when GL or memory cannot hold
// it. Buffer objects are core since GL 1.5; an older context (such as an indirect GLX one) has
// none.
bool MakeBuffers() {
    ReleaseBuffers();
    if (gNumTris < 1 || !GlVersionAtLeast(1, 5)) return false;
    const size_t vertices = static_cast<size_t>(gNumVerts);
    const size_t triangles = static_cast<size_t>(gNumTris);
    const size_t most = static_cast<size_t>(PTRDIFF_MAX);  // the largest GLsizeiptr
    if (vertices > most / sizeof(BufferVertex) || triangles > most / sizeof(RvIndex)) return false;
    gPositions = new (std::nothrow) GLfloat[3 * vertices];
    gPlaced = new (std::nothrow) CoveringVertex[vertices];
    gCovering = new (std::nothrow) GLuint[3 * triangles];
    if (gPositions == nullptr || gPlaced == nullptr || gCovering == nullptr) {
        ReleaseBuffers();
        return false;
    }
    for (size_t i = 0; i < vertices; ++i)
        for (int k = 0; k < 3; ++k) gPositions[3 * i + k] = static_cast<GLfloat>(gVertices[i].vertex[k]);
    glGenBuffers(kBufferCount, gBuffers);
    gHaveBuffers = true;
    const bool made = FillBuffer(GL_ARRAY_BUFFER, gBuffers[kVertexBuffer], vertices * sizeof(BufferVertex),
                                 GL_STATIC_DRAW, WriteVertices) &&
                      FillBuffer(GL_ELEMENT_ARRAY_BUFFER, gBuffers[kIndexBuffer], triangles * sizeof(RvIndex),
                                 GL_STATIC_DRAW, WriteIndices) &&
                      FillBuffer(GL_ELEMENT_ARRAY_BUFFER, gBuffers[kCoveringBuffer],
                                 triangles * sizeof(RvIndex), GL_STREAM_DRAW, WriteIndices) &&
                      FillBuffer(GL_ARRAY_BUFFER, gBuffers[kColourBuffer], vertices * 3 * sizeof(GLfloat),
                                 GL_STREAM_DRAW, WriteColours);
    if (!made) ReleaseBuffers();
    return made;
}

// This frame's light vectors into the colour buffer.
bool UpdateColours() {
    glBindBuffer(GL_ARRAY_BUFFER, gBuffers[kColourBuffer]);
    const bool updated = Fill(GL_ARRAY_BUFFER, WriteColours);
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return updated;
}

// Whether GL makes fragments only at the pixel centres that the fixed-function transform of the
// current matrices puts inside a triangle: filled polygons, no smoothing, no multisampling, no
// vertex program but the engine view's. Asks only what the context knows, so that no GL error
// is raised.
bool OnlyCentresCount() {
    GLint modes[2] = {0, 0};
    glGetIntegerv(GL_POLYGON_MODE, modes);
    if (modes[0] != GL_FILL || modes[1] != GL_FILL || glIsEnabled(GL_POLYGON_SMOOTH)) return false;
    GLint sampleBuffers = 0;
    glGetIntegerv(GL_SAMPLE_BUFFERS, &sampleBuffers);
    if (sampleBuffers != 0 && glIsEnabled(GL_MULTISAMPLE)) return false;
    if (extensionSupported("GL_ARB_vertex_program") && glIsEnabled(GL_VERTEX_PROGRAM_ARB)) return false;
    GLint program = 0;
    if (GlVersionAtLeast(2, 0)) glGetIntegerv(GL_CURRENT_PROGRAM, &program);
    return program == 0 || IsEngineProgram(static_cast<GLuint>(program));
}

// Sends the `count` triangles found from slot `first` of gCovering on.
void SendCovering(int first, int count, void* withColor) {
    const size_t slot = static_cast<size_t>(first);
    glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, gBuffers[kCoveringBuffer]);
    glBufferSubData(GL_ELEMENT_ARRAY_BUFFER, static_cast<GLintptr>(sizeof(RvIndex) * slot),
                    static_cast<GLsizeiptr>(sizeof(RvIndex) * static_cast<size_t>(count)),
                    &gCovering[3 * slot]);
    SubmitBuffers(*static_cast<bool*>(withColor), gBuffers[kCoveringBuffer], first, count);
}

// How far GL may place a vertex from where our double-precision transform puts it: two of its
// sub-pixel steps, which hold its rounding to them (or cutting to them) and its single-precision
// transform with room to spare. GL gives at least 4 bits; more than 8 are not trusted.
double CoveringMargin() {
    GLint bits = 4;
    glGetIntegerv(GL_SUBPIXEL_BITS, &bits);
    return std::ldexp(1.0, 1 - std::clamp(bits, 4, 8));
}

// Draws the triangles that may make a fragment under the current matrices and viewport.
void DrawCovering(bool withColor) {
    GLdouble modelView[16], projection[16], clipFromObject[16];
    GLfloat viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelView);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_VIEWPORT, viewport);
    for (int col = 0; col < 4; ++col)
        for (int row = 0; row < 4; ++row) {
            double sum = 0.0;
            for (int k = 0; k < 4; ++k) sum += projection[4 * k + row] * modelView[4 * col + k];
            clipFromObject[4 * col + row] = sum;
        }
    FindCoveringTriangles(gPositions, gNumVerts, gIndices, gNumTris, clipFromObject, viewport,
                          CoveringMargin(), gPlaced, gCovering, SendCovering, &withColor);
}

}  // namespace

bool FillBuffer(GLenum target, GLuint buffer, size_t bytes, GLenum usage, void (*write)(void*)) {
    glBindBuffer(target, buffer);
    glBufferData(target, static_cast<GLsizeiptr>(bytes), nullptr, usage);
    const bool made = Fill(target, write);
    glBindBuffer(target, 0);
    return made;
}

void MeshChanged() {
    gMeshChanged = true;
    EngineMeshChanged();
}

void DrawObject(bool withColor) {
    if (gMeshChanged) {
        MakeBuffers();
        gMeshChanged = false;
    }
    // Without room in GL the mesh is drawn from client memory until the next one.
    if (gHaveBuffers && withColor && !UpdateColours()) ReleaseBuffers();
    if (!gHaveBuffers) {
        SubmitClientArrays(withColor);
        return;
    }
    if (OnlyCentresCount()) {
        DrawCovering(withColor);
    } else {
        SubmitBuffers(withColor, gBuffers[kIndexBuffer], 0, gNumTris);
    }
}
