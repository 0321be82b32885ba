// RVFView: shows a normal-mapped mesh in one window. The mesh and the map come from the
// command-line arguments (the map may be the one the mesh's material names) or from the file
// choosers.
#include "viewer/RVFView.h"

#include <GL/freeglut.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "platform/Progress.h"

namespace {

const char kUsage[] =
    "Usage: RVFView [OPTIONS] [MESH [MAP]]\n"
    "\n"
    "Shows the triangle mesh MESH with the tangent-space normal map MAP in a window, lit by a\n"
    "light at the eye. MESH is an RVF file or any mesh Assimp reads (OBJ, FBX, glTF, GLB, PLY,\n"
    "Collada, ...); MAP a Targa, PNG or JPEG image. Without MAP, the map the mesh's material\n"
    "names is shown (a glTF normal texture, an OBJ map_Bump or norm), else a file chooser asks\n"
    "for it; without MESH, file choosers ask for both: a desktop dialog when zenity is installed,\n"
    "else a prompt on the console.\n"
    "\n"
    "Options:\n"
    "  -h, --help     this text\n"
    "  --version      the version\n"
    "  --watch        reload the mesh and the map whenever either file changes on disk\n"
    "  --basis BASIS  the tangent basis the map was made in: own (the default), mikktspace, or\n"
    "                 file (the tangents a glTF or FBX mesh stores)\n"
    "  --flip-green   the map's green channel points down (-Y), as in DirectX-style engines\n"
    "  --             what follows are files, even when they begin with '-'\n"
    "\n"
    "The keys are printed when the window opens. The viewer needs a display; rvfrender draws\n"
    "the same pictures into PNG files without one.\n"
    "Exit status: 0 after ESC or q, 1 without a display, 2 for an unknown option, 255 when no\n"
    "file is chosen or the GL lacks what the shading needs.\n";

enum { kExitUsage = 2 };

// Options are words that begin with "--" (or "-h"), up to a "--"; everything else names a file.
// A word beginning with "--" that is no option is refused rather than opened as a file, since
// it is far more likely a mistyped option. The tangent basis and the green direction go straight
// into the view state, before anything is loaded.
std::vector<char*> ParseArguments(int argc, char** argv, bool* watch) {
    std::vector<char*> files;
    bool optionsDone = false;
    for (int i = 1; i < argc; ++i) {
        char* arg = argv[i];
        if (optionsDone || (std::strncmp(arg, "--", 2) != 0 && std::strcmp(arg, "-h") != 0)) {
            files.push_back(arg);
        } else if (std::strcmp(arg, "--") == 0) {
            optionsDone = true;
        } else if (std::strcmp(arg, "-h") == 0 || std::strcmp(arg, "--help") == 0) {
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else if (std::strcmp(arg, "--watch") == 0) {
            *watch = true;
        } else if (std::strcmp(arg, "--flip-green") == 0) {
            gGreenDown = true;
        } else if (std::strcmp(arg, "--basis") == 0 || std::strncmp(arg, "--basis=", 8) == 0) {
            const char* word = arg[7] == '=' ? arg + 8 : (i + 1 < argc ? argv[++i] : "");
            if (!BasisNamed(word, &gBasis)) {
                std::fprintf(stderr, "RVFView: unknown tangent basis '%s' (own, mikktspace or file)\n", word);
                std::exit(kExitUsage);
            }
        } else if (std::strcmp(arg, "--version") == 0) {
            std::printf("RVFView %s\n", RVF_VERSION);
            std::exit(0);
        } else {
            std::fprintf(stderr, "RVFView: unknown option '%s' (see 'RVFView --help')\n", arg);
            std::exit(kExitUsage);
        }
    }
    return files;
}

}  // namespace

int main(int argc, char** argv) {
    // Console lines appear as they happen, also in a pipe or a file.
    setvbuf(stdout, nullptr, _IOLBF, 0);
    bool watch = false;
    std::vector<char*> files = ParseArguments(argc, argv, &watch);
    // The window toolkit ends the process deep inside its start-up when no display answers,
    // after everything has been loaded; asking first saves the wait and says what to do.
    if (!CheckDisplay()) return 1;
    ProgressInit("RVFView", kProgressPlainLines);
    PrintKeyHelp();

    // Loading comes before the window and touches no GL state.
    if (files.size() == 2) {
        if (!LoadObjectFile(files[0])) ChooseUntilLoaded(GetRVFFileName, LoadObjectFile);
        if (!LoadTextureFile(files[1])) ChooseUntilLoaded(GetTextureFileName, LoadTextureFile);
    } else if (files.size() == 1) {
        if (!LoadObjectFile(files[0])) ChooseUntilLoaded(GetRVFFileName, LoadObjectFile);
        if (!MeshNamesMap() || !LoadMeshMap()) ChooseUntilLoaded(GetTextureFileName, LoadTextureFile);
    } else {
        LoadNewObjectAndMap();
    }
    PrintLoadSummary();

    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(gWidth, gHeight);
    glutCreateWindow("RVF Viewer");
    checkExtensions();

    glutDisplayFunc(Display);
    glutReshapeFunc(Reshape);
    glutKeyboardFunc(KeyFunc);
    glutMotionFunc(MouseMove);
    glutMouseFunc(MouseButtonFunc);
    glutSpecialFunc(SpecialKeyFunc);

    StateInit();
    ObjectInit();
    TextureInit();
    MatrixInit();
    if (watch) StartWatching();
    glutMainLoop();
    return 0;
}
