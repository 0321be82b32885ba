#include <cmath>

#include "tests/GltfFiles.h"
#include "tests/rvftool/ToolRun.h"

namespace {

// Two triangles sharing an edge (4 welded vertices), one without area, one without texture
// area and one with a NaN, each of the last three on corners of its own: 10 vertices, since the
// one with a NaN is left out as RVFView leaves it out.
const std::vector<float> kMesh = {
    0,   0, 0, 1, 0, 0, 1, 1, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0,     0,     1,     0,     1,     1,
    0,   0, 0, 1, 1, 0, 0, 1, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0,     0,     1,     1,     0,     1,
    2,   0, 0, 3, 0, 0, 4, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0.5f,  0.5f,  0.25f, 0.75f, -0.5f, 2,
    0,   0, 5, 1, 0, 5, 0, 1, 5, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0.25f, 0.25f, 0.25f, 0.25f, 0.25f, 0.25f,
    NAN, 0, 0, 7, 0, 0, 7, 1, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0.9f,  0.1f,  0.8f,  0.1f,  0.8f,  0.2f};

// The figures of `info --json` on `file` as Python's parser reads them.
std::string ParsedJson(const std::string& file) {
    RunResult parsed = RunProgram(
        "/usr/bin/python3", {"-c",
                             "import json, subprocess, sys; print(*json.loads(subprocess.run(sys.argv[1:], "
                             "capture_output=True, check=True).stdout).values())",
                             RVFTOOL_PATH, "info", "--json", file});
    EXPECT_EQ(parsed.status, 0) << parsed.err;
    return parsed.out;
}

}  // namespace

typedef ToolTest Info;

TEST_F(Info, PrintsTheFiguresOfAMeshAsTextAndAsJson) {
    WriteFile("m.rvf", RvfFile(kMesh));
    RunResult r = Tool({"info", "m.rvf"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "triangles:            5\n"
              "welded vertices:      10\n"
              "bounds min:           0 0 0\n"
              "bounds max:           4 1 5\n"
              "degenerate triangles: 1\n"
              "no texture area:      1\n"
              "non-finite triangles: 1\n"
              "u range:              -0.5 1\n"
              "v range:              0 2\n"
              "tangents in file:     no\n");
    EXPECT_EQ(ParsedJson("m.rvf"),
              "5 10 {'min': [0, 0, 0], 'max': [4, 1, 5]} 1 1 1 {'min': [-0.5, 0], 'max': [1, 2]} False\n");
    // Without a finite triangle there are no ranges: null, never an "inf" that JSON lacks.
    std::vector<float> infinite(kMesh.begin(), kMesh.begin() + 24);
    infinite[7] = INFINITY;
    WriteFile("m.rvf", RvfFile(infinite));
    EXPECT_EQ(ParsedJson("m.rvf"), "1 0 {'min': None, 'max': None} 0 0 1 {'min': None, 'max': None} False\n");
}

// A mesh of another format is read through the importer, and its file may hold tangents.
TEST_F(Info, ImportedMeshTellsWhetherItsFileHoldsTangents) {
    WriteFile("t.glb", Text(Glb({1, 2, 3, 4})));
    RunResult r = Tool({"info", "t.glb"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.substr(r.out.rfind('\n', r.out.size() - 2) + 1), "tangents in file:     yes\n");
    EXPECT_EQ(ParsedJson("t.glb"),
              "1 3 {'min': [0, 0, 0], 'max': [1, 1, 0]} 0 0 0 {'min': [0, 0], 'max': [1, 1]} True\n");
}
