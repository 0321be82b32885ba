#include "tests/rvftool/ToolRun.h"

typedef ToolTest AtomicOutput;

// Writes fail past 100 bytes, as on a full disk: every command reports it in one line and
// leaves the file it was to replace byte for byte, with no temporary left beside it.
TEST_F(AtomicOutput, FailedWriteLeavesTheExistingFileUntouched) {
    std::vector<float> floats;  // two triangles, so that every output passes 100 bytes
    for (int i = 0; i < 48; ++i) floats.push_back(float(i % 7) * 0.25f);
    WriteFile("mesh.rvf", RvfFile(floats));
    WriteFile("mesh.bin", RvfFile(floats).substr(16));
    RunResult made = RunProgram("/usr/bin/convert", {"-size", "64x64", "xc:#8080ff", "map.png"});
    ASSERT_EQ(made.status, 0) << made.err;
    const std::string old = "the user's own file, which must survive\n";
    const std::string tooLarge = "rvftool: cannot write 'out': File too large\n";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"convert", "mesh.bin", "out"}, tooLarge},
        {{"import", RVFTOOL_TEST_DATA "/triangles.obj", "out"}, tooLarge},
        {{"map", "map.png", "out"}, "rvftool: out: ERROR! Texels not written successfully!"},
        {{"tangents", "mesh.rvf", "out"}, tooLarge},
        {{"tangents", "--binary", "mesh.rvf", "out"}, tooLarge},
    };
    for (const auto& c : cases) {
        WriteFile("out", old);
        RunResult r = Tool(c.first, 100);
        EXPECT_EQ(r.status, 1) << c.first[0];
        EXPECT_EQ(r.err.rfind(c.second, 0), 0u) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_EQ(FileText("out"), old) << c.first[0];
        EXPECT_EQ(RunProgram("/bin/ls", {"-A"}).out, "map.png\nmesh.bin\nmesh.rvf\nout\n") << c.first[0];
    }
}
