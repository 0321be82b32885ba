#include "tests/TestFiles.h"
#include "tests/ViewerWindow.h"

namespace {

typedef ViewerWindow GLChecks;

std::string Printed(const char* header) {
    CaptureStdout();
    PrintError(header);
    return CapturedStdout();
}

TEST_F(GLChecks, PrintErrorReportsOneErrorInFixedWords) {
    while (glGetError() != GL_NO_ERROR) {
    }
    EXPECT_EQ(Printed("Display"), "");
    glLineWidth(-1.0f);
    EXPECT_EQ(Printed(nullptr), "GL_INVALID_VALUE\n");
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    EXPECT_EQ(Printed("pop"), "GL_STACK_UNDERFLOW: pop\n");
}

TEST_F(GLChecks, ExtensionsMatchOnlyWholeNames) {
    EXPECT_EQ(extensionSupported("GL_ARB_texture_env_combine"), 1);
    EXPECT_EQ(extensionSupported("GL_ARB_texture_env_dot3"), 1);
    for (const char* part :
         {"GL_ARB_texture_env", "texture_env_dot3", "", "GL_ARB_texture_env_combine GL_ARB_texture_env_dot3"})
        EXPECT_EQ(extensionSupported(part), 0) << part;
}

}  // namespace
