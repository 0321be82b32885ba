// Helpers for the rvfrender tests: the real program run in a child process, its PNG read back
// with libpng, and the bundled sample and an OBJ quad with a PNG map taken through rvftool.
#ifndef TOOLS_RVFRENDER_TESTS_RENDERRUN_H
#define TOOLS_RVFRENDER_TESTS_RENDERRUN_H

#include <png.h>

#include <array>

#include "tools/rvftool/tests/ToolRun.h"

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

    // quad.rvf from rvftool's OBJ quad, and from an 8 x 8 PNG whose quadrants are red (top
    // left), green, blue and the flat normal (bottom right), with alpha 255, 170, 85 and 0:
    // map24.tga and map32.tga.
    void MakeQuad() {
        std::string pam = "P7\nWIDTH 8\nHEIGHT 8\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
        const unsigned char quadrants[4][4] = {
            {255, 0, 0, 255}, {0, 255, 0, 170}, {0, 0, 255, 85}, {128, 128, 255, 0}};
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x)
                pam.append(reinterpret_cast<const char*>(quadrants[2 * (y / 4) + x / 4]), 4);
        WriteFile(Path("map.pam"), pam);
        const std::vector<std::vector<std::string>> steps = {
            {"/usr/bin/convert", Path("map.pam"), "PNG32:" + Path("map.png")},
            {RVFTOOL_PATH, "import", RVFTOOL_TEST_DATA "/quad.obj", Path("quad.rvf")},
            {RVFTOOL_PATH, "map", "--depth", "24", Path("map.png"), Path("map24.tga")},
            {RVFTOOL_PATH, "map", Path("map.png"), Path("map32.tga")}};
        for (const std::vector<std::string>& step : steps) {
            RunResult r = RunProgram(step[0], std::vector<std::string>(step.begin() + 1, step.end()));
            ASSERT_EQ(r.status, 0) << step[0] << ": " << r.err;
        }
    }
};

// The quad covers pixels 45 to 467 of the start-up view; the centres of its quadrants:
const int kLeft = 150, kRight = 362, kTop = 150, kBottom = 362;
const Rgb kRed = {255, 0, 0}, kGreen = {0, 255, 0}, kBlue = {0, 0, 255}, kBlack = {0, 0, 0},
          kWhite = {255, 255, 255};

#endif
