#include "tests/TestFiles.h"
#include "tests/ViewerWindow.h"

namespace {

typedef ViewerWindow Input;

std::string Keys(const char* keys) {
    CaptureStdout();
    for (const char* k = keys; *k != '\0'; ++k) KeyFunc(static_cast<unsigned char>(*k), 0, 0);
    return CapturedStdout();
}

// A map without alpha has no alpha mode. The program's own run checks the other keys' words, upper
// case too, and rvfrender's tests reach each of its options through these keys.
TEST_F(Input, WithoutAlphaTheAlphaModeIsLeftOut) {
    gTexInfo.format = KIV_BITMAP_FORMAT_888;
    EXPECT_EQ(Keys("AAAa"), "Normal map.\nVertex lighting.\nDiffuse lit normal map.\nNormal map.\n");
}

TEST_F(Input, BackgroundCyclesBlueGreyWhiteBlack) {
    SetSquare();
    SetMap();
    for (Rgb colour :
         {Rgb{0, 0, 128}, Rgb{128, 128, 128}, Rgb{255, 255, 255}, Rgb{0, 0, 0}, Rgb{0, 0, 128}}) {
        EXPECT_EQ(Keys("b"), "");
        Show();
        EXPECT_TRUE(Near(At(5, 5), colour, 1));
    }
}

// `actual` against GL's own model-view matrix, from its element `first` on.
void ExpectGlMatrix(const GLfloat* actual, int first = 0, int count = 16) {
    GLfloat expected[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, expected);
    for (int i = 0; i < count; ++i)
        EXPECT_NEAR(actual[i], expected[first + i], 1e-4) << "element " << first + i;
}

// Left drags rotate the object and middle and right drags pan and zoom it, in eye space, as GL's
// own stack composes them; a left drag begun with Ctrl turns the light about the object's centre
// instead, and r puts both back. No window draws here: GL's stack is the test's.
TEST_F(Input, DragsMoveTheObjectOrWithCtrlTheLightAndRPutsThemBack) {
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(gViewMat);
    // (30, -10) pixels: -3 degrees about x, 9 about y.
    MouseUpDown(GLUT_LEFT_BUTTON, GLUT_DOWN, 100, 100);
    MouseMove(130, 90);
    MouseUpDown(GLUT_LEFT_BUTTON, GLUT_UP, 130, 90);
    glRotatef(-3, 1, 0, 0);
    glRotatef(9, 0, 1, 0);
    ExpectGlMatrix(gViewMat);

    // Pan by (2, -1, 0) and zoom by (0, 0, 3) in the eye, whatever the object's rotation; no
    // move with the buttons up.
    MouseUpDown(GLUT_MIDDLE_BUTTON, GLUT_DOWN, 0, 0);
    MouseUpDown(GLUT_RIGHT_BUTTON, GLUT_DOWN, 0, 0);
    MouseMove(20, 10);
    MouseUpDown(GLUT_MIDDLE_BUTTON, GLUT_UP, 20, 10);
    MouseUpDown(GLUT_RIGHT_BUTTON, GLUT_UP, 20, 10);
    MouseMove(200, 200);
    GLfloat view[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, view);
    glLoadIdentity();
    glTranslatef(2, -1, 3);
    glMultMatrixf(view);
    ExpectGlMatrix(gViewMat);

    // The object's centre is now at (2, -1, -62) in the eye, and stays there.
    std::memcpy(view, gViewMat, sizeof view);
    gLeftMovesLight = true;
    MouseUpDown(GLUT_LEFT_BUTTON, GLUT_DOWN, 100, 100);
    MouseMove(130, 90);
    EXPECT_EQ(std::memcmp(view, gViewMat, sizeof view), 0) << "the object turned";
    glLoadIdentity();
    glTranslatef(2, -1, -62);
    glRotatef(9, 0, 1, 0);
    glRotatef(-3, 1, 0, 0);
    glTranslatef(-2, 1, 62);
    ExpectGlMatrix(gLightpos, 12, 3);

    // rvfrender's tests reset the view with r between their states.
    EXPECT_EQ(Keys("r"), "");
    EXPECT_EQ(std::vector<GLfloat>(gLightpos, gLightpos + 4), std::vector<GLfloat>({0, 0, 0, 1}));
}

}  // namespace
