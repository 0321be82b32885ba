#include <cmath>

#include "tests/rvftool/ToolRun.h"

typedef ToolTest Info;

TEST_F(Info, PrintsTheFiguresOfAMeshAsJson) {
    // Two triangles sharing an edge (4 welded vertices), one without area, one without texture
    // area and one with a NaN, each of the last three on corners of its own: 10 vertices, since the
    // one with a NaN is left out as RVFView leaves it out.
    const std::vector<float> mesh = {
        0,   0, 0, 1, 0, 0, 1, 1, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0,     0,     1,     0,     1,     1,
        0,   0, 0, 1, 1, 0, 0, 1, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0,     0,     1,     1,     0,     1,
        2,   0, 0, 3, 0, 0, 4, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0.5f,  0.5f,  0.25f, 0.75f, -0.5f, 2,
        0,   0, 5, 1, 0, 5, 0, 1, 5, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0.25f, 0.25f, 0.25f, 0.25f, 0.25f, 0.25f,
        NAN, 0, 0, 7, 0, 0, 7, 1, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0.9f,  0.1f,  0.8f,  0.1f,  0.8f,  0.2f};
    WriteFile("m.rvf", RvfBytes(5, FloatBytes(mesh)));
    // Read by Python's JSON parser.
    RunResult parsed = RunProgram(
        "/usr/bin/python3", {"-c",
                             "import json, subprocess, sys\n"
                             "info = subprocess.run(sys.argv[1:], capture_output=True, check=True).stdout\n"
                             "print(*json.loads(info).values())",
                             RVFTOOL_PATH, "info", "--json", "m.rvf"});
    EXPECT_EQ(parsed.status, 0) << parsed.err;
    EXPECT_EQ(parsed.out,
              "5 10 {'min': [0, 0, 0], 'max': [4, 1, 5]} 1 1 1 {'min': [-0.5, 0], 'max': [1, 2]} False\n");
}
