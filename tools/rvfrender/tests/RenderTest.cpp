#include "tools/rvfrender/tests/RenderRun.h"

namespace {

bool IsGrey(Rgb c) { return c[0] == c[1] && c[1] == c[2]; }

// How many pixels of the picture pass `test`.
template <typename Test>
int Count(const Picture& p, Test test) {
    int n = 0;
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) n += test(p.At(x, y)) ? 1 : 0;
    return n;
}

int Pixels(const Picture& p) { return p.width * p.height; }

// Colour components within 1 of the expected ones (a clear colour of 0.5 may round either way).
testing::AssertionResult Near(Rgb actual, Rgb expected) {
    for (int k = 0; k < 3; ++k)
        if (std::abs(actual[k] - expected[k]) > 1)
            return testing::AssertionFailure()
                   << "(" << actual[0] << ", " << actual[1] << ", " << actual[2] << ") is not ("
                   << expected[0] << ", " << expected[1] << ", " << expected[2] << ")";
    return testing::AssertionSuccess();
}

}  // namespace

// Every option is drawn on the bundled torus and on an OBJ quad whose PNG map went through
// rvftool, as a user would take them.
class Render : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        MakeQuad();
    }
    // The torus with its own map, and the quad with its 32-bit map.
    std::vector<Picture> DrawBoth(const std::vector<std::string>& options) {
        return {Draw(kSampleMesh, kSampleMap, options), Draw(Path("quad.rvf"), Path("map32.tga"), options)};
    }
};

TEST_F(Render, DiffuseModeIsGreyLitAndOnTheBlackStartUpBackground) {
    for (const Picture& p : DrawBoth({})) {
        ASSERT_EQ(p.width, 512);
        ASSERT_EQ(p.height, 512);
        EXPECT_EQ(Count(p, IsGrey), Pixels(p));
        EXPECT_GT(Count(p, [](Rgb c) { return c[0] > 220; }), 1000);
        EXPECT_EQ(p.At(0, 0), kBlack);
        EXPECT_EQ(p.At(511, 511), kBlack);
    }
}

TEST_F(Render, NormalMapModeShowsColours) {
    for (const Picture& p : DrawBoth({"--mode", "normal-map"}))
        EXPECT_GT(Count(p, [](Rgb c) { return !IsGrey(c); }), 10000);
}

TEST_F(Render, VertexLightingIsGreyAndBrightWhereTheSurfaceFacesTheEye) {
    std::vector<Picture> pictures = DrawBoth({"--mode", "2"});
    for (const Picture& p : pictures) {
        EXPECT_EQ(Count(p, IsGrey), Pixels(p));
        EXPECT_GT(Count(p, [](Rgb c) { return c[0] > 200; }), 1000);
    }
    // Where the torus's normals point at the eye, the highlight is white.
    EXPECT_GT(Count(pictures[0], [](Rgb c) { return c == kWhite; }), 1000);
}

TEST_F(Render, AlphaModeIsGrey) {
    std::vector<Picture> pictures = DrawBoth({"--mode", "alpha"});
    for (const Picture& p : pictures) EXPECT_EQ(Count(p, IsGrey), Pixels(p));
    // The sample's occlusion term is darker in the tiles' grooves than on their faces.
    EXPECT_GT(Count(pictures[0], [](Rgb c) { return c[0] > 0 && c[0] < 160; }), 1000);
}

TEST_F(Render, WireframeIsWhiteLinesOnTheBackground) {
    for (const Picture& p : DrawBoth({"--wireframe", "--mode", "1"})) {
        EXPECT_EQ(Count(p, [](Rgb c) { return c == kWhite || c == kBlack; }), Pixels(p));
        EXPECT_GT(Count(p, [](Rgb c) { return c == kWhite; }), 800);
    }
}

TEST_F(Render, NormalsOverlayAddsRedLines) {
    EXPECT_EQ(Count(Draw(kSampleMesh, kSampleMap), [](Rgb c) { return c == kRed; }), 0);
    for (const Picture& p : DrawBoth({"--normals"})) EXPECT_GT(Count(p, [](Rgb c) { return c == kRed; }), 2);
}

TEST_F(Render, TangentsOverlayAddsBlueAndGreenLines) {
    for (const Picture& p : DrawBoth({"--tangents", "--rotate", "30,30"})) {
        EXPECT_GT(Count(p, [](Rgb c) { return c == kBlue; }), 2);
        EXPECT_GT(Count(p, [](Rgb c) { return c == kGreen; }), 2);
        EXPECT_EQ(Count(p, [](Rgb c) { return c == kRed; }), 0);
    }
}

TEST_F(Render, NormalMapModeShowsTheMapUprightAndUnswapped) {
    Picture p = Draw(Path("quad.rvf"), Path("map24.tga"), {"--mode", "1"});
    EXPECT_EQ(p.At(kLeft, kTop), kRed);
    EXPECT_EQ(p.At(kRight, kTop), kGreen);
    EXPECT_EQ(p.At(kLeft, kBottom), kBlue);
    EXPECT_EQ(p.At(kRight, kBottom), Rgb({128, 128, 255}));
    EXPECT_EQ(p.At(40, kBottom), kBlack);
    EXPECT_EQ(p.At(80, kBottom), kBlue);
}

