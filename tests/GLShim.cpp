// Preloaded into RVFView by the tests. RVF_TEST_EXTENSIONS, when set, replaces the GL
// extensions string; RVF_TEST_COUNT_TEXTURES, when set, makes the process report at exit how
// many texture objects it left alive ("textures alive: N" on standard error);
// RVF_TEST_SHADER_LOG, when set, makes every shader fail to compile with that text as its log.
#define GL_GLEXT_PROTOTYPES 1

#include <GL/gl.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int gLiveTextures = 0;

template <typename F>
F Next(const char* name) {
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

__attribute__((destructor)) void ReportTextures() {
    if (getenv("RVF_TEST_COUNT_TEXTURES") != nullptr) fprintf(stderr, "textures alive: %d\n", gLiveTextures);
}

}  // namespace

extern "C" const GLubyte* glGetString(GLenum name) {
    static auto real = Next<const GLubyte* (*)(GLenum)>("glGetString");
    const char* extensions = getenv("RVF_TEST_EXTENSIONS");
    if (name == GL_EXTENSIONS && extensions != nullptr) return reinterpret_cast<const GLubyte*>(extensions);
    return real(name);
}

extern "C" void glGenTextures(GLsizei n, GLuint* textures) {
    static auto real = Next<void (*)(GLsizei, GLuint*)>("glGenTextures");
    real(n, textures);
    gLiveTextures += n;
}

extern "C" void glDeleteTextures(GLsizei n, const GLuint* textures) {
    static auto real = Next<void (*)(GLsizei, const GLuint*)>("glDeleteTextures");
    static auto isTexture = Next<GLboolean (*)(GLuint)>("glIsTexture");
    for (GLsizei i = 0; i < n; ++i)
        if (isTexture(textures[i])) --gLiveTextures;
    real(n, textures);
}

extern "C" void glGetShaderiv(GLuint shader, GLenum name, GLint* value) {
    static auto real = Next<void (*)(GLuint, GLenum, GLint*)>("glGetShaderiv");
    const char* log = getenv("RVF_TEST_SHADER_LOG");
    if (log == nullptr) return real(shader, name, value);
    if (name == GL_COMPILE_STATUS) *value = GL_FALSE;
    if (name == GL_INFO_LOG_LENGTH) *value = static_cast<GLint>(std::strlen(log) + 1);
}

extern "C" void glGetShaderInfoLog(GLuint shader, GLsizei size, GLsizei* length, GLchar* text) {
    static auto real = Next<void (*)(GLuint, GLsizei, GLsizei*, GLchar*)>("glGetShaderInfoLog");
    const char* log = getenv("RVF_TEST_SHADER_LOG");
    if (log == nullptr) return real(shader, size, length, text);
    std::snprintf(text, static_cast<size_t>(size), "%s", log);
    if (length != nullptr) *length = static_cast<GLsizei>(std::strlen(text));
}
