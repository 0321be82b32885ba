// rvfrender's picture checks: --reference, --threshold and --diff against references that
// ImageMagick makes from its own picture.
#include "tests/rvfrender/RenderRun.h"

namespace {

const std::string kWritten = "out.png: 512 x 512\n";

}  // namespace

// ref.png is the sample's picture; near.png the same with its top left 10 x 10 corner, black in
// the picture, painted (20, 0, 37).
class Reference : public RenderTest {
protected:
    void SetUp() override {
        RenderTest::SetUp();
        ASSERT_EQ(Render({kSampleMesh, kSampleMap, "ref.png"}).status, 0);
        ASSERT_TRUE(RunConvert("ref.png -fill 'rgb(20,0,37)' -draw 'rectangle 0,0 9,9' PNG24:near.png"));
        ASSERT_TRUE(RunConvert("ref.png PNG32:ref-rgba.png"));
    }
};

TEST_F(Reference, StatusAndCountsForEachOutcome) {
    WriteFile("notes.txt", "not a picture\n");
    const struct {
        const char* name;
        std::string options;
        int status;
        std::string out, err;
    } rows[] = {
        {"the same picture", "--reference ref.png", 0,
         kWritten + "ref.png: 0 pixels differ by more than 0 (largest difference 0)\n", ""},
        {"the same picture with alpha", "--reference ref-rgba.png", 0,
         kWritten + "ref-rgba.png: 0 pixels differ by more than 0 (largest difference 0)\n", ""},
        {"beyond the threshold", "--reference near.png --threshold 36", 1, kWritten,
         "rvfrender: near.png: 100 pixels differ by more than 36 (largest difference 37)\n"},
        {"within the threshold", "--reference=near.png --threshold=37", 0,
         kWritten + "near.png: 0 pixels differ by more than 37 (largest difference 37)\n", ""},
        {"another size", "--size 64x32 --reference ref.png", 1, "",
         "rvfrender: the reference 'ref.png' is 512 x 512, the picture 64 x 32\n"},
        {"not a picture", "--reference notes.txt", 1, "",
         "rvfrender: cannot read the reference 'notes.txt': "},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        std::remove("out.png");
        std::vector<std::string> args = Words(row.options);
        args.insert(args.end(), {kSampleMesh, kSampleMap, "out.png"});
        RunResult r = Render(args);
        EXPECT_EQ(r.status, row.status);
        EXPECT_EQ(r.out, row.out);
        EXPECT_EQ(r.err.substr(0, row.err.size()), row.err);
        EXPECT_EQ(r.err.empty(), row.err.empty());
        // The picture is written whatever it is compared with, once the reference can serve.
        EXPECT_EQ(access("out.png", F_OK) == 0, !row.out.empty());
    }
}

// Red where the pictures differ, upright; elsewhere the picture at a quarter of its brightness.
TEST_F(Reference, DiffMarksTheDifferingPixels) {
    RunResult r =
        Render({"--reference", "near.png", "--diff", "diff.png", kSampleMesh, kSampleMap, "out.png"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, kWritten + "diff.png: 512 x 512\n");
    Picture out = ReadPng("out.png"), diff = ReadPng("diff.png");
    ASSERT_TRUE(out.width == 512 && diff.width == 512 && diff.height == 512);
    int wrong = 0;
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 512; ++x) {
            const Rgb o = out.At(x, y);
            const Rgb expected = x < 10 && y < 10 ? Rgb{255, 0, 0} : Rgb{o[0] / 4, o[1] / 4, o[2] / 4};
            wrong += diff.At(x, y) != expected;
        }
    EXPECT_EQ(wrong, 0);
    EXPECT_GT(out.Count([](Rgb c) { return c[0] > 100; }), 10000) << "the torus is in the picture";
}
