// Helpers for the rvfrender tests: the real program run without a display and its PNG read
// back through ImageMagick.
#ifndef TESTS_RVFRENDER_RENDERRUN_H
#define TESTS_RVFRENDER_RENDERRUN_H

#include <array>

#include "tests/rvftool/ToolRun.h"

typedef std::array<int, 3> Rgb;

const std::string kSampleMesh = RVF_SAMPLES_DIR "/torus.rvf";
const std::string kSampleMap = RVF_SAMPLES_DIR "/torus_normals.tga";

// A picture as stored, top row first; outside it every pixel is (-1, -1, -1).
struct Picture {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb;
    Rgb At(int x, int y) const {
        if (x < 0 || y < 0 || x >= width || y >= height) return {-1, -1, -1};
        const unsigned char* p = &rgb[3 * (std::size_t(width) * y + x)];
        return {p[0], p[1], p[2]};
    }
    // How many pixels pass `test`.
    template <typename Test>
    int Count(Test test) const {
        int n = 0;
        for (std::size_t i = 0; i < rgb.size(); i += 3) n += test(Rgb{rgb[i], rgb[i + 1], rgb[i + 2]});
        return n;
    }
};

// The PNG at `path` as ImageMagick decodes it; an empty picture when it cannot.
inline Picture ReadPng(const std::string& path) {
    RunResult r = RunProgram("/usr/bin/convert", {path, "-depth", "8", "PPM:-"});
    Picture p;
    int header = 0;
    if (r.status != 0 || std::sscanf(r.out.c_str(), "P6 %d %d 255%*c%n", &p.width, &p.height, &header) != 2 ||
        r.out.size() != std::size_t(header) + 3u * p.width * p.height)
        return Picture();
    p.rgb.assign(r.out.begin() + header, r.out.end());
    return p;
}

// Whether the pictures in files a and b are equal pixel for pixel, as ImageMagick compares them.
inline testing::AssertionResult SamePictures(const std::string& a, const std::string& b) {
    RunResult c = RunProgram("/usr/bin/compare", {"-metric", "AE", a, b, "null:"});
    if (c.status != 0)
        return testing::AssertionFailure() << a << " and " << b << ": " << c.err << " pixels differ";
    return testing::AssertionSuccess();
}

class RenderTest : public ToolTest {
protected:
    // rvfrender must not need a display.
    void SetUp() override {
        ToolTest::SetUp();
        unsetenv("DISPLAY");
    }
    RunResult Render(const std::vector<std::string>& args) { return RunProgram(RVFRENDER_PATH, args); }
    // Draws `mesh` with `map` and the options into out.png and reads it back.
    Picture Draw(const std::string& mesh, const std::string& map, std::vector<std::string> options = {}) {
        options.insert(options.end(), {mesh, map, "out.png"});
        RunResult r = Render(options);
        EXPECT_EQ(r.status, 0) << r.err;
        return ReadPng("out.png");
    }
};

#endif
