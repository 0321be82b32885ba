// Keyboard and mouse: the handlers change the view state and ask for a redisplay.
#include <GL/freeglut.h>

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "viewer/RVFView.h"

namespace {

// a = a * b for column-major 4 x 4 matrices.
void MultiplyInPlace(GLfloat* a, const GLfloat* b) {
    GLfloat r[16];
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) {
            GLfloat sum = 0.0f;
            for (int k = 0; k < 4; ++k) sum += a[4 * k + row] * b[4 * c + k];
            r[4 * c + row] = sum;
        }
    for (int i = 0; i < 16; ++i) a[i] = r[i];
}

// gViewMat * R, R the right-handed rotation by `degrees` about the coordinate axis `axis`.
void RotateView(GLfloat degrees, int axis) {
    double radians = degrees * (M_PI / 180.0);
    GLfloat c = static_cast<GLfloat>(std::cos(radians));
    GLfloat s = static_cast<GLfloat>(std::sin(radians));
    int i = (axis + 1) % 3;  // the plane turned: i towards j
    int j = (axis + 2) % 3;
    GLfloat r[16];
    matrixIdentity(r);
    r[4 * i + i] = c;
    r[4 * i + j] = s;
    r[4 * j + i] = -s;
    r[4 * j + j] = c;
    MultiplyInPlace(gViewMat, r);
}

// gViewMat * T(o).
void TranslateView(const GLfloat* o) {
    GLfloat t[16];
    matrixIdentity(t);
    t[12] = o[0];
    t[13] = o[1];
    t[14] = o[2];
    MultiplyInPlace(gViewMat, t);
}

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
        RotateView(o[0], 0);
        RotateView(o[1], 1);
        RotateView(o[2], 2);
        gLeftX = x;
        gLeftY = y;
        glutPostRedisplay();
    }
    if (gMiddleDown) {
        v[0] = static_cast<GLfloat>(x - gMiddleX) * 0.1f;
        v[1] = static_cast<GLfloat>(y - gMiddleY) * -0.1f;
        v[2] = 0.0f;
        EyeToObject(v, o);
        TranslateView(o);
        gMiddleX = x;
        gMiddleY = y;
        glutPostRedisplay();
    }
    if (gRightDown) {
        v[0] = 0.0f;
        v[1] = 0.0f;
        v[2] = static_cast<GLfloat>(x - gRightX) * 0.1f + static_cast<GLfloat>(y - gRightY) * 0.1f;
        EyeToObject(v, o);
        TranslateView(o);
        gRightX = x;
        gRightY = y;
        glutPostRedisplay();
    }
}
