#include <sys/stat.h>

#include "tests/rvftool/ToolRun.h"

namespace {

const std::string kOld = "the user's own file, which must survive\n";

// The permission bits of `path`, or of the link itself with `link`; 0 when there is none.
mode_t Mode(const char* path, bool link = false) {
    struct stat st = {};
    return (link ? lstat(path, &st) : stat(path, &st)) == 0 ? st.st_mode : 0;
}

}  // namespace

class AtomicOutput : public ToolTest {
protected:
    void SetUp() override {
        ToolTest::SetUp();
        std::vector<float> floats;  // two triangles, so that every output passes 100 bytes
        for (int i = 0; i < 48; ++i) floats.push_back(float(i % 7) * 0.25f);
        Bytes rvf = RvfFile(floats);
        WriteFile("mesh.rvf", Text(rvf));
        WriteFile("mesh.bin", Text(Bytes(rvf.begin() + 16, rvf.end())));
        RunResult made = RunProgram("/usr/bin/convert", {"-size", "64x64", "xc:#8080ff", "map.png"});
        ASSERT_EQ(made.status, 0) << made.err;
    }
};

// Writes fail past 100 bytes, as on a full disk: every command reports it in one line and
// leaves the file it was to replace byte for byte, with no temporary left beside it.
TEST_F(AtomicOutput, FailedWriteLeavesTheExistingFileUntouched) {
    const std::string tooLarge = "rvftool: cannot write 'out': File too large\n";
    const std::pair<std::vector<std::string>, std::string> cases[] = {
        {{"convert", "mesh.bin", "out"}, tooLarge},
        {{"import", RVFTOOL_TEST_DATA "/triangles.obj", "out"}, tooLarge},
        {{"map", "map.png", "out"}, "rvftool: out: ERROR! Texels not written successfully!"},
        {{"tangents", "mesh.rvf", "out"}, tooLarge},
        {{"tangents", "--binary", "mesh.rvf", "out"}, tooLarge},
    };
    for (const auto& c : cases) {
        WriteFile("out", kOld);
        RunResult r = Tool(c.first, 100);
        EXPECT_EQ(r.status, 1) << c.first[0];
        EXPECT_EQ(r.err.rfind(c.second, 0), 0u) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
        EXPECT_EQ(FileText("out"), kOld) << c.first[0];
        EXPECT_EQ(RunProgram("/bin/ls", {"-A"}).out, "map.png\nmesh.bin\nmesh.rvf\nout\n") << c.first[0];
    }
}

// A new file gets the permissions the umask leaves; a replaced one keeps its own, and a link
// to it stays a link.
TEST_F(AtomicOutput, ReplacedFileKeepsItsPermissionsAndLinks) {
    mode_t mask = umask(0);
    umask(mask);
    ASSERT_EQ(Tool({"convert", "mesh.bin", "new.rvf"}).status, 0);
    EXPECT_EQ(Mode("new.rvf") & 07777, 0666u & ~mask);
    WriteFile("out.rvf", kOld);
    ASSERT_EQ(chmod("out.rvf", 0640), 0);
    ASSERT_EQ(symlink("out.rvf", "link.rvf"), 0);
    EXPECT_EQ(Tool({"convert", "mesh.bin", "link.rvf"}).status, 0);
    EXPECT_TRUE(S_ISLNK(Mode("link.rvf", true)));
    EXPECT_EQ(Mode("out.rvf") & 07777, 0640u);
    EXPECT_EQ(FileText("out.rvf"), FileText("mesh.rvf"));
}
