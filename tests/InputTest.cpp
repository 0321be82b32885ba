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

TEST_F(Input, KeysPrintTheirWordsAndFlipTheirSwitches) {
    const struct {
        int startMode;
        KivBitmapFormatEnum format;
        const char* keys;
        const char* printed;
        int endMode;
    } rows[] = {
        {0, KIV_BITMAP_FORMAT_8888, "aaaa",
         "Normal map.\nVertex lighting.\nAlpha.\nDiffuse lit normal map.\n", 0},
        {0, KIV_BITMAP_FORMAT_888, "AAAa",
         "Normal map.\nVertex lighting.\nDiffuse lit normal map.\nNormal map.\n", 1},
        {-6, KIV_BITMAP_FORMAT_888, "a", "Diffuse lit normal map.\n", 0},
        {2, KIV_BITMAP_FORMAT_888, "cC",
         "Not converting light into tangent space\nConverting light into tangent space\n", 2},
    };
    for (const auto& row : rows) {
        gViewMode = row.startMode;
        gTexInfo.format = row.format;
        EXPECT_EQ(Keys(row.keys), row.printed) << row.keys;
        EXPECT_EQ(gViewMode, row.endMode) << row.keys;
    }
    EXPECT_EQ(Keys("c"), "Not converting light into tangent space\n");
    EXPECT_FALSE(gInTangentSpace);
    EXPECT_EQ(Keys("nwtx!"), "");
    EXPECT_TRUE(gShowNormals && gWireframe && gShowTanCoord);
    EXPECT_EQ(Keys("NWT"), "");
    EXPECT_FALSE(gShowNormals || gWireframe || gShowTanCoord);
}

TEST_F(Input, EngineViewKeyTogglesItAndAStepsThroughWhatItShows) {
    gViewMode = 0;
    EXPECT_EQ(Keys("eaaaaaaaEa"),
              "Engine view: lit (Lambert).\n"
              "Engine view: lit, with a Blinn highlight.\n"
              "Engine view: mapped normal as colour (object space).\n"
              "Engine view: tangent as colour.\n"
              "Engine view: bitangent as colour.\n"
              "Engine view: vertex normal as colour.\n"
              "Engine view: basis disagreement, own against MikkTSpace.\n"
              "Angle between the normals the map gives in the two bases: grey 0, blue 1, green 5, yellow 15, "
              "red 45 degrees or more.\n"
              "Engine view: lit (Lambert).\n"
              "Engine view off.\n"
              "Normal map.\n");
    EXPECT_FALSE(gEngineView);
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

// A move in eye space, then `start`, then rotations about x, y, z by `angles` degrees, as GL's
// own stack makes it.
void ExpectGlProduct(const GLfloat* eyeMove, const GLfloat* start, const GLfloat* angles) {
    GLfloat expected[16];
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(eyeMove[0], eyeMove[1], eyeMove[2]);
    glMultMatrixf(start);
    for (int axis = 0; axis < 3; ++axis) glRotatef(angles[axis], axis == 0, axis == 1, axis == 2);
    glGetFloatv(GL_MODELVIEW_MATRIX, expected);
    glPopMatrix();
    for (int i = 0; i < 16; ++i) EXPECT_NEAR(gViewMat[i], expected[i], 1e-4) << "element " << i;
}

TEST_F(Input, DragsRotatePanAndZoomInEyeSpace) {
    const GLfloat none[3] = {0, 0, 0}, angles[3] = {-3, 9, 0};
    GLfloat start[16];
    std::memcpy(start, gViewMat, sizeof start);
    // Left drag by (30, -10) pixels: -3 degrees about x, 9 about y.
    MouseUpDown(GLUT_LEFT_BUTTON, GLUT_DOWN, 100, 100);
    MouseMove(130, 90);
    ExpectGlProduct(none, start, angles);
    MouseUpDown(GLUT_LEFT_BUTTON, GLUT_UP, 130, 90);

    // Pan by (2, -1, 0) and zoom by (0, 0, 3) in the eye, whatever the object's rotation.
    std::memcpy(start, gViewMat, sizeof start);
    MouseUpDown(GLUT_MIDDLE_BUTTON, GLUT_DOWN, 0, 0);
    MouseUpDown(GLUT_RIGHT_BUTTON, GLUT_DOWN, 0, 0);
    MouseMove(20, 10);
    const GLfloat eyeMove[3] = {2, -1, 3};
    ExpectGlProduct(eyeMove, start, none);

    MouseUpDown(GLUT_MIDDLE_BUTTON, GLUT_UP, 20, 10);
    MouseUpDown(GLUT_RIGHT_BUTTON, GLUT_UP, 20, 10);
    std::memcpy(start, gViewMat, sizeof start);
    MouseMove(200, 200);
    EXPECT_EQ(std::memcmp(start, gViewMat, sizeof start), 0) << "moved with the buttons up";

    EXPECT_EQ(Keys("r"), "");
    const GLfloat startUp[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -65, 1};
    EXPECT_EQ(std::memcmp(gViewMat, startUp, sizeof startUp), 0);
}

// A left drag begun with Ctrl turns the light about the object's centre as GL's own stack turns
// a point, -3 degrees about the screen's x axis, then 9 about its y; the object stays.
TEST_F(Input, CtrlDragMovesTheLightAroundTheObjectAndRPutsItBack) {
    DragPan(2, -1);
    DragRotate(20, 30);
    GLfloat view[16];
    std::memcpy(view, gViewMat, sizeof view);
    gLeftMovesLight = true;
    MouseUpDown(GLUT_LEFT_BUTTON, GLUT_DOWN, 100, 100);
    MouseMove(130, 90);
    MouseUpDown(GLUT_LEFT_BUTTON, GLUT_UP, 130, 90);
    EXPECT_EQ(std::memcmp(view, gViewMat, sizeof view), 0) << "the object turned";

    GLfloat expected[16];
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(2, -1, -65);
    glRotatef(9, 0, 1, 0);
    glRotatef(-3, 1, 0, 0);
    glTranslatef(-2, 1, 65);
    glGetFloatv(GL_MODELVIEW_MATRIX, expected);
    glPopMatrix();
    for (int k = 0; k < 3; ++k) EXPECT_NEAR(gLightpos[k], expected[12 + k], 1e-4) << "axis " << k;

    Keys("r");
    EXPECT_EQ(std::vector<GLfloat>(gLightpos, gLightpos + 4), std::vector<GLfloat>({0, 0, 0, 1}));
}

}  // namespace
