// The GLUT display callback: the frame drawn, saved when a screenshot was asked for, then shown.
#include <GL/freeglut.h>

#include "viewer/RVFView.h"

void Display() {
    DrawFrame();
    SaveAskedScreenshot();
    glutSwapBuffers();
}
