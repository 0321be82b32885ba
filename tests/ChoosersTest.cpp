#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/TestFiles.h"
#include "viewer/RVFView.h"

namespace {

// Standard input reads `text`; no zenity on the PATH.
void ConsoleAnswers(const std::string& text) {
    char path[] = "/tmp/rvfview_console_XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fd);
    ASSERT_NE(freopen(path, "r", stdin), nullptr);
    unlink(path);
    setenv("PATH", "/nonexistent", 1);
}

TEST(Choosers, ConsolePromptsWithTheTitleAndReadsOnePath) {
    ConsoleAnswers("/data/with space.rvf\r\n/maps/n.tga\n");
    char buffer[kPathBufferSize] = "";
    CaptureStdout();
    EXPECT_TRUE(GetRVFFileName(nullptr, buffer));
    EXPECT_EQ(CapturedStdout(), "Select Relievo Data File (.rvf)\n");
    EXPECT_STREQ(buffer, "/data/with space.rvf");
    CaptureStdout();
    EXPECT_TRUE(GetTextureFileName(nullptr, buffer));
    EXPECT_EQ(CapturedStdout(), "Select Normal Map Texture (.tga)\n");
    EXPECT_STREQ(buffer, "/maps/n.tga");
}

TEST(Choosers, PathTooLongForTheBufferIsRefusedAndAskedAgain) {
    const std::string longest(kPathBufferSize - 1, 'a');
    ConsoleAnswers(longest + "b\n" + longest + "\n");
    char buffer[kPathBufferSize] = "";
    CaptureStdout();
    EXPECT_TRUE(GetTextureFileName(nullptr, buffer));
    EXPECT_EQ(CapturedStdout(),
              "Select Normal Map Texture (.tga)\n"
              "Error: The chosen path is 1024 characters long; at most 1023 can be used.\n"
              "Select Normal Map Texture (.tga)\n");
    EXPECT_EQ(std::string(buffer), longest);
}

TEST(Choosers, EndOfInputOrAnEmptyLineEndsTheProgram) {
    ConsoleAnswers("");
    char buffer[kPathBufferSize] = "";
    EXPECT_EXIT(GetRVFFileName(nullptr, buffer), testing::ExitedWithCode(255), "");
    ConsoleAnswers("\n/never/read\n");
    EXPECT_EXIT(GetRVFFileName(nullptr, buffer), testing::ExitedWithCode(255), "");
}

// A zenity of ours first on the PATH: it records its arguments and answers with `script`.
std::string FakeZenity(const std::string& script) {
    char dir[] = "/tmp/rvfview_zenity_XXXXXX";
    if (mkdtemp(dir) == nullptr) return "";
    std::string zenity = std::string(dir) + "/zenity";
    std::ofstream(zenity) << "#!/bin/sh\nprintf '%s\\n' \"$@\" > " << dir << "/args\n" << script;
    chmod(zenity.c_str(), 0755);
    setenv("PATH", dir, 1);
    setenv("DISPLAY", ":0", 1);
    return dir;
}

std::string Contents(const std::string& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void RemoveFakeZenity(const std::string& dir) {
    unlink((dir + "/zenity").c_str());
    unlink((dir + "/args").c_str());
    rmdir(dir.c_str());
}

TEST(Choosers, DesktopDialogGetsTheTitleAndGivesThePath) {
    std::string dir = FakeZenity("echo '/home/me/odd $(name).rvf'\n");
    char buffer[kPathBufferSize] = "";
    CaptureStdout();
    EXPECT_TRUE(GetRVFFileName(nullptr, buffer));
    EXPECT_EQ(CapturedStdout(), "");
    EXPECT_STREQ(buffer, "/home/me/odd $(name).rvf");
    EXPECT_EQ(Contents(dir + "/args"), "--file-selection\n--title=Select Relievo Data File (.rvf)\n");
    RemoveFakeZenity(dir);
}

TEST(Choosers, BrokenDesktopDialogFallsBackToTheConsole) {
    std::string dir = FakeZenity("exit 255\n");
    std::string path = getenv("PATH");
    ConsoleAnswers("/from/console.tga\n");
    setenv("PATH", path.c_str(), 1);
    char buffer[kPathBufferSize] = "";
    CaptureStdout();
    EXPECT_TRUE(GetTextureFileName(nullptr, buffer));
    EXPECT_EQ(CapturedStdout(), "Select Normal Map Texture (.tga)\n");
    EXPECT_STREQ(buffer, "/from/console.tga");
    RemoveFakeZenity(dir);
}

TEST(Choosers, CancelledDesktopDialogEndsTheProgram) {
    std::string dir = FakeZenity("exit 1\n");
    char buffer[kPathBufferSize] = "";
    EXPECT_EXIT(GetTextureFileName(nullptr, buffer), testing::ExitedWithCode(255), "");
    RemoveFakeZenity(dir);
}

}  // namespace
