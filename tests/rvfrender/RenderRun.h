// Helpers for the rvfrender tests: the program run without a display, pictures compared by ImageMagick.
#ifndef TESTS_RVFRENDER_RENDERRUN_H
#define TESTS_RVFRENDER_RENDERRUN_H

#include "tests/rvftool/ToolRun.h"

inline const std::string kMesh = RVF_SAMPLES_DIR "/torus.rvf";
inline const std::string kMap = RVF_SAMPLES_DIR "/torus_normals.tga";

// Whether the pictures in files a and b are equal pixel for pixel, as ImageMagick compares them.
inline testing::AssertionResult SamePictures(const std::string& a, const std::string& b) {
    RunResult c = RunProgram("/usr/bin/compare", {"-metric", "AE", a, b, "null:"});
    if (c.status != 0)
        return testing::AssertionFailure() << a << " and " << b << ": " << c.err << " pixels differ";
    return testing::AssertionSuccess();
}

// rvfrender run with `args`, without a display: it must need none.
inline RunResult Render(const std::vector<std::string>& args) {
    unsetenv("DISPLAY");
    return RunProgram(RVFRENDER_PATH, args);
}

#endif