TEST_F(Render, AlphaModeShowsTheMapAlphaAsGrey) {
    Picture p = Draw(Path("quad.rvf"), Path("map32.tga"), {"--mode", "3"});
    EXPECT_EQ(p.At(kLeft, kTop), Rgb({255, 255, 255}));
    EXPECT_EQ(p.At(kRight, kTop), Rgb({170, 170, 170}));
    EXPECT_EQ(p.At(kLeft, kBottom), Rgb({85, 85, 85}));
    EXPECT_EQ(p.At(kRight, kBottom), Rgb({0, 0, 0}));
}

// The light sits at the eye: the map's normals that face it are lit, those turned away are dark.
TEST_F(Render, DiffuseModeLightsTheNormalsThatFaceTheEye) {
    Picture quad = Draw(Path("quad.rvf"), Path("map24.tga"));
    EXPECT_GT(quad.At(kRight, kBottom)[0], 200);
    EXPECT_EQ(quad.At(kLeft, kTop), kBlack);
    EXPECT_GT(quad.At(kLeft, kBottom)[0], 100) << "tilted, but towards the light";
    // The torus's tube faces the eye 169 pixels right of the centre, on a tile's flat face.
    Picture torus = Draw(kSampleMesh, kSampleMap);
    EXPECT_GT(torus.At(256 + 169, 256)[0], 200);
    EXPECT_EQ(torus.At(256, 256), kBlack) << "the hole";
}

// A left drag to the right turns the object about the screen's y axis, so that its right side
// goes away from the eye; a drag downwards turns it about the x axis.
TEST_F(Render, RotationTurnsTheObjectAsTheViewersLeftDrag) {
    Picture p = Draw(Path("quad.rvf"), Path("map24.tga"), {"--mode", "1", "--rotate", "0,180"});
    EXPECT_EQ(p.At(kLeft, kTop), kGreen);
    EXPECT_EQ(p.At(kRight, kBottom), kBlue);
    p = Draw(Path("quad.rvf"), Path("map24.tga"), {"--mode", "1", "--rotate=180,0"});
    EXPECT_EQ(p.At(kLeft, kTop), kBlue);
    EXPECT_EQ(p.At(kRight, kBottom), kGreen);
    p = Draw(Path("quad.rvf"), Path("map24.tga"), {"--mode", "1", "--rotate", "0,30"});
    int left = 0, right = 0;
    for (int x = 0; x < 256; ++x) left += p.At(x, 256) != kBlack;
    for (int x = 256; x < 512; ++x) right += p.At(x, 256) != kBlack;
    EXPECT_GT(left, right + 20);
}

TEST_F(Render, ZoomBringsTheObjectNearerAndPanMovesItRightAndUp) {
    Picture p = Draw(Path("quad.rvf"), Path("map24.tga"), {"--mode", "1", "--zoom", "20"});
    EXPECT_EQ(p.At(5, 5), kRed) << "the quad fills the picture";
    p = Draw(Path("quad.rvf"), Path("map24.tga"), {"--mode", "1", "--zoom", "-100"});
    EXPECT_EQ(p.At(kLeft, kTop), kBlack) << "the quad is smaller";
    p = Draw(Path("quad.rvf"), Path("map24.tga"), {"--mode", "1", "--pan", "10,10"});
    EXPECT_EQ(p.At(100, 256), kBlack);
    EXPECT_EQ(p.At(256, 500), kBlack);
    EXPECT_EQ(p.At(480, 30), Rgb({0, 255, 0}));
}

TEST_F(Render, SizeSetsThePictureAndKeepsTheObjectSquare) {
    Picture p = Draw(Path("quad.rvf"), Path("map24.tga"), {"--mode", "1", "--size", "300x200"});
    ASSERT_EQ(p.width, 300);
    ASSERT_EQ(p.height, 200);
    int across = 0, down = 0;
    for (int x = 0; x < 300; ++x) across += p.At(x, 100) != kBlack;
    for (int y = 0; y < 200; ++y) down += p.At(150, y) != kBlack;
    EXPECT_NEAR(across, 165, 2);
    EXPECT_NEAR(down, 165, 2);
}

TEST_F(Render, BackgroundsAreTheViewersClearColours) {
    const std::vector<std::pair<std::string, Rgb>> backgrounds = {
        {"black", {0, 0, 0}}, {"blue", {0, 0, 128}}, {"grey", {128, 128, 128}}, {"white", {255, 255, 255}}};
    for (const auto& b : backgrounds)
        EXPECT_TRUE(Near(Draw(kSampleMesh, kSampleMap, {"--background", b.first}).At(0, 0), b.second))
            << b.first;
}
