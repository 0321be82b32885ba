#include "tools/rvfrender/RenderOptions.h"

#include <strings.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/common/CommandLine.h"

const char kRenderUsage[] =
    "Usage: rvfrender [OPTIONS] MESH [MAP] OUT.png\n"
    "\n"
    "Draws one frame of MESH with the normal map MAP as RVFView draws it, in an off-screen Mesa\n"
    "context (no window, no display), and writes it to OUT.png (a PNG file, so its name ends in\n"
    ".png). MESH is an RVF file or any mesh Assimp reads (OBJ, FBX, glTF, GLB, PLY, ...); MAP a\n"
    "Targa, PNG or JPEG image. Without MAP, the map the mesh's material names is drawn.\n"
    "\n"
    "Options:\n"
    "  --mode MODE          shading mode: 0 or diffuse (diffuse lit normal map, the default),\n"
    "                       1 or normal-map, 2 or vertex (vertex lighting), 3 or alpha (the\n"
    "                       map's alpha channel; needs a 32-bit map)\n"
    "  --wireframe          the white wire-frame instead of the shaded object\n"
    "  --normals            a red line along each vertex normal\n"
    "  --tangents           a blue line along each tangent, a green one along each binormal\n"
    "  --object-space       light vectors left in object space (the viewer's \"c\" key)\n"
    "  --engine             the engine view: per-pixel shading as engines do (needs GLSL)\n"
    "  --show WHAT          with --engine, what it shows: lit (the default), highlight (lit with\n"
    "                       a Blinn highlight), mapped-normal, tangent, bitangent, normal, or\n"
    "                       disagreement (the angle between the own basis and MikkTSpace)\n"
    "  --light X,Y,Z        the light's position in eye coordinates (the eye at 0,0,0 looking\n"
    "                       down -z, the object's centre at 0,0,-65); default: at the eye\n"
    "  --background COLOUR  black (the start-up colour), blue, grey or white\n"
    "  --basis BASIS        the tangent basis the map was made in: own (the default),\n"
    "                       mikktspace, or file (the tangents a glTF or FBX mesh stores)\n"
    "  --flip-green         the map's green channel points down (-Y), as in DirectX-style\n"
    "                       engines\n"
    "  --size WxH           picture size in pixels (default 512x512, the viewer's window)\n"
    "  --rotate X,Y         turn the object X degrees about the screen's x axis and Y degrees\n"
    "                       about its y axis, as a left-button drag of the viewer does\n"
    "  --pan X,Y            move the object X units right and Y units up (middle button)\n"
    "  --zoom Z             bring the object Z units nearer, or farther when negative (right\n"
    "                       button); the object is 50 units across, 65 units away\n"
    "  --reference REF.png  compare the picture with REF.png, which must have its size; the\n"
    "                       number of differing pixels and the largest difference are printed\n"
    "  --threshold T        with --reference: a pixel differs when a channel (0 to 255) differs\n"
    "                       by more than T, 0 to 255 (default 0: any difference counts)\n"
    "  --diff DIFF.png      with --reference: the differing pixels in red over the picture\n"
    "                       darkened to a quarter\n"
    "  -h, --help           this text\n"
    "  --version            the version\n"
    "\n"
    "Drags apply in the viewer's order: rotation, panning, zoom.\n"
    "Exit status: 0 on success (with --reference: no pixel differs), 1 when the frame could not\n"
    "be made, when the reference cannot be read or has another size, or when a pixel differs,\n"
    "2 for a command line that cannot be obeyed. OUT.png and DIFF.png appear only when complete.\n";

