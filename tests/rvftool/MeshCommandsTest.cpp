#include "tests/rvftool/ToolRun.h"

typedef ToolTest MeshCommands;

// Each RVF file holds exactly the expected triangles: bare data told by its size, an SMD file's
// texture coordinates clamped to 0..1 with the clamps counted (imports: the opening tests).
TEST_F(MeshCommands, EachInputBecomesTheRvfFileOfItsTriangles) {
    const std::string rvf = Text(RvfBytes(2, {{0, 0, 0, 1, 0, 0, 1, 1, 0}, {0, 0, 0, 1, 1, 0, 0, 1, -2.5f}}));
    WriteFile("mesh.bin", rvf.substr(16));
    const std::tuple<std::string, std::string, std::string> rows[] = {
        {"convert mesh.bin out.rvf", "", rvf},
        {"convert " RVFTOOL_TEST_DATA "/square.smd out.rvf",
         "rvftool: warning: " RVFTOOL_TEST_DATA "/square.smd: 2 texture coordinates clamped to 0..1\n",
         Text(RvfBytes(2, {{0, 0, 0, 2, 0, 0, 2, 2, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 1, 1},
                           {0, 0, 0, 2, 2, 0, 0, 2, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 1, 0, 0}}))},
    };
    for (const auto& [args, err, written] : rows) {
        SCOPED_TRACE(args);
        RunResult r = Tool(Words(args));
        EXPECT_EQ(r.status, 0);
        EXPECT_EQ(r.out, "out.rvf: 2 triangles\n");
        EXPECT_EQ(r.err, err);
        EXPECT_EQ(FileText("out.rvf"), written);
    }
}
