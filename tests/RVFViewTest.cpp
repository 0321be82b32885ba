// The real RVFView program: arguments, choosers on the console, keys sent to its window,
// exit statuses, extension checks, reloading and leaks.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "ViewerProgram.h"

namespace {

class RVFView : public testing::Test {
protected:
    void SetUp() override {
        if (getenv("DISPLAY") == nullptr) GTEST_SKIP() << "needs an X display (run under xvfb-run)";
    }
};

TEST_F(RVFView, OpensTheTwoArgumentsAndQuitsWithQ) {
    Outcome o = RunViewer({{kMesh, kMap}, {}, "", {"a", "a", "a", "a", "c", "Q"}});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, kHelp +
                         "Normal map.\nVertex lighting.\nAlpha.\nDiffuse lit normal map.\n"
                         "Not converting light into tangent space\n");
}

TEST_F(RVFView, QuitsWithEscape) {
    Outcome o = RunViewer({{kMesh, kMap}, {}, "", {"n", "t", "w", "Escape"}});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, kHelp);
}

TEST_F(RVFView, BadFirstArgumentAsksForAMeshAndStillTriesTheSecond) {
    Outcome o =
        RunViewer({{"/nonexistent/mesh.rvf", kMap}, {}, "/nonexistent/again.rvf\n" + kMesh + "\n", {"q"}});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, kHelp +
                         "ERROR: Unable to open file: /nonexistent/mesh.rvf\n"
                         "Select Relievo Data File (.rvf)\n"
                         "ERROR: Unable to open file: /nonexistent/again.rvf\n"
                         "Select Relievo Data File (.rvf)\n");
}

TEST_F(RVFView, OtherArgumentCountsAskForBothFiles) {
    Outcome o = RunViewer({{kMesh}, {}, kMesh + "\n" + kMap + "\n", {"q"}});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, kHelp + "Select Relievo Data File (.rvf)\nSelect Normal Map Texture (.tga)\n");
}

TEST_F(RVFView, CancelledChooserEndsWithStatus255) {
    Outcome o = RunViewer({{}, {}, "", {}});
    EXPECT_EQ(o.status, 255);
    EXPECT_EQ(o.out, kHelp + "Select Relievo Data File (.rvf)\nError: Invalid or no file chosen.\n");

    o = RunViewer({{kMesh, "/nonexistent/map.tga"}, {}, "\n", {}});
    EXPECT_EQ(o.status, 255);
    EXPECT_EQ(o.out, kHelp +
                         "ERROR: Unable to open file: /nonexistent/map.tga\n"
                         "Select Normal Map Texture (.tga)\nError: Invalid or no file chosen.\n");
}

TEST_F(RVFView, MissingCombineExtensionEndsWithStatus255) {
    // Mesa hides the dot3 extension with it and may warn on standard output first.
    Outcome o = RunViewer({{kMesh, kMap}, {"MESA_EXTENSION_OVERRIDE=-GL_ARB_texture_env_combine"}, "", {}});
    EXPECT_EQ(o.status, 255);
    const std::string message = "No GL_EXT_texture_env_combine support!\n";
    EXPECT_EQ(o.out.substr(0, kHelp.size()), kHelp);
    ASSERT_GE(o.out.size(), message.size());
    EXPECT_EQ(o.out.substr(o.out.size() - message.size()), message);
    EXPECT_EQ(o.out.find("dot3"), std::string::npos);
}

TEST_F(RVFView, MissingDot3ExtensionEndsWithStatus255) {
    Outcome o = RunViewer(
        {{kMesh, kMap},
         {"LD_PRELOAD=" GL_SHIM_PATH, "RVF_TEST_EXTENSIONS=GL_ARB_texture_env_combine GL_EXT_other"},
         "",
         {}});
    EXPECT_EQ(o.status, 255);
    EXPECT_EQ(o.out, kHelp + "No GL_EXT_texture_env_dot3 support!\n");
}

TEST_F(RVFView, ExtensionsAsLastWordsAreFound) {
    Outcome o = RunViewer({{kMesh, kMap},
                           {"LD_PRELOAD=" GL_SHIM_PATH,
                            "RVF_TEST_EXTENSIONS=GL_A GL_ARB_texture_env_combine GL_ARB_texture_env_dot3"},
                           "",
                           {"q"}});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, kHelp);
}

TEST_F(RVFView, ReloadFromTheConsoleKeepsOneTextureObject) {
    Outcome o = RunViewer({{kMesh, kMap},
                           {"LD_PRELOAD=" GL_SHIM_PATH, "RVF_TEST_COUNT_TEXTURES=1"},
                           kMesh + "\n" + kMap + "\n" + kMesh + "\n" + kMap + "\n",
                           {"l", "L", "q"}});
    EXPECT_EQ(o.status, 0);
    const std::string ask = "Select Relievo Data File (.rvf)\nSelect Normal Map Texture (.tga)\n";
    EXPECT_EQ(o.out, kHelp + ask + ask);
    EXPECT_EQ(o.err, "textures alive: 1\n");
}

// Every reload replaces the mesh, light-vector and texel arrays; the old ones must be released.
// GL's own allocations show up as indirect leaks at exit and are not ours. The texel pointer sits
// unaligned in the byte-packed map descriptor, where LeakSanitizer looks only when told to.
TEST_F(RVFView, ReloadsLeakNothing) {
    std::string lsan = LSAN_RUNTIME;
    if (lsan.empty() || lsan[0] != '/') GTEST_SKIP() << "no LeakSanitizer runtime";
    std::string input;
    for (int i = 0; i < 4; ++i) input += kMesh + "\n" + kMap + "\n";
    Outcome o = RunViewer({{kMesh, kMap},
                           {"LD_PRELOAD=" + lsan, "LSAN_OPTIONS=exitcode=0:use_unaligned=1"},
                           input,
                           {"l", "l", "l", "l", "q"}});
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.err.find("cannot be preloaded"), std::string::npos) << o.err;
    EXPECT_EQ(o.err.find("Direct leak"), std::string::npos) << o.err;
}

}  // namespace
