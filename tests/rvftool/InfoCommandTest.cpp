#include <cmath>
#include <limits>

#include "tests/rvftool/ToolRun.h"

namespace {

const float kUp[9] = {0, 0, 1, 0, 0, 1, 0, 0, 1};
const float kInf = std::numeric_limits<float>::infinity();

// Two triangles sharing an edge (4 welded vertices), one without area, one without texture
// area and one with a NaN, each of the last three on corners of its own: 13 vertices.
Bytes SampleMesh() {
    Bytes tris;
    PutTriangle(tris, {0, 0, 0, 1, 0, 0, 1, 1, 0}, kUp, {0, 0, 1, 0, 1, 1});
    PutTriangle(tris, {0, 0, 0, 1, 1, 0, 0, 1, 0}, kUp, {0, 0, 1, 1, 0, 1});
    PutTriangle(tris, {2, 0, 0, 3, 0, 0, 4, 0, 0}, kUp, {0.5f, 0.5f, 0.25f, 0.75f, -0.5f, 2});
    PutTriangle(tris, {0, 0, 5, 1, 0, 5, 0, 1, 5}, kUp, {0.25f, 0.25f, 0.25f, 0.25f, 0.25f, 0.25f});
    PutTriangle(tris, {std::nanf(""), 0, 0, 7, 0, 0, 7, 1, 0}, kUp, {0.9f, 0.1f, 0.8f, 0.1f, 0.8f, 0.2f});
    return RvfFile(tris, 5);
}

}  // namespace

class Info : public ToolTest {
protected:
    // The figures of `--json` as Python's parser reads them.
    std::string ParsedJson(const Bytes& mesh) {
        WriteFile(Path("m.rvf"), Text(mesh));
        RunResult r = Tool({"info", "--json", Path("m.rvf")});
        EXPECT_EQ(r.status, 0) << r.err;
        WriteFile(Path("info.json"), r.out);
        RunResult parsed = RunProgram(
            "/usr/bin/python3", {"-c", "import json, sys; d = json.load(sys.stdin); print(*d.values())"},
            Path("info.json"));
        EXPECT_EQ(parsed.status, 0) << parsed.err << r.out;
        return parsed.out;
    }
};

TEST_F(Info, PrintsTheFiguresOfAMesh) {
    WriteFile(Path("m.rvf"), Text(SampleMesh()));
    RunResult r = Tool({"info", Path("m.rvf")});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out,
              "triangles:            5\n"
              "welded vertices:      13\n"
              "bounds min:           0 0 0\n"
              "bounds max:           4 1 5\n"
              "degenerate triangles: 1\n"
              "no texture area:      1\n"
              "non-finite triangles: 1\n"
              "u range:              -0.5 1\n"
              "v range:              0 2\n");
}

TEST_F(Info, JsonParsesWithTheSameFigures) {
    EXPECT_EQ(ParsedJson(SampleMesh()),
              "5 13 {'min': [0, 0, 0], 'max': [4, 1, 5]} 1 1 1 {'min': [-0.5, 0], 'max': [1, 2]}\n");
    // Without a finite triangle there are no ranges: null, never an "inf" that JSON lacks.
    Bytes tris;
    PutTriangle(tris, {0, 0, 0, 1, 0, 0, 0, kInf, 0}, kUp, {0, 0, 1, 0, 0, 1});
    EXPECT_EQ(ParsedJson(RvfFile(tris, 1)),
              "1 3 {'min': None, 'max': None} 0 0 1 {'min': None, 'max': None}\n");
}

TEST_F(Info, BadFilesGetOneMessage) {
    WriteFile(Path("text.rvf"), "hello, this is no mesh at all\n");
    RunResult text = Tool({"info", Path("text.rvf")});
    EXPECT_EQ(text.status, 1);
    EXPECT_EQ(text.err, "rvftool: " + Path("text.rvf") +
                            ": not an RVF file (no \"TRIS\" chunk inside an \"RVF \" container)\n");
    Bytes truncated = SampleMesh();
    truncated.pop_back();
    WriteFile(Path("short.rvf"), Text(truncated));
    RunResult cut = Tool({"info", Path("short.rvf")});
    EXPECT_EQ(cut.status, 1);
    EXPECT_EQ(cut.err, "rvftool: " + Path("short.rvf") + ": Unable to read triangles\n");
    EXPECT_EQ(text.out + cut.out, "");
}
