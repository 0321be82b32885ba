// What one rvfrender run draws: the files, the viewer state to draw them in and the picture
// size, read from the command line. Nothing here touches GL.
#ifndef TOOLS_RVFRENDER_RENDEROPTIONS_H
#define TOOLS_RVFRENDER_RENDEROPTIONS_H

#include <string>

#include "viewer/RVFView.h"

struct RenderOptions {
    const char* mesh = nullptr;  // the operands
    const char* map = nullptr;   // null: the map the mesh names
    const char* out = nullptr;
    int mode = 0;  // gViewMode, 0 to 3
    bool wireframe = false;
    bool normals = false;
    bool tangents = false;
    bool objectSpace = false;           // light vectors left in object space (the viewer's "c" key)
    int background = kBackgroundBlack;  // gBackground
    int basis = kBasisOwn;              // gBasis
    bool flipGreen = false;             // gGreenDown
    int width = 512;                    // the viewer's window
    int height = 512;
    float rotate[2] = {0.0f, 0.0f};  // degrees about the screen's x and y axes, one left-button drag
    float pan[2] = {0.0f, 0.0f};     // eye units right and up, one middle-button drag
    float zoom = 0.0f;               // eye units towards the viewer, one right-button drag
    bool engine = false;             // the engine view (the viewer's "e" key)
    int show = kShowLit;             // what it shows, gEngineShow
    bool light = false;              // lightPosition was given
    float lightPosition[3] = {0.0f, 0.0f, 0.0f};  // gLightpos, eye coordinates

    std::string reference;  // the picture to compare with, or empty
    int threshold = 0;      // the largest difference allowed in a channel, 0 to 255
    std::string diff;       // where the differences go as a picture, or empty
    bool help = false;
    bool version = false;
};

// The usage text that --help prints.
extern const char kRenderUsage[];

// Parses argv[1..argc-1]. Returns false after printing a usage error when the command line
// cannot be obeyed; *status then holds the exit status. With `help` set the operands are not
// required.
bool ParseRenderOptions(int argc, char** argv, RenderOptions* options, int* status);

#endif
