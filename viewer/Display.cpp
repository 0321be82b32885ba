// The GLUT display callback: the frame drawn, then shown.
#include <GL/freeglut.h>

#include "viewer/RVFView.h"

void Display() {
    DrawFrame();
    glutSwapBuffers();
}
