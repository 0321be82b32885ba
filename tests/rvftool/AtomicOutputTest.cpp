#include "tests/rvftool/ToolRun.h"

namespace {

const std::string kOldContent = "the user's own file, which must survive\n";

}  // namespace

class AtomicOutput : public ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        Bytes bare;
        PutU32(bare, 2);
        for (int i = 0; i < 2 * 24; ++i) PutF32(bare, float(i % 7) * 0.25f);
        WriteFile(Path("mesh.bin"), Text(bare));
        RunResult made = RunProgram("/usr/bin/convert", {"-size", "64x64", "xc:#8080ff", Path("map.png")});
        ASSERT_EQ(made.status, 0) << made.err;
        ASSERT_EQ(Tool({"convert", Path("mesh.bin"), Path("mesh.rvf")}).status, 0);
    }
    mode_t Mode(const std::string& name) {
        struct stat st;
        return lstat(Path(name).c_str(), &st) == 0 ? st.st_mode : 0;
    }
};

// Writes fail past 100 bytes, as on a full disk: every command reports it in one line and
// leaves the file it was to replace byte for byte, with no temporary left beside it.
TEST_F(AtomicOutput, FailedWriteLeavesTheExistingFileUntouched) {
    const std::vector<std::vector<std::string>> commands = {
        {"convert", Path("mesh.bin"), Path("out")},
        {"import", RVFTOOL_TEST_DATA "/triangles.obj", Path("out")},
        {"map", Path("map.png"), Path("out")},
        {"tangents", Path("mesh.rvf"), Path("out")},
        {"tangents", "--binary", Path("mesh.rvf"), Path("out")},
    };
    for (const std::vector<std::string>& args : commands) {
        WriteFile(Path("out"), kOldContent);
        RunResult r = Tool(args, 100);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_EQ(r.err.rfind("rvftool: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(Path("out")), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_EQ(FileText(Path("out")), kOldContent) << args[0];
        EXPECT_EQ(RunProgram("/bin/ls", {"-A", dir}).out, "map.png\nmesh.bin\nmesh.rvf\nout\n") << args[0];
    }
}

TEST_F(AtomicOutput, ReplacedFileKeepsItsPermissionsAndLinks) {
    mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(Mode("mesh.rvf") & 07777, 0666u & ~mask);
    WriteFile(Path("out.rvf"), kOldContent);
    ASSERT_EQ(chmod(Path("out.rvf").c_str(), 0640), 0);
    ASSERT_EQ(symlink("out.rvf", Path("link.rvf").c_str()), 0);
    EXPECT_EQ(Tool({"convert", Path("mesh.bin"), Path("link.rvf")}).status, 0);
    EXPECT_TRUE(S_ISLNK(Mode("link.rvf")));
    EXPECT_EQ(Mode("out.rvf") & 07777, 0640u);
    EXPECT_EQ(FileText(Path("out.rvf")), FileText(Path("mesh.rvf")));
}

TEST_F(AtomicOutput, UnwritableTargetsFailWithOneMessage) {
    RunResult onDir = Tool({"convert", Path("mesh.bin"), dir});
    EXPECT_EQ(onDir.status, 1);
    EXPECT_EQ(onDir.err, "rvftool: '" + dir + "' is a directory\n");
    RunResult noDir = Tool({"convert", Path("mesh.bin"), Path("none/out.rvf")});
    EXPECT_EQ(noDir.err, "rvftool: cannot create a temporary file in '" + Path("none/") +
                             "': No such file or directory\n");
}
