// The viewer's benchmarks behind `make bench`: the whole load of a mesh file, the per-frame
// light vectors and the frame in a real 512 x 512 window, each beside its literal form (the
// per-vertex computation through the matrix helpers, the draw from the double-precision client
// arrays), and the time from the start of a load to the first finished frame, of an RVF file and
// of an OBJ and a GLB opened directly beside the importer alone. They need an X display (`make
// bench` starts a virtual one).
#include <GL/freeglut.h>
#include <assimp/material.h>
#include <assimp/scene.h>
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <assimp/Exporter.hpp>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "bench/BenchTable.h"
#include "bench/TorusGrid.h"
#include "image/TGAIO.h"
#include "import/Import.h"
#include "tests/LiteralFrame.h"
#include "viewer/RVFView.h"

namespace {

const int kFirstFrameTriangles = 1000000;
const int kMapSide = 512;

std::vector<std::string> writtenFiles;
std::string mapFile;
// The grid whose mesh is in the viewer's globals, with gLightVec sized for it.
const void* loadedMesh = nullptr;

// A new file in the temporary directory, filled by `write`; removed at the end of the run.
bool WriteTemporaryFile(bool (*write)(std::FILE*, const void*), const void* what, std::string* path) {
    const char* dir = std::getenv("TMPDIR");
    std::string name = std::string(dir != nullptr && *dir != '\0' ? dir : "/tmp") + "/rvfview_bench_XXXXXX";
    std::vector<char> buffer(name.begin(), name.end());
    buffer.push_back('\0');
    const int fd = mkstemp(buffer.data());
    if (fd < 0) return false;
    std::FILE* fp = fdopen(fd, "wb");
    if (fp == nullptr) {
        close(fd);
        unlink(buffer.data());
        return false;
    }
    bool written = write(fp, what);
    written = std::fclose(fp) == 0 && written;
    if (!written) {
        unlink(buffer.data());
        return false;
    }
    *path = buffer.data();
    writtenFiles.push_back(*path);
    return true;
}

bool WriteMesh(std::FILE* fp, const void* what) {
    const std::vector<RvRawTriangle>& tris = *static_cast<const std::vector<RvRawTriangle>*>(what);
    return RvWriteTriangles(fp, static_cast<int>(tris.size()), tris.data());
}

// A tangent-space map of gentle ripples, blue first as Targa stores it.
bool WriteMap(std::FILE* fp, const void*) {
    std::vector<BYTE> texels(static_cast<std::size_t>(kMapSide) * kMapSide * 3);
    for (int y = 0; y < kMapSide; ++y) {
        for (int x = 0; x < kMapSide; ++x) {
            BYTE* t = &texels[(static_cast<std::size_t>(y) * kMapSide + x) * 3];
            t[0] = 230;
            t[1] = static_cast<BYTE>(128 + (y % 32) * 2 - 32);
            t[2] = static_cast<BYTE>(128 + (x % 32) * 2 - 32);
        }
    }
    return TGAWriteImage(fp, kMapSide, kMapSide, 24, texels.data(), true);
}

// The RVF file of a grid, written on first use.
const char* MeshFile(const std::vector<RvRawTriangle>& tris) {
    static std::map<const void*, std::string> files;
    std::string& path = files[&tris];
    if (path.empty() && !WriteTemporaryFile(WriteMesh, &tris, &path)) return nullptr;
    return path.c_str();
}

// Puts the grid into the viewer's globals as the viewer would after loading it.
bool UseMesh(benchmark::State& state, const std::vector<RvRawTriangle>& tris) {
    if (loadedMesh == &tris) return true;
    loadedMesh = nullptr;
    const char* path = MeshFile(tris);
    if (path == nullptr || !LoadObjectFile(path)) {
        state.SkipWithError("cannot load the mesh");
        return false;
    }
    ObjectInit();
    loadedMesh = &tris;
    return true;
}

void RunLoad(benchmark::State& state, const std::vector<RvRawTriangle>& tris) {
    loadedMesh = nullptr;
    const char* path = MeshFile(tris);
    if (path == nullptr) state.SkipWithError("cannot write the RVF file");
    for (auto _ : state) {
        if (!LoadObjectFile(path)) state.SkipWithError("LoadObjectFile failed");
    }
    state.counters["vertices"] = gNumVerts;
    if (gNumVerts > 0) {
        ObjectInit();
        loadedMesh = &tris;
    }
}

// The headlight in the object's coordinates, as the frame places it.
void Headlight(GLfloat* worldLightPos) {
    GLfloat m[16];
    matrixInvert(gViewMat, m);
    vecMatMult(gLightpos, m, worldLightPos);
}

// The light as the first frame of the start-up view sees it: at the eye, 65 units away.
void TimeLightVectors(benchmark::State& state, const std::vector<RvRawTriangle>& tris,
                      void (*compute)(GLfloat*, bool)) {
    if (!UseMesh(state, tris)) return;
    MatrixInit();
    GLfloat worldLightPos[3];
    Headlight(worldLightPos);
    for (auto _ : state) {
        compute(worldLightPos, true);
        benchmark::ClobberMemory();
    }
    state.counters["vertices"] = gNumVerts;
}

void RunLiteralLightVectors(benchmark::State& state, const std::vector<RvRawTriangle>& tris) {
    TimeLightVectors(state, tris, LiteralComputeLightVectors);
}

void RunLightVectors(benchmark::State& state, const std::vector<RvRawTriangle>& tris) {
    TimeLightVectors(state, tris, ComputeLightVectors);
}

double Milliseconds(std::chrono::steady_clock::time_point from, std::chrono::steady_clock::time_point to) {
    return std::chrono::duration<double, std::milli>(to - from).count();
}

void LiteralFrameLightVectors(GLfloat* worldLightPos) {
    Headlight(worldLightPos);
    LiteralComputeLightVectors(worldLightPos, gInTangentSpace);
}

// How a frame makes its light vectors and submits the mesh: the viewer's way, or the literal
// computation and the draw from the double-precision client arrays.
struct FrameWork {
    void (*lightVectors)(GLfloat* worldLightPos);
    void (*draw)(bool withColor);
};

const FrameWork kViewerWork = {FrameLightVectors, DrawObject};
const FrameWork kLiteralWork = {LiteralFrameLightVectors, LiteralDrawObject};

// Display's steps with `work`, each timed on its own when `milliseconds` is not null: light
// vectors, drawing (what GL does before it returns: vertex work and binning), finishing (waiting
// for the rasteriser threads) and the swap.
void Frame(const FrameWork& work, double* milliseconds) {
    GLfloat worldLightPos[3];
    const auto start = std::chrono::steady_clock::now();
    work.lightVectors(worldLightPos);
    const auto computed = std::chrono::steady_clock::now();
    FrameView();
    FrameObject(worldLightPos, work.draw);
    FrameOverlays();
    const auto submitted = std::chrono::steady_clock::now();
    glFinish();
    const auto finished = std::chrono::steady_clock::now();
    glutSwapBuffers();
    if (milliseconds == nullptr) return;
    milliseconds[0] += Milliseconds(start, computed);
    milliseconds[1] += Milliseconds(computed, submitted);
    milliseconds[2] += Milliseconds(submitted, finished);
    milliseconds[3] += Milliseconds(finished, std::chrono::steady_clock::now());
}

// Frames of the start-up view (shaded in mode 0, in the engine view lit, or wire-frame, no
// overlays), after one that is not counted (first use of the texture and, in the viewer's way,
// the making of the mesh's buffers). The viewer's frames are Display itself. Three more frames
// split the time into Display's steps, as milliseconds per frame in counters.
void RunFrames(benchmark::State& state, const std::vector<RvRawTriangle>& tris, bool wireframe, bool engine,
               const FrameWork& work) {
    if (!UseMesh(state, tris)) return;
    if (engine && !EngineViewReady()) {
        state.SkipWithError("no engine view on this GL");
        return;
    }
    MatrixInit();
    gViewMode = 0;
    gWireframe = wireframe;
    gEngineView = engine;
    gEngineShow = kShowLit;
    const bool viewer = &work == &kViewerWork;
    Frame(work, nullptr);
    for (auto _ : state) viewer ? Display() : Frame(work, nullptr);
    const int frames = 3;
    double steps[4] = {0, 0, 0, 0};
    for (int i = 0; i < frames; ++i) Frame(work, steps);
    const char* const names[4] = {"lights ms", "draw ms", "finish ms", "swap ms"};
    for (int i = 0; i < 4; ++i) state.counters[names[i]] = steps[i] / frames;
    gWireframe = gEngineView = false;
    state.counters["vertices"] = gNumVerts;
}

void RunLiteralShadedFrames(benchmark::State& state, const std::vector<RvRawTriangle>& tris) {
    RunFrames(state, tris, false, false, kLiteralWork);
}

void RunShadedFrames(benchmark::State& state, const std::vector<RvRawTriangle>& tris) {
    RunFrames(state, tris, false, false, kViewerWork);
}

void RunEngineFrames(benchmark::State& state, const std::vector<RvRawTriangle>& tris) {
    RunFrames(state, tris, false, true, kViewerWork);
}

void RunLiteralWireFrames(benchmark::State& state, const std::vector<RvRawTriangle>& tris) {
    RunFrames(state, tris, true, false, kLiteralWork);
}

void RunWireFrames(benchmark::State& state, const std::vector<RvRawTriangle>& tris) {
    RunFrames(state, tris, true, false, kViewerWork);
}

// The viewer's start with both files named: load mesh and map, open the window, set it up and
// draw the first frame. Counters split it into loading the files and the rest.
void RunFirstFrame(benchmark::State& state, const char* meshPath) {
    loadedMesh = nullptr;
    double load = 0, frame = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        if (!LoadObjectFile(meshPath) || !LoadTextureFile(mapFile.c_str())) {
            state.SkipWithError("cannot load the mesh or the map");
            break;
        }
        const auto loaded = std::chrono::steady_clock::now();
        const int window = glutCreateWindow("rvfview_bench first frame");
        StateInit();
        ObjectInit();
        TextureInit();
        MatrixInit();
        gViewMode = 0;
        Display();
        const auto shown = std::chrono::steady_clock::now();
        load += Milliseconds(start, loaded);
        frame += Milliseconds(loaded, shown);
        state.PauseTiming();
        glutDestroyWindow(window);
        gHaveTexture = false;
        state.ResumeTiming();
    }
    state.counters["load ms"] = benchmark::Counter(load, benchmark::Counter::kAvgIterations);
    state.counters["frame ms"] = benchmark::Counter(frame, benchmark::Counter::kAvgIterations);
    state.counters["vertices"] = gNumVerts;
}

