#include <cstdio>
#include <string>

#include "tests/TestFiles.h"
#include "tests/ViewerWindow.h"

namespace {

typedef ViewerWindow Input;

std::string Keys(const char* keys) {
    CaptureStdout();
    for (const char* k = keys; *k != '\0'; ++k) KeyFunc(static_cast<unsigned char>(*k), 0, 0);
    return CapturedStdout();
}

TEST_F(Input, ModeCycleSkipsAlphaWithoutAnAlphaChannel) {
    gTexInfo.format = KIV_BITMAP_FORMAT_8888;
    EXPECT_EQ(Keys("aaaa"), "Normal map.\nVertex lighting.\nAlpha.\nDiffuse lit normal map.\n");
    EXPECT_EQ(gViewMode, 0);
    gTexInfo.format = KIV_BITMAP_FORMAT_888;
    EXPECT_EQ(Keys("AAAa"), "Normal map.\nVertex lighting.\nDiffuse lit normal map.\nNormal map.\n");
    EXPECT_EQ(gViewMode, 1);
    gViewMode = -6;
    EXPECT_EQ(Keys("a"), "Diffuse lit normal map.\n");
    EXPECT_EQ(gViewMode, 0);
}

TEST_F(Input, TogglesPrintOnlyTheTangentSpaceSwitch) {
    EXPECT_EQ(Keys("cC"), "Not converting light into tangent space\nConverting light into tangent space\n");
    EXPECT_TRUE(gInTangentSpace);
    EXPECT_EQ(Keys("nwtx!"), "");
    EXPECT_TRUE(gShowNormals && gWireframe && gShowTanCoord);
    EXPECT_EQ(Keys("NWT"), "");
    EXPECT_FALSE(gShowNormals || gWireframe || gShowTanCoord);
}

TEST_F(Input, BackgroundCyclesBlueGreyWhiteBlack) {
    SetSquare();
    SetFlatMap();
    const Rgb expected[5] = {{0, 0, 128}, {128, 128, 128}, {255, 255, 255}, {0, 0, 0}, {0, 0, 128}};
    for (const Rgb& colour : expected) {
        EXPECT_EQ(Keys("b"), "");
        Show();
        EXPECT_TRUE(Near(At(5, 5), colour, 1));
    }
}

// gViewMat after the GL matrix stack applies `rotations` (angle, axis) and a translation.
void GlProduct(const GLfloat* start, const GLfloat* angles, const GLfloat* move, GLfloat* out) {
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadMatrixf(start);
    glRotatef(angles[0], 1, 0, 0);
    glRotatef(angles[1], 0, 1, 0);
    glRotatef(angles[2], 0, 0, 1);
    glTranslatef(move[0], move[1], move[2]);
    glGetFloatv(GL_MODELVIEW_MATRIX, out);
    glPopMatrix();
}

void ExpectMatrixNear(const GLfloat* actual, const GLfloat* expected) {
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(actual[i], expected[i], 1e-4) << "element " << i;
}

TEST_F(Input, DragsRotatePanAndZoomInEyeSpace) {
    const GLfloat none[3] = {0, 0, 0};
    GLfloat start[16], expected[16];
    std::memcpy(start, gViewMat, sizeof start);

    // Left drag by (30, -10) pixels from the start-up view: -3 degrees about x, 9 about y.
    MouseUpDown(GLUT_LEFT_BUTTON, GLUT_DOWN, 100, 100);
    MouseMove(130, 90);
    const GLfloat angles[3] = {-3.0f, 9.0f, 0.0f};
    GlProduct(start, angles, none, expected);
    ExpectMatrixNear(gViewMat, expected);
    EXPECT_EQ(gLeftX, 130);
    EXPECT_EQ(gLeftY, 90);
    MouseUpDown(GLUT_LEFT_BUTTON, GLUT_UP, 130, 90);

    // Middle and right drags on the rotated view: eye-space moves carried into the object by
    // the transpose of the rotation.
    std::memcpy(start, gViewMat, sizeof start);
    MouseUpDown(GLUT_MIDDLE_BUTTON, GLUT_DOWN, 0, 0);
    MouseUpDown(GLUT_RIGHT_BUTTON, GLUT_DOWN, 0, 0);
    MouseMove(20, 10);
    const GLfloat eye[3] = {2.0f, -1.0f, 3.0f};  // pan (2, -1, 0) then zoom (0, 0, 3)
    GLfloat object[3];
    for (int j = 0; j < 3; ++j)
        object[j] = start[4 * j] * eye[0] + start[4 * j + 1] * eye[1] + start[4 * j + 2] * eye[2];
    GlProduct(start, none, object, expected);
    ExpectMatrixNear(gViewMat, expected);

    // Nothing moves once the buttons are up.
    MouseUpDown(GLUT_MIDDLE_BUTTON, GLUT_UP, 20, 10);
    MouseUpDown(GLUT_RIGHT_BUTTON, GLUT_UP, 20, 10);
    std::memcpy(start, gViewMat, sizeof start);
    MouseMove(200, 200);
    EXPECT_EQ(std::memcmp(start, gViewMat, sizeof start), 0);

    EXPECT_EQ(Keys("r"), "");
    GLfloat startUp[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -65, 1};
    EXPECT_EQ(std::memcmp(gViewMat, startUp, sizeof startUp), 0);
}

int LiveTextures() {
    int live = 0;
    for (GLuint name = 1; name < 256; ++name) live += glIsTexture(name) ? 1 : 0;
    return live;
}

TEST_F(Input, ReloadAsksForBothFilesAndKeepsOneTexture) {
    SetSquare();
    SetFlatMap();
    SetFlatMap();
    ASSERT_EQ(LiveTextures(), 1);
    gViewMode = 2;
    gWireframe = true;
    gViewMat[12] = 7.0f;

    char answers[] = "/tmp/rvfview_answers_XXXXXX";
    int fd = mkstemp(answers);
    ASSERT_GE(fd, 0);
    std::string paths = RVF_SAMPLES_DIR "/torus.rvf\n" RVF_SAMPLES_DIR "/torus_normals.tga\n";
    ASSERT_EQ(write(fd, paths.data(), paths.size()), static_cast<ssize_t>(paths.size()));
    close(fd);
    ASSERT_NE(freopen(answers, "r", stdin), nullptr);
    setenv("PATH", "/nonexistent", 1);  // no desktop dialog: the console chooser answers
    EXPECT_EQ(Keys("L"), "Select Relievo Data File (.rvf)\nSelect Normal Map Texture (.tga)\n");
    unlink(answers);

    EXPECT_EQ(gNumTris, 4096);
    EXPECT_EQ(KivBitmapFormatEnum{gTexInfo.format}, KIV_BITMAP_FORMAT_8888);  // a copy: the field is packed
    EXPECT_EQ(LiveTextures(), 1);
    EXPECT_TRUE(glIsTexture(gTextureID));
    EXPECT_EQ(gViewMode, 2);
    EXPECT_TRUE(gWireframe);
    EXPECT_EQ(gViewMat[12], 7.0f);
}

}  // namespace
