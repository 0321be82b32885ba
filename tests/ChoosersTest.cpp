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

// A zenity of ours alone on the PATH: it records its arguments and then runs `script`.
class Zenity : public testing::Test {
protected:
    void Install(const std::string& script) {
        ASSERT_NE(mkdtemp(dir_), nullptr);
        std::ofstream(Path("zenity")) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > " << dir_ << "/args\n" << script;
        chmod(Path("zenity").c_str(), 0755);
        setenv("PATH", dir_, 1);
        setenv("DISPLAY", ":0", 1);
    }
    void TearDown() override {
        unlink(Path("zenity").c_str());
        unlink(Path("args").c_str());
        rmdir(dir_);
    }
    std::string Path(const char* name) const { return std::string(dir_) + "/" + name; }
    char dir_[32] = "/tmp/rvfview_zenity_XXXXXX";
    char buffer_[kPathBufferSize] = "";
};

TEST_F(Zenity, GetsTheTitleAndGivesThePath) {
    Install("echo '/home/me/odd $(name).rvf'\n");
    CaptureStdout();
    EXPECT_TRUE(GetRVFFileName(nullptr, buffer_));
    EXPECT_EQ(CapturedStdout(), "");
    EXPECT_STREQ(buffer_, "/home/me/odd $(name).rvf");
    std::ifstream args(Path("args"));
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(args), {}),
              "--file-selection\n--title=Select Relievo Data File (.rvf)\n");
}

TEST_F(Zenity, BrokenDialogFallsBackToTheConsole) {
    Install("exit 255\n");
    ConsoleAnswers("/from/console.tga\n");
    CaptureStdout();
    EXPECT_TRUE(GetTextureFileName(nullptr, buffer_));
    EXPECT_EQ(CapturedStdout(), "Select Normal Map Texture (.tga)\n");
    EXPECT_STREQ(buffer_, "/from/console.tga");
}

TEST_F(Zenity, CancelledDialogEndsTheProgram) {
    Install("exit 1\n");
    EXPECT_EXIT(GetTextureFileName(nullptr, buffer_), testing::ExitedWithCode(255), "");
}

}  // namespace