void RegisterFirstFrame() {
    int around, across;
    TorusGridSize(kFirstFrameTriangles, &around, &across);
    std::string path;
    {
        const std::vector<RvRawTriangle> tris = MakeTorusGrid(around, across, false);
        if (!WriteTemporaryFile(WriteMesh, &tris, &path)) {
            std::fprintf(stderr, "rvfview_bench: cannot write the mesh of the first frame\n");
            return;
        }
    }
    const std::string name = "first frame/" + std::to_string(2 * around * across) + "/grid";
    benchmark::RegisterBenchmark(name.c_str(),
                                 [path](benchmark::State& state) { RunFirstFrame(state, path.c_str()); })
        ->UseRealTime()
        ->Unit(benchmark::kMillisecond)
        ->Iterations(3);
}

// The grid as a scene of one mesh, each triangle with corners of its own, as Assimp's exporter
// takes it; the caller deletes it.
aiScene* GridScene(const std::vector<RvRawTriangle>& tris) {
    aiScene* scene = new aiScene;
    scene->mRootNode = new aiNode;
    scene->mRootNode->mNumMeshes = 1;
    scene->mRootNode->mMeshes = new unsigned[1]{0};
    scene->mNumMaterials = 1;
    scene->mMaterials = new aiMaterial*[1];
    scene->mMaterials[0] = new aiMaterial;
    aiMesh* mesh = new aiMesh;
    scene->mNumMeshes = 1;
    scene->mMeshes = new aiMesh*[1];
    scene->mMeshes[0] = mesh;
    const unsigned corners = 3 * static_cast<unsigned>(tris.size());
    mesh->mPrimitiveTypes = aiPrimitiveType_TRIANGLE;
    mesh->mNumVertices = corners;
    mesh->mVertices = new aiVector3D[corners];
    mesh->mNormals = new aiVector3D[corners];
    mesh->mTextureCoords[0] = new aiVector3D[corners];
    mesh->mNumUVComponents[0] = 2;
    mesh->mNumFaces = static_cast<unsigned>(tris.size());
    mesh->mFaces = new aiFace[tris.size()];
    for (unsigned t = 0; t < mesh->mNumFaces; ++t) {
        mesh->mFaces[t].mNumIndices = 3;
        mesh->mFaces[t].mIndices = new unsigned[3]{3 * t, 3 * t + 1, 3 * t + 2};
        for (unsigned c = 0; c < 3; ++c) {
            const RvRawTriangle& tri = tris[t];
            mesh->mVertices[3 * t + c] = aiVector3D(tri.vert[c].x, tri.vert[c].y, tri.vert[c].z);
            mesh->mNormals[3 * t + c] = aiVector3D(tri.norm[c].x, tri.norm[c].y, tri.norm[c].z);
            mesh->mTextureCoords[0][3 * t + c] = aiVector3D(tri.texCoord[c].u, tri.texCoord[c].v, 0);
        }
    }
    return scene;
}

