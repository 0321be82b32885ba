// Keyboard and mouse: the handlers change the view state and ask for a redisplay.
#include <GL/freeglut.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "viewer/RVFView.h"

namespace {

// The eye-space vector v in the object's coordinates.
void EyeToObject(const GLfloat* v, GLfloat* o) {
    GLfloat m[16];
    matrixInvert(gViewMat, m);
    vecMat3x3Mult(v, m, o);
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

void CycleBackground() {
    static int background = 0;
    switch (background) {
        case 1:
            glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
            break;
        case 2:
            glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
            break;
        case 3:
            glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
            break;
        default:
            glClearColor(0.0f, 0.0f, 0.5f, 1.0f);
            break;
    }
    background = (background + 1) % 4;
}

}  // namespace

void KeyFunc(unsigned char key, int, int) {
    switch (tolower(key)) {
        case 'a':
            CycleViewMode();
            break;
        case 'b':
            CycleBackground();
            break;
        case 'c':
            gInTangentSpace = !gInTangentSpace;
            printf(gInTangentSpace ? "Converting light into tangent space\n"
                                   : "Not converting light into tangent space\n");
            break;
        case 'l':
            LoadNewObjectAndMap();
            ObjectInit();
            TextureInit();
            break;
        case 'n':
            gShowNormals = !gShowNormals;
            break;
        case 'r':
            MatrixInit();
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

void MouseMove(int x, int y) {
    GLfloat v[3], o[3];
    if (gLeftDown) {
        v[0] = static_cast<GLfloat>(y - gLeftY) * 0.3f;
        v[1] = static_cast<GLfloat>(x - gLeftX) * 0.3f;
        v[2] = 0.0f;
        EyeToObject(v, o);
        matrixRotate(gViewMat, o[0], 0);
        matrixRotate(gViewMat, o[1], 1);
        matrixRotate(gViewMat, o[2], 2);
        gLeftX = x;
        gLeftY = y;
        glutPostRedisplay();
    }
    if (gMiddleDown) {
        v[0] = static_cast<GLfloat>(x - gMiddleX) * 0.1f;
        v[1] = static_cast<GLfloat>(y - gMiddleY) * -0.1f;
        v[2] = 0.0f;
        EyeToObject(v, o);
        matrixTranslate(gViewMat, o);
        gMiddleX = x;
        gMiddleY = y;
        glutPostRedisplay();
    }
    if (gRightDown) {
        v[0] = 0.0f;
        v[1] = 0.0f;
        v[2] = static_cast<GLfloat>(x - gRightX) * 0.1f + static_cast<GLfloat>(y - gRightY) * 0.1f;
        EyeToObject(v, o);
        matrixTranslate(gViewMat, o);
        gRightX = x;
        gRightY = y;
        glutPostRedisplay();
    }
}
