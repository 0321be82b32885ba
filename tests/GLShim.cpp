// Preloaded into RVFView by the tests: RVF_TEST_EXTENSIONS replaces the extensions string,
// and RVF_TEST_COUNT_TEXTURES prints "textures alive: N" on standard error at exit.

#include <GL/gl.h>
#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>

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
