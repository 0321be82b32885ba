#include <algorithm>

#include "tests/rvfrender/RenderRun.h"

namespace {

bool IsGrey(Rgb c) { return c[0] == c[1] && c[1] == c[2]; }

const Rgb kRed = {255, 0, 0}, kGreen = {0, 255, 0}, kBlue = {0, 0, 255}, kBlack = {0, 0, 0},
          kWhite = {255, 255, 255};

// The imported quad covers pixels 45 to 467 of the start-up view. The points looked at: the
// centres of its quadrants (left top, right top, left bottom, right bottom), then one just
// outside and one just inside its left edge.
const int kX[6] = {150, 362, 150, 362, 40, 80}, kY[6] = {150, 150, 362, 362, 362, 362};

}  // namespace

// The quad and its maps are made by rvftool from an OBJ and a PNG, as a user would: the map's
// quadrants are red (top left), green, blue and the flat normal, with alpha 255, 170, 85 and 0.
class Render : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        std::string pam = "P7\nWIDTH 8\nHEIGHT 8\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
        const unsigned char quadrants[4][4] = {
            {255, 0, 0, 255}, {0, 255, 0, 170}, {0, 0, 255, 85}, {128, 128, 255, 0}};
        for (int i = 0; i < 64; ++i)
            pam.append(reinterpret_cast<const char*>(quadrants[2 * (i / 32) + i % 8 / 4]), 4);
        WriteFile("map.pam", pam);
        const std::vector<std::string> steps[] = {
            {"/usr/bin/convert", "map.pam", "PNG32:map.png"},
            {RVFTOOL_PATH, "import", RVFTOOL_TEST_DATA "/quad.obj", "quad.rvf"},
            {RVFTOOL_PATH, "map", "--depth", "24", "map.png", "map24.tga"},
            {RVFTOOL_PATH, "map", "map.png", "map32.tga"}};
        for (const std::vector<std::string>& step : steps) {
            RunResult r = RunProgram(step[0], std::vector<std::string>(step.begin() + 1, step.end()));
            ASSERT_EQ(r.status, 0) << step[0] << ": " << r.err;
        }
    }
    // The quad drawn with the options and `map`, at the points looked at.
    std::vector<Rgb> Points(const std::vector<std::string>& options, const std::string& map = "map32.tga") {
        Picture p = Draw("quad.rvf", map, options);
        std::vector<Rgb> at;
        for (int i = 0; i < 6; ++i) at.push_back(p.At(kX[i], kY[i]));
        return at;
    }
};

// The map is shown upright and unswapped, its alpha as grey. Dot3 lights it from the eye: the
// normals that face the eye are bright, those turned away dark. Vertex lighting ignores it.
TEST_F(Render, EachModeShowsTheMapOfTheImportedQuad) {
    EXPECT_EQ(Points({"--mode", "normal-map"}, "map24.tga"),
              std::vector<Rgb>({kRed, kGreen, kBlue, {128, 128, 255}, kBlack, kBlue}));
    EXPECT_EQ(Points({"--mode", "3"}),
              std::vector<Rgb>({kWhite, {170, 170, 170}, {85, 85, 85}, kBlack, kBlack, {85, 85, 85}}));
    std::vector<Rgb> lit = Points({});
    EXPECT_EQ(lit[0], kBlack) << "turned away";
    EXPECT_GT(lit[2][0], 100) << "tilted, but towards the eye";
    EXPECT_GT(lit[3][0], 200) << "facing the eye";
    EXPECT_EQ(std::count_if(lit.begin(), lit.end(), IsGrey), 6);
    std::vector<Rgb> vertexLit = Points({"--mode", "2"});
    EXPECT_EQ(std::vector<Rgb>(vertexLit.begin(), vertexLit.begin() + 4), std::vector<Rgb>(4, vertexLit[0]));
    EXPECT_TRUE(IsGrey(vertexLit[0]) && vertexLit[0][0] > 200) << vertexLit[0][0];
}

// On the sample: white wire-frame lines on black, red normals, blue tangents and green
// binormals, none unasked.
TEST_F(Render, WireFrameAndOverlaysOnTheSample) {
    Picture p = Draw(kSampleMesh, kSampleMap);
    EXPECT_EQ(p.Count(IsGrey), 512 * 512);
    auto red = [](Rgb c) { return c == kRed; };
    EXPECT_EQ(p.Count(red), 0);
    p = Draw(kSampleMesh, kSampleMap, {"--wireframe", "--mode", "1"});
    EXPECT_EQ(p.Count([](Rgb c) { return c == kWhite || c == kBlack; }), 512 * 512);
    EXPECT_GT(p.Count([](Rgb c) { return c == kWhite; }), 800);
    EXPECT_GT(Draw(kSampleMesh, kSampleMap, {"--normals"}).Count(red), 2);
    p = Draw(kSampleMesh, kSampleMap, {"--tangents", "--rotate", "30,30"});
    EXPECT_GT(p.Count([](Rgb c) { return c == kBlue; }), 2);
    EXPECT_GT(p.Count([](Rgb c) { return c == kGreen; }), 2);
    EXPECT_EQ(p.Count(red), 0);
}
