#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/TestFiles.h"
#include "viewer/RVFView.h"

namespace {

TEST(Choosers, PathTooLongForTheBufferIsRefusedAndAskedAgain) {
    const std::string longest(kPathBufferSize - 1, 'a');
    const std::string answers = longest + "b\n" + longest + "\r\n";
    const PeerDir dir;
    ASSERT_TRUE(dir.made && WriteFile(dir.File("in"), Bytes(answers.begin(), answers.end())));
    ASSERT_NE(freopen(dir.File("in").c_str(), "r", stdin), nullptr);
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

// A zenity of ours alone on the PATH. Its arguments, its warnings and its failures are the
// program tests' (RVFViewTest.cpp); here, a path that a shell would change.
TEST(Choosers, ZenityGivesThePathAsItIs) {
    const PeerDir dir;
    const std::string script = "#!/bin/sh\necho '/home/me/odd $(name).rvf'\n";
    ASSERT_TRUE(dir.made && WriteFile(dir.File("zenity"), Bytes(script.begin(), script.end())));
    ASSERT_EQ(chmod(dir.File("zenity").c_str(), 0755), 0);
    setenv("PATH", dir.path, 1);
    setenv("DISPLAY", ":0", 1);
    char buffer[kPathBufferSize] = "";
    CaptureStdout();
    EXPECT_TRUE(GetRVFFileName(nullptr, buffer));
    EXPECT_EQ(CapturedStdout(), "");
    EXPECT_STREQ(buffer, "/home/me/odd $(name).rvf");
}

}  // namespace
