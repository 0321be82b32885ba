// RVFView: shows a normal-mapped mesh in one window. The mesh and the map come from the two
// command-line arguments or from the file choosers.
#include "viewer/RVFView.h"

#include <GL/freeglut.h>

#include <cstdio>

#include "platform/Progress.h"

int main(int argc, char** argv) {
    // Console lines appear as they happen, also in a pipe or a file.
    setvbuf(stdout, nullptr, _IOLBF, 0);
    ProgressInit("RVFView", kProgressPlainLines);
    PrintKeyHelp();

    // Loading comes before the window and touches no GL state.
    if (argc == 3) {
        if (!LoadObjectFile(argv[1])) ChooseUntilLoaded(GetRVFFileName, LoadObjectFile);
        if (!LoadTextureFile(argv[2])) ChooseUntilLoaded(GetTextureFileName, LoadTextureFile);
    } else {
        LoadNewObjectAndMap();
    }

    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(gWidth, gHeight);
    glutCreateWindow("RVF Viewer");
    checkExtensions();

    glutDisplayFunc(Display);
    glutReshapeFunc(Reshape);
    glutKeyboardFunc(KeyFunc);
    glutMotionFunc(MouseMove);
    glutMouseFunc(MouseUpDown);

    StateInit();
    ObjectInit();
    TextureInit();
    MatrixInit();
    glutMainLoop();
    return 0;
}
