// What one rvfrender run draws: the files, the viewer state to draw them in and the picture
// size, read from the command line. Nothing here touches GL.
#ifndef TOOLS_RVFRENDER_RENDEROPTIONS_H
#define TOOLS_RVFRENDER_RENDEROPTIONS_H

#include <string>

// Exit statuses: success, a frame that could not be made, a command line that cannot be obeyed.
enum { kExitOk = 0, kExitFailure = 1, kExitUsage = 2 };

// The viewer's clear colours: the start-up black, then those its "b" key steps through.
enum Background { kBackgroundBlack, kBackgroundBlue, kBackgroundGrey, kBackgroundWhite };

struct RenderOptions {
    const char* mesh = nullptr;  // the three operands
    const char* map = nullptr;
    const char* out = nullptr;
    int mode = 0;  // gViewMode, 0 to 3
    bool wireframe = false;
    bool normals = false;
    bool tangents = false;
    bool objectSpace = false;  // light vectors left in object space (the viewer's "c" key)
    Background background = kBackgroundBlack;
    int width = 512;  // the viewer's window
    int height = 512;
    float rotate[2] = {0.0f, 0.0f};  // degrees about the screen's x and y axes, one left-button drag
    float pan[2] = {0.0f, 0.0f};     // eye units right and up, one middle-button drag
    float zoom = 0.0f;               // eye units towards the viewer, one right-button drag
    bool help = false;
};

// The usage text that --help prints.
extern const char kRenderUsage[];

// Parses argv[1..argc-1]. False with the reason in *error when the command line cannot be
// obeyed; with `help` set the operands are not required.
bool ParseRenderOptions(int argc, char** argv, RenderOptions* options, std::string* error);

// The clear colour (red, green, blue, alpha) the viewer uses for `background`.
void BackgroundColour(Background background, float rgba[4]);

// Moves the 16-float view matrix `view` as one viewer drag event with every button held:
// rotation (degrees about the screen's x and y axes), then panning, then zoom, each eye-space
// vector carried into the object's coordinates first.
void ApplyDrags(float* view, const float rotate[2], const float pan[2], float zoom);

#endif
