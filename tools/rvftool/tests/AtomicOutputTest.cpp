#include "tools/rvftool/tests/ToolRun.h"

namespace {

Bytes BareBody() {
    Bytes b;
    PutU32(b, 2);
    for (int i = 0; i < 2 * 24; ++i) PutF32(b, float(i % 7) * 0.25f);
    return b;
}

const std::string kOldContent = "the user's own file, which must survive\n";

}  // namespace

class AtomicOutput : public ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        WriteFile(Path("mesh.bin"), BareBody());
        RunResult made = RunProgram("/usr/bin/convert", {"-size", "64x64", "xc:#8080ff", Path("map.png")});
        ASSERT_EQ(made.status, 0) << made.err;
        ASSERT_EQ(Tool({"convert", Path("mesh.bin"), Path("mesh.rvf")}).status, 0);
    }
};

// Writes fail past 100 bytes, as on a full disk: every command reports it, and leaves the file
// it was to replace byte for byte, with no temporary beside it.
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
        std::set<std::string> before = DirEntries(dir);
        RunResult r = Tool(args, 100);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_EQ(r.err.rfind("rvftool: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(Path("out")), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_EQ(FileText(Path("out")), kOldContent) << args[0];
        EXPECT_EQ(DirEntries(dir), before) << args[0];
    }
}

TEST_F(AtomicOutput, ReplacedFileKeepsItsPermissionsAndNewOnesFollowTheUmask) {
    WriteFile(Path("out.rvf"), kOldContent);
    ASSERT_EQ(chmod(Path("out.rvf").c_str(), 0640), 0);
    ASSERT_EQ(Tool({"convert", Path("mesh.bin"), Path("out.rvf")}).status, 0);
    EXPECT_EQ(FileBytes(Path("out.rvf")), FileBytes(Path("mesh.rvf")));
    struct stat st;
    ASSERT_EQ(stat(Path("out.rvf").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);

    mode_t mask = umask(0);
    umask(mask);
    ASSERT_EQ(stat(Path("mesh.rvf").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0666u & ~mask);
}

TEST_F(AtomicOutput, LinkStaysALinkToTheNewFile) {
    WriteFile(Path("real.rvf"), kOldContent);
    ASSERT_EQ(symlink("real.rvf", Path("link.rvf").c_str()), 0);
    ASSERT_EQ(Tool({"convert", Path("mesh.bin"), Path("link.rvf")}).status, 0);
    struct stat st;
    ASSERT_EQ(lstat(Path("link.rvf").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(FileBytes(Path("real.rvf")), FileBytes(Path("mesh.rvf")));
}

TEST_F(AtomicOutput, UnwritableTargetsFailWithOneMessage) {
    ASSERT_EQ(mkdir(Path("sub").c_str(), 0755), 0);
    RunResult onDir = Tool({"convert", Path("mesh.bin"), Path("sub")});
    EXPECT_EQ(onDir.status, 1);
    EXPECT_EQ(onDir.err, "rvftool: '" + Path("sub") + "' is a directory\n");
    RunResult noDir = Tool({"convert", Path("mesh.bin"), Path("none/out.rvf")});
    EXPECT_EQ(noDir.status, 1);
    EXPECT_EQ(noDir.err, "rvftool: cannot create a temporary file in '" + Path("none/") +
                             "': No such file or directory\n");
    rmdir(Path("sub").c_str());
}
