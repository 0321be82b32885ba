// Screenshots: saved as a PNG under a name that replaces nothing. What they hold is compared with
// rvfrender's pictures in the program's tests, and rvfrender's with the window.
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "tests/TestFiles.h"
#include "tests/ViewerWindow.h"

namespace {

typedef ViewerWindow Screenshot;

// Names relative to the working directory; files already there keep their contents.
TEST_F(Screenshot, TakesTheFirstFreeNameBesideTheMeshOrHere) {
    const struct {
        const char* name;
        std::string mesh;
        std::vector<std::string> existing;
        std::string saved;
    } rows[] = {
        {"first free number", "d/square.rvf", {"d/square-001.png", "d/square-003.png"}, "d/square-002.png"},
        {"dot in a directory, none in the name", "d.e/square", {}, "d.e/square-001.png"},
        {"the mesh's directory is gone", "gone/square.rvf", {"square-001.png"}, "square-002.png"},
    };
    const PeerDir dir;
    for (size_t i = 0; i < sizeof rows / sizeof rows[0]; ++i) {
        SCOPED_TRACE(rows[i].name);
        const std::string row = dir.File(std::to_string(i));
        ASSERT_TRUE(mkdir(row.c_str(), 0755) == 0 && chdir(row.c_str()) == 0);
        ASSERT_TRUE(mkdir("d", 0755) == 0 && mkdir("d.e", 0755) == 0);
        for (const std::string& f : rows[i].existing) ASSERT_TRUE(WriteFile(f, Bytes{'o', 'l', 'd'}));
        gMeshPath = rows[i].mesh;
        CaptureStdout();
        const bool saved = SaveScreenshot();
        EXPECT_EQ(CapturedStdout(), rows[i].saved + "\n");
        EXPECT_TRUE(saved);
        for (const std::string& f : rows[i].existing) EXPECT_EQ(FileBytes(f), (Bytes{'o', 'l', 'd'})) << f;
    }
    EXPECT_EQ(chdir("/"), 0);
}

}  // namespace
