#include "tools/rvfrender/RenderOptions.h"

#include <strings.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/common/CommandLine.h"

const char kRenderUsage[] =
    "Usage: rvfrender [OPTIONS] MESH.rvf MAP.tga OUT.png\n"
    "\n"
    "Draws one frame of MESH.rvf with the normal map MAP.tga as RVFView draws it, in an\n"
    "off-screen Mesa context (no window, no display), and writes it to OUT.png (a PNG file,\n"
    "so its name ends in .png).\n"
    "\n"
    "Options:\n"
    "  --mode MODE          shading mode: 0 or diffuse (diffuse lit normal map, the default),\n"
    "                       1 or normal-map, 2 or vertex (vertex lighting), 3 or alpha (the\n"
    "                       map's alpha channel; needs a 32-bit map)\n"
    "  --wireframe          the white wire-frame instead of the shaded object\n"
    "  --normals            a red line along each vertex normal\n"
    "  --tangents           a blue line along each tangent, a green one along each binormal\n"
    "  --object-space       light vectors left in object space (the viewer's \"c\" key)\n"
    "  --background COLOUR  black (the start-up colour), blue, grey or white\n"
    "  --size WxH           picture size in pixels (default 512x512, the viewer's window)\n"
    "  --rotate X,Y         turn the object X degrees about the screen's x axis and Y degrees\n"
    "                       about its y axis, as a left-button drag of the viewer does\n"
    "  --pan X,Y            move the object X units right and Y units up (middle button)\n"
    "  --zoom Z             bring the object Z units nearer, or farther when negative (right\n"
    "                       button); the object is 50 units across, 65 units away\n"
    "  -h, --help           this text\n"
    "  --version            the version\n"
    "\n"
    "Drags apply in the viewer's order: rotation, panning, zoom.\n"
    "Exit status: 0 on success, 1 when the frame could not be made, 2 for a command line that\n"
    "cannot be obeyed. OUT.png appears only when complete.\n";

namespace {

// Larger pictures than this are refused before anything is allocated.
const int kMaxSide = 16384;

struct Name {
    const char* name;
    int value;
};

const Name kModes[] = {{"0", 0},       {"1", 1},          {"2", 2},      {"3", 3},
                       {"diffuse", 0}, {"normal-map", 1}, {"vertex", 2}, {"alpha", 3}};
const Name kBackgrounds[] = {{"black", kBackgroundBlack},
                             {"blue", kBackgroundBlue},
                             {"grey", kBackgroundGrey},
                             {"gray", kBackgroundGrey},
                             {"white", kBackgroundWhite}};

template <size_t N>
bool FindName(const Name (&names)[N], const char* text, int* value) {
    for (const Name& n : names)
        if (std::strcmp(n.name, text) == 0) {
            *value = n.value;
            return true;
        }
    return false;
}

// A finite float that fills the whole of `text`.
bool ParseFloat(const char* text, float* value) {
    char* end = nullptr;
    float f = std::strtof(text, &end);
    if (end == text || *end != '\0' || !std::isfinite(f)) return false;
    *value = f;
    return true;
}

// "X,Y" as two finite floats.
bool ParsePair(const char* text, float pair[2]) {
    const char* comma = std::strchr(text, ',');
    if (comma == nullptr) return false;
    std::string first(text, static_cast<size_t>(comma - text));
    return ParseFloat(first.c_str(), &pair[0]) && ParseFloat(comma + 1, &pair[1]);
}

// A decimal side length from 1 to kMaxSide that ends at `stop`.
bool ParseSide(const char* text, char stop, const char** end, int* side) {
    long value = 0;
    const char* p = text;
    while (*p >= '0' && *p <= '9' && value <= kMaxSide) value = value * 10 + (*p++ - '0');
    if (p == text || *p != stop || value < 1 || value > kMaxSide) return false;
    *end = p;
    *side = static_cast<int>(value);
    return true;
}

// "WxH".
bool ParseSize(const char* text, int* width, int* height) {
    const char* end = nullptr;
    return ParseSide(text, 'x', &end, width) && ParseSide(end + 1, '\0', &end, height);
}

const char* const kKnownOptions[] = {"--mode=",    "--background=",  "--size=",     "--rotate=",
                                     "--pan=",     "--zoom=",        "--wireframe", "--normals",
                                     "--tangents", "--object-space", nullptr};

}  // namespace

bool ParseRenderOptions(int argc, char** argv, RenderOptions* options, int* status) {
    *options = RenderOptions();
    CommandLine line;
    if (!ParseCommandLine(nullptr, argc, argv, kKnownOptions, &line, status)) return false;
    for (std::size_t i = 0; i < line.optionNames.size(); ++i) {
        const std::string& name = line.optionNames[i];
        const char* value = line.optionValues[i].c_str();
        bool ok = true;
        if (name == "--wireframe") {
            options->wireframe = true;
        } else if (name == "--normals") {
            options->normals = true;
        } else if (name == "--tangents") {
            options->tangents = true;
        } else if (name == "--object-space") {
            options->objectSpace = true;
        } else if (name == "--mode") {
            ok = FindName(kModes, value, &options->mode);
        } else if (name == "--background") {
            ok = FindName(kBackgrounds, value, &options->background);
        } else if (name == "--size") {
            ok = ParseSize(value, &options->width, &options->height);
        } else if (name == "--rotate") {
            ok = ParsePair(value, options->rotate);
        } else if (name == "--pan") {
            ok = ParsePair(value, options->pan);
        } else {  // "--zoom"
            ok = ParseFloat(value, &options->zoom);
        }
        if (!ok) {
            *status = UsageError(nullptr, "bad value '%s' for option '%s'", value, name.c_str());
            return false;
        }
    }
    options->help = line.help;
    options->version = line.version;
    if (options->help || options->version) return true;
    if (line.operands.size() > 3) {
        *status = UsageError(nullptr, "unexpected operand '%s'", line.operands[3]);
        return false;
    }
    if (line.operands.size() != 3) {
        *status = UsageError(nullptr, "needs MESH.rvf MAP.tga OUT.png");
        return false;
    }
    options->mesh = line.operands[0];
    options->map = line.operands[1];
    options->out = line.operands[2];
    // Only PNG is written: under another name its bytes would pass for another format.
    const char* dot = std::strrchr(options->out, '.');
    if (dot == nullptr || strcasecmp(dot, ".png") != 0) {
        *status =
            UsageError(nullptr, "'%s' does not end in .png, and PNG is what rvfrender writes", options->out);
        return false;
    }
    return true;
}
