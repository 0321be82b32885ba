// Helpers for the rvfrender tests: the real program run without a display and its PNG read
// back with libpng.
#ifndef TESTS_RVFRENDER_RENDERRUN_H
#define TESTS_RVFRENDER_RENDERRUN_H

#include <png.h>

#include <array>

#include "tests/rvftool/ToolRun.h"

typedef std::array<int, 3> Rgb;

const std::string kSampleMesh = RVF_SAMPLES_DIR "/torus.rvf";
const std::string kSampleMap = RVF_SAMPLES_DIR "/torus_normals.tga";

// A picture as stored, top row first.
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
        options.insert(options.end(), {mesh, map, Path("out.png")});
        RunResult r = Render(options);
        EXPECT_EQ(r.status, 0) << r.err;
        png_image image;
        std::memset(&image, 0, sizeof image);
        image.version = PNG_IMAGE_VERSION;
        Picture p;
        if (!png_image_begin_read_from_file(&image, Path("out.png").c_str())) return p;
        image.format = PNG_FORMAT_RGB;
        p.width = int(image.width);
        p.height = int(image.height);
        p.rgb.assign(PNG_IMAGE_SIZE(image), 0);
        EXPECT_TRUE(png_image_finish_read(&image, nullptr, p.rgb.data(), 0, nullptr)) << image.message;
        return p;
    }
};

#endif
