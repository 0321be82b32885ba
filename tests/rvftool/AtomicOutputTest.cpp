#include <sys/stat.h>

#include "tests/rvftool/ToolRun.h"

namespace {

const std::string kOld = "the user's own file, which must survive\n";

}  // namespace

class AtomicOutput : public ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        std::vector<float> floats;  // two triangles, so that every output passes 100 bytes
        for (int i = 0; i < 48; ++i) floats.push_back(float(i % 7) * 0.25f);
        Bytes rvf = RvfFile(floats);
        WriteFile(Path("mesh.rvf"), Text(rvf));
        WriteFile(Path("mesh.bin"), Text(Bytes(rvf.begin() + 16, rvf.end())));
        RunResult made = RunProgram("/usr/bin/convert", {"-size", "64x64", "xc:#8080ff", Path("map.png")});
        ASSERT_EQ(made.status, 0) << made.err;
    }
    mode_t Mode(const std::string& name) {
        struct stat st;
        return lstat(Path(name).c_str(), &st) == 0 ? st.st_mode : 0;
    }
};

// Writes fail past 100 bytes, as on a full disk: every command reports it in one line and
// leaves the file it was to replace byte for byte, with no temporary left beside it.
TEST_F(AtomicOutput, FailedWriteLeavesTheExistingFileUntouched) {
    const std::vector<std::string> commands[] = {
        {"convert", Path("mesh.bin"), Path("out")},
        {"import", RVFTOOL_TEST_DATA "/triangles.obj", Path("out")},
        {"map", Path("map.png"), Path("out")},
        {"tangents", Path("mesh.rvf"), Path("out")},
        {"tangents", "--binary", Path("mesh.rvf"), Path("out")},
    };
    for (const std::vector<std::string>& args : commands) {
        WriteFile(Path("out"), kOld);
        RunResult r = Tool(args, 100);
        EXPECT_EQ(r.status, 1) << args[0];
        EXPECT_EQ(r.err.rfind("rvftool: ", 0), 0u) << r.err;
        EXPECT_NE(r.err.find(Path("out")), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_EQ(FileText(Path("out")), kOld) << args[0];
        EXPECT_EQ(RunProgram("/bin/ls", {"-A", dir}).out, "map.png\nmesh.bin\nmesh.rvf\nout\n") << args[0];
    }
}

TEST_F(AtomicOutput, ReplacedFileKeepsItsPermissionsAndLinks) {
    mode_t mask = umask(0);
    umask(mask);
    ASSERT_EQ(Tool({"convert", Path("mesh.bin"), Path("new.rvf")}).status, 0);
    EXPECT_EQ(Mode("new.rvf") & 07777, 0666u & ~mask);
    WriteFile(Path("out.rvf"), kOld);
    ASSERT_EQ(chmod(Path("out.rvf").c_str(), 0640), 0);
    ASSERT_EQ(symlink("out.rvf", Path("link.rvf").c_str()), 0);
    EXPECT_EQ(Tool({"convert", Path("mesh.bin"), Path("link.rvf")}).status, 0);
    EXPECT_TRUE(S_ISLNK(Mode("link.rvf")));
    EXPECT_EQ(Mode("out.rvf") & 07777, 0640u);
    EXPECT_EQ(FileText(Path("out.rvf")), FileText(Path("mesh.rvf")));
}
