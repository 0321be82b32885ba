#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/TestFiles.h"
#include "viewer/RVFView.h"

namespace {

// Standard input reads `text`.
void ConsoleAnswers(const std::string& text) {
    char path[] = "/tmp/rvfview_console_XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fd);
    ASSERT_NE(freopen(path, "r", stdin), nullptr);
    unlink(path);
}

TEST(Choosers, PathTooLongForTheBufferIsRefusedAndAskedAgain) {
    const std::string longest(kPathBufferSize - 1, 'a');
    ConsoleAnswers(longest + "b\n" + longest + "\r\n");
    setenv("PATH", "/nonexistent", 1);
    char buffer[kPathBufferSize] = "";
    CaptureStdout();
    EXPECT_TRUE(GetTextureFileName(nullptr, buffer));
    EXPECT_EQ(CapturedStdout(),
              "Select Normal Map Texture (.tga)\n"
              "Error: The chosen path is 1024 characters long; at most 1023 can be used.\n"
              "Select Normal Map Texture (.tga)\n");
    EXPECT_EQ(std::string(buffer), longest);
}

// A zenity of ours alone on the PATH that runs `script`. Its arguments, its warnings and its
// failures are the program tests' (RVFViewTest.cpp); here, a path that a shell would change.
class Zenity : public testing::Test {
protected:
    void Install(const std::string& script) {
        ASSERT_NE(mkdtemp(dir_), nullptr);
        std::ofstream(Path("zenity")) << "#!/bin/sh\n" << script;
        chmod(Path("zenity").c_str(), 0755);
        setenv("PATH", dir_, 1);
        setenv("DISPLAY", ":0", 1);
    }
    void TearDown() override {
        unlink(Path("zenity").c_str());
        rmdir(dir_);
    }
    std::string Path(const char* name) const { return std::string(dir_) + "/" + name; }
    char dir_[32] = "/tmp/rvfview_zenity_XXXXXX";
    char buffer_[kPathBufferSize] = "";
};

TEST_F(Zenity, GivesThePathAsItIs) {
    Install("echo '/home/me/odd $(name).rvf'\n");
    CaptureStdout();
    EXPECT_TRUE(GetRVFFileName(nullptr, buffer_));
    EXPECT_EQ(CapturedStdout(), "");
    EXPECT_STREQ(buffer_, "/home/me/odd $(name).rvf");
}

}  // namespace
