#include <cmath>
#include <limits>

#include "tools/rvftool/tests/ToolRun.h"

namespace {

const float kUp[9] = {0, 0, 1, 0, 0, 1, 0, 0, 1};

// An RVF file built byte by byte around the given triangle bodies.
Bytes RvfFile(const Bytes& triangles, unsigned count) {
    Bytes b;
    PutBytes(b, "RVF ", 4);
    PutU32(b, 96 * count + 12);
    PutBytes(b, "TRIS", 4);
    PutU32(b, 96 * count + 4);
    PutU32(b, count);
    b.insert(b.end(), triangles.begin(), triangles.end());
    return b;
}

// Two triangles sharing an edge (4 welded vertices), one without area, one without texture
// area and one with a NaN, each of the last three on corners of its own.
Bytes SampleMesh() {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    Bytes tris;
    PutTriangle(tris, {0, 0, 0, 1, 0, 0, 1, 1, 0}, kUp, {0, 0, 1, 0, 1, 1});
    PutTriangle(tris, {0, 0, 0, 1, 1, 0, 0, 1, 0}, kUp, {0, 0, 1, 1, 0, 1});
    PutTriangle(tris, {2, 0, 0, 3, 0, 0, 4, 0, 0}, kUp, {0.5f, 0.5f, 0.25f, 0.75f, -0.5f, 2});
    PutTriangle(tris, {0, 0, 5, 1, 0, 5, 0, 1, 5}, kUp, {0.25f, 0.25f, 0.25f, 0.25f, 0.25f, 0.25f});
    PutTriangle(tris, {nan, 0, 0, 7, 0, 0, 7, 1, 0}, kUp, {0.9f, 0.1f, 0.8f, 0.1f, 0.8f, 0.2f});
    return RvfFile(tris, 5);
}

}  // namespace

typedef ToolTest Info;

TEST_F(Info, PrintsTheFiguresOfAMesh) {
    WriteFile(Path("m.rvf"), SampleMesh());
    RunResult r = Tool({"info", Path("m.rvf")});
    ASSERT_EQ(r.status, 0) << r.err;
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
    WriteFile(Path("m.rvf"), SampleMesh());
    RunResult r = Tool({"info", "--json", Path("m.rvf")});
    ASSERT_EQ(r.status, 0) << r.err;
    WriteFile(Path("info.json"), r.out);
    RunResult parsed =
        RunProgram("/usr/bin/python3",
                   {"-c",
                    "import json, sys; d = json.load(sys.stdin); "
                    "print(d['triangles'], d['weldedVertices'], d['bounds'], d['degenerateTriangles'], "
                    "d['noTextureAreaTriangles'], d['nonFiniteTriangles'], d['texCoords'])"},
                   Path("info.json"));
    ASSERT_EQ(parsed.status, 0) << parsed.err << r.out;
    EXPECT_EQ(parsed.out,
              "5 13 {'min': [0, 0, 0], 'max': [4, 1, 5]} 1 1 1 {'min': [-0.5, 0], 'max': [1, 2]}\n");
}

TEST_F(Info, JsonStaysValidWhenNoTriangleIsFinite) {
    Bytes tris;
    PutTriangle(tris, {0, 0, 0, 1, 0, 0, 0, std::numeric_limits<float>::infinity(), 0}, kUp,
                {0, 0, 1, 0, 0, 1});
    WriteFile(Path("inf.rvf"), RvfFile(tris, 1));
    RunResult r = Tool({"info", "--json", Path("inf.rvf")});
    ASSERT_EQ(r.status, 0) << r.err;
    WriteFile(Path("info.json"), r.out);
    RunResult parsed = RunProgram("/usr/bin/python3",
                                  {"-c",
                                   "import json, sys; d = json.load(sys.stdin); "
                                   "print(d['bounds'], d['texCoords'], d['nonFiniteTriangles'])"},
                                  Path("info.json"));
    EXPECT_EQ(parsed.out, "{'min': None, 'max': None} {'min': None, 'max': None} 1\n") << r.out << parsed.err;
}

TEST_F(Info, RefusesFilesThatAreNotRvf) {
    WriteFile(Path("text.rvf"), std::string("hello, this is no mesh at all\n"));
    RunResult r = Tool({"info", Path("text.rvf")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rvftool: " + Path("text.rvf") +
                         ": not an RVF file (no \"TRIS\" chunk inside an \"RVF \" container)\n");
    EXPECT_EQ(r.out, "");
}

TEST_F(Info, ReportsTheReadersReasonForATruncatedFile) {
    Bytes b = SampleMesh();
    b.resize(b.size() - 1);
    WriteFile(Path("short.rvf"), b);
    RunResult r = Tool({"info", Path("short.rvf")});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rvftool: " + Path("short.rvf") + ": Unable to read triangles\n");
}