// The importer alone on `meshPath`, as the viewer calls it.
void RunImporter(benchmark::State& state, const char* meshPath) {
    for (auto _ : state) {
        ImportedMesh mesh;
        std::string error;
        if (!ImportMeshFile(meshPath, &mesh, &error)) state.SkipWithError(error.c_str());
        delete[] mesh.tris;
        delete[] mesh.tangents;
    }
}

// The grid of the first frame written by Assimp's exporter as an OBJ and a GLB (vertices joined
// as the exporter joins them), each timed through the importer alone and opened to its first
// frame.
void RegisterDirectOpening() {
    int around, across;
    TorusGridSize(kFirstFrameTriangles, &around, &across);
    const std::string triangles = std::to_string(2 * around * across);
    aiScene* scene = GridScene(MakeTorusGrid(around, across, false));
    for (const char* format : {"objnomtl", "glb2"}) {
        // An empty temporary file keeps the name; the exporter writes beside it with the
        // extension by which the importer tells the format.
        std::string path;
        if (!WriteTemporaryFile([](std::FILE*, const void*) { return true; }, nullptr, &path)) break;
        path += format[0] == 'o' ? ".obj" : ".glb";
        writtenFiles.push_back(path);
        if (Assimp::Exporter().Export(scene, format, path) != AI_SUCCESS) {
            std::fprintf(stderr, "rvfview_bench: cannot write the %s file of the first frame\n", format);
            continue;
        }
        const std::string kind = format[0] == 'o' ? "OBJ" : "GLB";
        benchmark::RegisterBenchmark(("import " + kind + "/" + triangles + "/grid").c_str(),
                                     [path](benchmark::State& state) { RunImporter(state, path.c_str()); })
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3);
        benchmark::RegisterBenchmark(("first frame " + kind + "/" + triangles + "/grid").c_str(),
                                     [path](benchmark::State& state) { RunFirstFrame(state, path.c_str()); })
            ->UseRealTime()
            ->Unit(benchmark::kMillisecond)
            ->Iterations(3);
    }
    delete scene;
}