namespace {

// Larger pictures than this are refused before anything is allocated.
const int kMaxSide = 16384;

struct Name {
    const char* name;
    int value;
};

const Name kModes[] = {{"0", 0},       {"1", 1},          {"2", 2},      {"3", 3},
                       {"diffuse", 0}, {"normal-map", 1}, {"vertex", 2}, {"alpha", 3}};
const Name kShows[] = {{"lit", kShowLit},
                       {"highlight", kShowHighlight},
                       {"mapped-normal", kShowMappedNormal},
                       {"tangent", kShowTangent},
                       {"bitangent", kShowBitangent},
                       {"normal", kShowNormal},
                       {"disagreement", kShowDisagreement}};
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

// "X,Y,Z" as three finite floats.
bool ParseTriple(const char* text, float triple[3]) {
    const char* comma = std::strchr(text, ',');
    if (comma == nullptr) return false;
    std::string first(text, static_cast<size_t>(comma - text));
    return ParseFloat(first.c_str(), &triple[0]) && ParsePair(comma + 1, triple + 1);
}

// A decimal number from `low` to `high` that ends at `stop`.
bool ParseDecimal(const char* text, char stop, int low, int high, const char** end, int* number) {
    long value = 0;
    const char* p = text;
    while (*p >= '0' && *p <= '9' && value <= high) value = value * 10 + (*p++ - '0');
    if (p == text || *p != stop || value < low || value > high) return false;
    *end = p;
    *number = static_cast<int>(value);
    return true;
}

// "WxH".
bool ParseSize(const char* text, int* width, int* height) {
    const char* end = nullptr;
    return ParseDecimal(text, 'x', 1, kMaxSide, &end, width) &&
           ParseDecimal(end + 1, '\0', 1, kMaxSide, &end, height);
}

const char* const kKnownOptions[] = {
    "--mode=",      "--background=", "--basis=", "--size=",     "--rotate=", "--pan=",     "--zoom=",
    "--reference=", "--threshold=",  "--diff=",  "--wireframe", "--normals", "--tangents", "--object-space",
    "--flip-green", "--engine",      "--show=",  "--light=",    nullptr};

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
        } else if (name == "--engine") {
            options->engine = true;
        } else if (name == "--show") {
            ok = FindName(kShows, value, &options->show);
        } else if (name == "--light") {
            ok = options->light = ParseTriple(value, options->lightPosition);
        } else if (name == "--flip-green") {
            options->flipGreen = true;
        } else if (name == "--basis") {
            ok = BasisNamed(value, &options->basis);
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
        } else if (name == "--reference") {
            options->reference = value;
            ok = !options->reference.empty();
        } else if (name == "--threshold") {
            const char* end = nullptr;
            ok = ParseDecimal(value, '\0', 0, 255, &end, &options->threshold);
        } else if (name == "--diff") {
            options->diff = value;
            ok = !options->diff.empty();
        } else {  // "--zoom"
            ok = ParseFloat(value, &options->zoom);
        }
        if (!ok) {
            *status = UsageError(nullptr, "bad value '%s' for option '%s'", value, name.c_str());
            return false;
        }
    }
    if (HasOption(line, "--show") && !options->engine) {
        *status = UsageError(nullptr, "option '--show' needs --engine");
        return false;
    }
    for (const char* needsReference : {"--threshold", "--diff"}) {
        if (HasOption(line, needsReference) && options->reference.empty()) {
            *status = UsageError(nullptr, "option '%s' needs --reference", needsReference);
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
    if (line.operands.size() < 2) {
        *status = UsageError(nullptr, "needs MESH [MAP] OUT.png");
        return false;
    }
    options->mesh = line.operands[0];
    options->map = line.operands.size() == 3 ? line.operands[1] : nullptr;
    options->out = line.operands.back();
    // Only PNG is written: under another name its bytes would pass for another format.
    std::vector<const char*> written = {options->out};
    if (!options->diff.empty()) written.push_back(options->diff.c_str());
    for (const char* name : written) {
        const char* dot = std::strrchr(name, '.');
        if (dot == nullptr || strcasecmp(dot, ".png") != 0) {
            *status =
                UsageError(nullptr, "'%s' does not end in .png, and PNG is what rvfrender writes", name);
            return false;
        }
    }
    return true;
}
