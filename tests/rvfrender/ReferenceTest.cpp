#include "tests/rvfrender/RenderRun.h"

const std::string kWritten = "out.png: 512 x 512\n";

typedef ToolTest Reference;

// Against references ImageMagick makes: ref.png the sample's picture, near.png the same with its
// top left 10 x 10 corner, black in the picture, painted (20, 0, 37). The last row's diff is red
// where the pictures differ, upright; elsewhere the picture at a quarter of its brightness.
TEST_F(Reference, StatusAndCountsForEachOutcome) {
    ASSERT_EQ(Render({kMesh, kMap, "ref.png"}).status, 0);
    ASSERT_TRUE(RunConvert("ref.png -fill 'rgb(20,0,37)' -draw 'rectangle 0,0 9,9' PNG24:near.png"));
    WriteFile("notes.txt", "not a picture\n");
    const std::tuple<const char*, const char*, int, std::string, std::string> rows[] = {
        {"within the threshold", "--reference=near.png --threshold=37", 0,
         kWritten + "near.png: 0 pixels differ by more than 37 (largest difference 37)\n", ""},
        {"another size", "--size 64x32 --reference ref.png", 1, "",
         "rvfrender: the reference 'ref.png' is 512 x 512, the picture 64 x 32\n"},
        {"not a picture", "--reference notes.txt", 1, "",
         "rvfrender: cannot read the reference 'notes.txt': "},
        {"beyond the threshold", "--reference near.png --threshold 36 --diff diff.png", 1,
         kWritten + "diff.png: 512 x 512\n",
         "rvfrender: near.png: 100 pixels differ by more than 36 (largest difference 37)\n"},
    };
    for (const auto& [name, options, status, out, err] : rows) {
        SCOPED_TRACE(name);
        std::remove("out.png");
        std::vector<std::string> args = Words(options);
        args.insert(args.end(), {kMesh, kMap, "out.png"});
        RunResult r = Render(args);
        EXPECT_EQ(r.status, status);
        EXPECT_EQ(r.out, out);
        EXPECT_EQ(r.err.substr(0, err.size()), err);
        EXPECT_EQ(r.err.empty(), err.empty());
        // The picture is written whatever it is compared with, once the reference can serve.
        EXPECT_EQ(access("out.png", F_OK) == 0, !out.empty());
    }
    ASSERT_TRUE(
        RunConvert("out.png -depth 8 -evaluate RightShift 2 -fill red -draw 'rectangle 0,0 9,9' want.png"));
    EXPECT_TRUE(SamePictures("diff.png", "want.png"));
}