// The benchmarks' own window, shown before anything is drawn; 10 s at most.
bool OpenWindow(int* argc, char** argv) {
    static bool shown = false;
    glutInit(argc, argv);
    glutInitDisplayMode(GLUT_RGB | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(gWidth, gHeight);
    glutInitWindowPosition(0, 0);
    const int window = glutCreateWindow("rvfview_bench");
    glutDisplayFunc([] {});
    glutVisibilityFunc([](int visible) { shown = shown || visible == GLUT_VISIBLE; });
    for (int i = 0; i < 1000 && !shown; ++i) {
        glutMainLoopEvent();
        usleep(10000);
    }
    glutSetWindow(window);
    return shown;
}

}  // namespace

int main(int argc, char** argv) {
    if (std::getenv("DISPLAY") == nullptr) {
        std::fprintf(stderr, "rvfview_bench needs an X display (run it under xvfb-run)\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    if (!OpenWindow(&argc, argv)) {
        std::fprintf(stderr, "rvfview_bench: the window was never shown\n");
        return 1;
    }
    if (!WriteTemporaryFile(WriteMap, nullptr, &mapFile) || !LoadTextureFile(mapFile.c_str())) {
        std::fprintf(stderr, "rvfview_bench: cannot prepare the normal map\n");
        return 1;
    }
    StateInit();
    TextureInit();

    RegisterMeshOperation("viewer load", RunLoad);
    RegisterMeshOperation("literal light vectors", RunLiteralLightVectors);
    RegisterMeshOperation("light vectors", RunLightVectors);
    RegisterMeshOperation("literal Display mode 0", RunLiteralShadedFrames);
    RegisterMeshOperation("Display mode 0", RunShadedFrames);
    RegisterMeshOperation("Display engine", RunEngineFrames);
    RegisterMeshOperation("literal Display wire", RunLiteralWireFrames);
    RegisterMeshOperation("Display wire", RunWireFrames);
    RegisterFirstFrame();
    RegisterDirectOpening();

    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.PrintTable();
    benchmark::Shutdown();
    for (const std::string& path : writtenFiles) unlink(path.c_str());
    return 0;
}
