// Keyboard and mouse: the handlers change the view state and ask for a redisplay.
#include <GL/freeglut.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "viewer/RVFView.h"

namespace {

// In the engine view: the next thing it shows.
void CycleEngineShow() {
    gEngineShow = (gEngineShow + 1) % kShowCount;
    PrintEngineShow();
}

void ToggleEngineView() {
    if (gEngineView) {
        gEngineView = false;
        printf("Engine view off.\n");
    } else if (EngineViewReady()) {
        gEngineView = true;
        PrintEngineShow();
    }
}

void CycleViewMode() {
    gViewMode = (gViewMode + 1) % 4;
    switch (gViewMode) {
        case 1:
            printf("Normal map.\n");
            return;
        case 2:
            printf("Vertex lighting.\n");
            return;
        case 3:
            if (gTexInfo.format == KIV_BITMAP_FORMAT_8888) {
                printf("Alpha.\n");
                return;
            }
            break;
        default:
            break;
    }
    gViewMode = 0;
    printf("Diffuse lit normal map.\n");
}

// Welds the mesh in the next tangent basis and shows it, passing over the file's tangents when
// the mesh has none; on failure the basis stays.
void CycleBasis() {
    int next = (gBasis + 1) % kBasisCount;
    if (next == kBasisFile && gFileTangents == nullptr) next = kBasisOwn;
    if (!WeldInBasis(next)) return;
    ObjectInit();
    printf("Tangent basis: %s\n", BasisTitle(gBasis));
}

}  // namespace

void KeyFunc(unsigned char key, int, int) {
    switch (tolower(key)) {
        case 'a':
            if (gEngineView)
                CycleEngineShow();
            else
                CycleViewMode();
            break;
        case 'b':
            SetBackground((gBackground + 1) % kBackgroundCount);
            break;
        case 'c':
            gInTangentSpace = !gInTangentSpace;
            printf(gInTangentSpace ? "Converting light into tangent space\n"
                                   : "Not converting light into tangent space\n");
            break;
        case 'e':
            ToggleEngineView();
            break;
        case 'g':
            gGreenDown = !gGreenDown;
            printf(gGreenDown ? "Green down (-Y)\n" : "Green up (+Y)\n");
            TextureInit();
            break;
        case 'l':
            if (ChooseObjectAndMapKeepingCurrent()) {
                ObjectInit();
                TextureInit();
                PrintLoadSummary();
            }
            break;
        case 'n':
            gShowNormals = !gShowNormals;
            break;
        case 'r':
            MatrixInit();
            LightInit();
            break;
        case 's':
            CycleBasis();
            break;
        case 't':
            gShowTanCoord = !gShowTanCoord;
            break;
        case 'w':
            gWireframe = !gWireframe;
            break;
        case 27:
        case 'q':
            exit(0);
        default:
            break;
    }
    glutPostRedisplay();
}

void SpecialKeyFunc(int key, int, int) {
    switch (key) {
        case GLUT_KEY_F5:
            ReloadObjectAndMap();
            break;
        case GLUT_KEY_F12:
            gScreenshotAsked = true;
            break;
        default:
            break;
    }
    glutPostRedisplay();
}

void MouseUpDown(int button, int state, int x, int y) {
    GLint* px;
    GLint* py;
    GLuint* down;
    switch (button) {
        case GLUT_LEFT_BUTTON:
            px = &gLeftX, py = &gLeftY, down = &gLeftDown;
            break;
        case GLUT_MIDDLE_BUTTON:
            px = &gMiddleX, py = &gMiddleY, down = &gMiddleDown;
            break;
        case GLUT_RIGHT_BUTTON:
            px = &gRightX, py = &gRightY, down = &gRightDown;
            break;
        default:
            return;
    }
    if (state == GLUT_DOWN) {
        *down = 1;
        *px = x;
        *py = y;
    } else if (state == GLUT_UP) {
        *down = 0;
    }
}

void MouseButtonFunc(int button, int state, int x, int y) {
    if (button == GLUT_LEFT_BUTTON && state == GLUT_DOWN)
        gLeftMovesLight = (glutGetModifiers() & GLUT_ACTIVE_CTRL) != 0;
    MouseUpDown(button, state, x, y);
}

void MouseMove(int x, int y) {
    if (gLeftDown) {
        const GLfloat aboutX = static_cast<GLfloat>(y - gLeftY) * 0.3f;
        const GLfloat aboutY = static_cast<GLfloat>(x - gLeftX) * 0.3f;
        if (gLeftMovesLight)
            DragLight(aboutX, aboutY);
        else
            DragRotate(aboutX, aboutY);
        gLeftX = x;
        gLeftY = y;
        glutPostRedisplay();
    }
    if (gMiddleDown) {
        DragPan(static_cast<GLfloat>(x - gMiddleX) * 0.1f, static_cast<GLfloat>(y - gMiddleY) * -0.1f);
        gMiddleX = x;
        gMiddleY = y;
        glutPostRedisplay();
    }
    if (gRightDown) {
        DragZoom(static_cast<GLfloat>(x - gRightX) * 0.1f + static_cast<GLfloat>(y - gRightY) * 0.1f);
        gRightX = x;
        gRightY = y;
        glutPostRedisplay();
    }
}
