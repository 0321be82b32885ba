// Preloaded into RVFView by the tests: RVF_TEST_EXTENSIONS replaces the extensions string,
// RVF_TEST_COUNT_TEXTURES prints "textures alive: N" on standard error at exit, and every shader
// fails to compile with the log RVF_TEST_SHADER_LOG.
#define GL_GLEXT_PROTOTYPES 1

#include <GL/gl.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

static int gLiveTextures = 0;

__attribute__((destructor)) static void ReportTextures() {
    if (getenv("RVF_TEST_COUNT_TEXTURES") != nullptr) fprintf(stderr, "textures alive: %d\n", gLiveTextures);
}

extern "C" const GLubyte* glGetString(GLenum name) {
    static auto real = reinterpret_cast<decltype(&glGetString)>(dlsym(RTLD_NEXT, "glGetString"));
    const char* extensions = getenv("RVF_TEST_EXTENSIONS");
    if (name == GL_EXTENSIONS && extensions != nullptr) return reinterpret_cast<const GLubyte*>(extensions);
    return real(name);
}

extern "C" void glGenTextures(GLsizei n, GLuint* textures) {
    static auto real = reinterpret_cast<decltype(&glGenTextures)>(dlsym(RTLD_NEXT, "glGenTextures"));
    real(n, textures);
    gLiveTextures += n;
}

extern "C" void glDeleteTextures(GLsizei n, const GLuint* textures) {
    static auto real = reinterpret_cast<decltype(&glDeleteTextures)>(dlsym(RTLD_NEXT, "glDeleteTextures"));
    static auto isTexture = reinterpret_cast<decltype(&glIsTexture)>(dlsym(RTLD_NEXT, "glIsTexture"));
    for (GLsizei i = 0; i < n; ++i) gLiveTextures -= isTexture(textures[i]) ? 1 : 0;
    real(n, textures);
}

extern "C" void glGetShaderiv(GLuint shader, GLenum name, GLint* value) {
    static auto real = reinterpret_cast<decltype(&glGetShaderiv)>(dlsym(RTLD_NEXT, "glGetShaderiv"));
    const char* log = getenv("RVF_TEST_SHADER_LOG");
    if (log == nullptr) return real(shader, name, value);
    if (name == GL_COMPILE_STATUS) *value = GL_FALSE;
    if (name == GL_INFO_LOG_LENGTH) *value = static_cast<GLint>(std::strlen(log) + 1);
}

extern "C" void glGetShaderInfoLog(GLuint shader, GLsizei size, GLsizei* length, GLchar* text) {
    static auto real =
        reinterpret_cast<decltype(&glGetShaderInfoLog)>(dlsym(RTLD_NEXT, "glGetShaderInfoLog"));
    const char* log = getenv("RVF_TEST_SHADER_LOG");
    if (log == nullptr) return real(shader, size, length, text);
    std::snprintf(text, static_cast<size_t>(size), "%s", log);
    if (length != nullptr) *length = static_cast<GLsizei>(std::strlen(text));
}
