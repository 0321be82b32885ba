#include <functional>

#include "tests/rvfrender/RenderRun.h"

namespace {

bool IsGrey(Rgb c) { return c[0] == c[1] && c[1] == c[2]; }

// How many pixels of the picture pass `test`.
int Count(const Picture& p, const std::function<bool(Rgb)>& test) {
    int n = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) n += test(p.At(x, y));
    return n;
}

// The quad covers pixels 45 to 467 of the start-up view; the centres of its quadrants:
const int kLeft = 150, kRight = 362, kTop = 150, kBottom = 362;
const Rgb kRed = {255, 0, 0}, kGreen = {0, 255, 0}, kBlue = {0, 0, 255}, kBlack = {0, 0, 0},
          kWhite = {255, 255, 255};

}  // namespace

// The quad and its maps are made by rvftool from an OBJ and a PNG, as a user would.
class Render : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        MakeQuad();
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
    Picture DrawQuad(const std::vector<std::string>& options, const char* map = "map24.tga") {
        return Draw(Path("quad.rvf"), Path(map), options);
    }
};

TEST_F(Render, EachModeAndOverlayOnTheSampleAndOnAnImportedObj) {
    const int all = 512 * 512;
    const struct {
        std::vector<std::string> options;
        std::function<bool(const Picture&)> holds;
    } cases[] = {
        {{},  // dot3 writes one grey level; the black start-up background
         [&](const Picture& p) {
             return Count(p, IsGrey) == all && Count(p, [](Rgb c) { return c[0] > 220; }) > 1000 &&
                    p.At(0, 0) == kBlack && p.At(511, 511) == kBlack;
         }},
        {{"--mode", "normal-map"},
         [](const Picture& p) { return Count(p, [](Rgb c) { return !IsGrey(c); }) > 10000; }},
        {{"--mode", "2"},
         [&](const Picture& p) {
             return Count(p, IsGrey) == all && Count(p, [](Rgb c) { return c[0] > 200; }) > 1000;
         }},
        {{"--mode", "alpha"}, [&](const Picture& p) { return Count(p, IsGrey) == all; }},
        {{"--wireframe", "--mode", "1"},
         [&](const Picture& p) {
             return Count(p, [](Rgb c) { return c == kWhite || c == kBlack; }) == all &&
                    Count(p, [](Rgb c) { return c == kWhite; }) > 800;
         }},
        {{"--normals"}, [](const Picture& p) { return Count(p, [](Rgb c) { return c == kRed; }) > 2; }},
        {{"--tangents", "--rotate", "30,30"},
         [](const Picture& p) {
             return Count(p, [](Rgb c) { return c == kBlue; }) > 2 &&
                    Count(p, [](Rgb c) { return c == kGreen; }) > 2 &&
                    Count(p, [](Rgb c) { return c == kRed; }) == 0;
         }},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(c.holds(Draw(kSampleMesh, kSampleMap, c.options))) << testing::PrintToString(c.options);
        EXPECT_TRUE(c.holds(DrawQuad(c.options, "map32.tga"))) << testing::PrintToString(c.options);
    }
    EXPECT_EQ(Count(Draw(kSampleMesh, kSampleMap), [](Rgb c) { return c == kRed; }), 0) << "no overlay";
}

// The quadrants of the map: red, green, blue and the flat normal, with alpha 255, 170, 85, 0.
TEST_F(Render, MapIsShownUprightUnswappedLitFromTheEyeAndItsAlphaAsGrey) {
    Picture p = DrawQuad({"--mode", "1"});
    EXPECT_EQ(p.At(kLeft, kTop), kRed);
    EXPECT_EQ(p.At(kRight, kTop), kGreen);
    EXPECT_EQ(p.At(kLeft, kBottom), kBlue);
    EXPECT_EQ(p.At(kRight, kBottom), Rgb({128, 128, 255}));
    EXPECT_EQ(p.At(40, kBottom), kBlack);
    EXPECT_EQ(p.At(80, kBottom), kBlue);
    p = DrawQuad({"--mode", "3"}, "map32.tga");
    EXPECT_EQ(p.At(kLeft, kTop), kWhite);
    EXPECT_EQ(p.At(kRight, kTop), Rgb({170, 170, 170}));
    EXPECT_EQ(p.At(kLeft, kBottom), Rgb({85, 85, 85}));
    EXPECT_EQ(p.At(kRight, kBottom), kBlack);
    // The light sits at the eye: the normals that face it are lit, those turned away are dark.
    p = DrawQuad({});
    EXPECT_GT(p.At(kRight, kBottom)[0], 200);
    EXPECT_EQ(p.At(kLeft, kTop), kBlack);
    EXPECT_GT(p.At(kLeft, kBottom)[0], 100) << "tilted, but towards the light";
    p = Draw(kSampleMesh, kSampleMap);
    EXPECT_GT(p.At(256 + 169, 256)[0], 200) << "the torus's tube faces the eye, on a tile's flat face";
    EXPECT_EQ(p.At(256, 256), kBlack) << "the hole";
}

// A left drag sideways turns the object about the screen's y axis, one downwards about its x
// axis; a right drag brings it nearer, a middle drag moves it right and up.
TEST_F(Render, DragsTurnZoomAndPanTheObject) {
    Picture p = DrawQuad({"--mode", "1", "--rotate", "0,180"});
    EXPECT_EQ(p.At(kLeft, kTop), kGreen);
    EXPECT_EQ(p.At(kRight, kBottom), kBlue);
    p = DrawQuad({"--mode", "1", "--rotate=180,0"});
    EXPECT_EQ(p.At(kLeft, kTop), kBlue);
    EXPECT_EQ(p.At(kRight, kBottom), kGreen);
    EXPECT_EQ(DrawQuad({"--mode", "1", "--zoom", "20"}).At(5, 5), kRed) << "the quad fills the picture";
    p = DrawQuad({"--mode", "1", "--pan", "10,10"});
    EXPECT_EQ(p.At(100, 256), kBlack);
    EXPECT_EQ(p.At(480, 30), kGreen);
}

TEST_F(Render, SizeSetsThePictureAndKeepsTheObjectSquare) {
    Picture p = DrawQuad({"--mode", "1", "--size", "300x200"});
    ASSERT_EQ(p.width, 300);
    ASSERT_EQ(p.height, 200);
    int across = 0, down = 0;
    for (int x = 0; x < 300; ++x) across += p.At(x, 100) != kBlack;
    for (int y = 0; y < 200; ++y) down += p.At(150, y) != kBlack;
    EXPECT_NEAR(across, 165, 2);
    EXPECT_NEAR(down, 165, 2);
}
