// One frame, drawn on demand from the view state, in steps that the benchmarks also time one by
// one. Nothing here needs the window toolkit, so the same drawing also runs in an off-screen
// context.
#include <GL/glu.h>

#include "viewer/RVFView.h"

void DrawFrame() {
    GLfloat worldLightPos[3];
    FrameLightVectors(worldLightPos);
    FrameView();
    FrameObject(worldLightPos);
    FrameOverlays();
    glFinish();
}

void FrameLightVectors(GLfloat* worldLightPos) {
    // The light, carried from eye space into the object's own coordinates.
    GLfloat m[16];
    matrixInvert(gViewMat, m);
    vecMatMult(gLightpos, m, worldLightPos);
    if (!gEngineView || gWireframe) ComputeLightVectors(worldLightPos, gInTangentSpace);
}

void FrameView() {
    PrintError("Display");
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glViewport(0, 0, gWidth, gHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    // A window shrunk to no height keeps a finite aspect ratio.
    GLint height = (gHeight > 0) ? gHeight : 1;
    gluPerspective(static_cast<double>(gFov), static_cast<double>(gWidth) / static_cast<double>(height),
                   static_cast<double>(gClipNear), static_cast<double>(gClipFar));
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glLoadMatrixf(gViewMat);
}

void FrameObject(GLfloat* worldLightPos, void (*draw)(bool withColor)) {
    if (gWireframe) {
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        glColor3f(1.0f, 1.0f, 1.0f);
        draw(false);
        return;
    }
    if (gViewMode < 0 || gViewMode > 3) gViewMode = 0;
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    if (gEngineView) {
        if (EngineViewReady() && DrawEngineObject(worldLightPos, draw)) return;
        gEngineView = false;
        // Step 1 left them out for the engine view.
        ComputeLightVectors(worldLightPos, gInTangentSpace);
    }
    switch (gViewMode) {
        case 0:
            SetupBumpState();
            draw(true);
            ClearBumpState();
            break;
        case 1:
            SetupNormalMapState();
            draw(false);
            ClearNormalMapState();
            break;
        case 2:
            SetupLightState(worldLightPos);
            glColor3f(1.0f, 1.0f, 1.0f);
            draw(false);
            ClearLightState();
            break;
        default:
            SetupAlphaState();
            glColor3f(1.0f, 1.0f, 1.0f);
            draw(false);
            ClearAlphaState();
            break;
    }
}

void FrameOverlays() {
    if (gShowNormals) {
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        glColor3f(1.0f, 0.0f, 0.0f);
        DrawNormal(0.5);
    }
    if (gShowTanCoord) {
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
        glColor3f(0.0f, 0.0f, 1.0f);
        DrawTangent(0.4f);
        glColor3f(0.0f, 1.0f, 0.0f);
        DrawBinormal(0.4f);
    }
}
