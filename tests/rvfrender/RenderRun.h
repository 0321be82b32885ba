// Helpers for the rvfrender tests: the real program run in a child process without a display
// and its PNG read back with libpng.
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
    int width = 0;
    int height = 0;
    std::vector<unsigned char> rgb;
    Rgb At(int x, int y) const {
        const unsigned char* p = &rgb[3 * (static_cast<size_t>(width) * y + x)];
        return {p[0], p[1], p[2]};
    }
};

inline bool ReadPng(const std::string& path, Picture* picture) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    picture->width = static_cast<int>(image.width);
    picture->height = static_cast<int>(image.height);
    picture->rgb.assign(PNG_IMAGE_SIZE(image), 0);
    return png_image_finish_read(&image, nullptr, picture->rgb.data(), 0, nullptr) != 0;
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
        options.insert(options.end(), {mesh, map, Path("out.png")});
        RunResult r = Render(options);
        EXPECT_EQ(r.status, 0) << r.err;
        Picture picture;
        EXPECT_TRUE(ReadPng(Path("out.png"), &picture));
        return picture;
    }
};

#endif
