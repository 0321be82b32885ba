#include "tests/rvftool/ToolRun.h"

typedef ToolTest CommandLine;

// Help and version go to standard output; without a command it is a usage error.
TEST_F(CommandLine, HelpOnRequestOrAfterNoCommand) {
    RunResult help = Tool({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: rvftool COMMAND", 0), 0u) << help.out;
    RunResult version = Tool({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out, "rvftool " RVF_VERSION "\n");
    RunResult none = Tool({});
    EXPECT_EQ(none.status, 2);
    EXPECT_EQ(none.err, help.out);
}

// Usage errors get status 2, files that cannot be used status 1; either way one line naming
// what is wrong, nothing on standard output, and the file that was to be replaced left as it
// was. A named kind is read as such: a byte too many keeps a body from being told as bare data,
// and is refused for its size when named. After "--" an operand may begin with a dash.
TEST_F(CommandLine, EachFailureIsOneLineWithItsStatus) {
    const std::string rvf = RvfFile(std::vector<float>(48, 0.5f));
    WriteFile("mesh.rvf", rvf);
    WriteFile("mesh.bin", rvf.substr(16));
    WriteFile("odd.bin", rvf.substr(16) + '\0');
    WriteFile("one.bin", RvfFile(std::vector<float>(24, 0.5f)).substr(16) + '\0');
    WriteFile("text.rvf", "hello, this is no mesh at all\n");
    WriteFile("empty.smd", "version 1\ntriangles\nend\n");
    WriteFile("bare.obj", FileText(RVFTOOL_TEST_DATA "/untextured.obj"));
    WriteFile("in.png", "GIF89a, not a PNG");
    WriteFile("map.tga", std::string("\0\0\2\0\0\0\0\0\0\0\0\0\1\0\1\0\x18\0", 18) + "abc");
    WriteFile("out", "old");
    const struct {
        int status;
        const char* args;
        std::string err;
    } cases[] = {
        {2, "frobnicate", "rvftool: unknown command 'frobnicate' (see 'rvftool --help')"},
        {2, "info --yaml a.rvf", "rvftool info: unknown option '--yaml' (see 'rvftool info --help')"},
        {2, "convert --from",
         "rvftool convert: option '--from' needs a value (see 'rvftool convert --help')"},
        {2, "map --depth 16 in.png out",
         "rvftool map: depth '16' is neither 24 nor 32 (see 'rvftool map --help')"},
        {2, "tangents --binary=yes a.rvf",
         "rvftool tangents: option '--binary' takes no value (see 'rvftool tangents --help')"},
        {2, "info --help=yes a.rvf",
         "rvftool info: option '--help' takes no value (see 'rvftool info --help')"},
        {2, "info --version", "rvftool info: unknown option '--version' (see 'rvftool info --help')"},
        {1, "info -- --json", "rvftool: --json: cannot open: No such file or directory"},
        {1, "info text.rvf",
         "rvftool: text.rvf: No suitable reader found for the file format of file \"text.rvf\"."},
        {1, "info map.tga", "rvftool: map.tga: a Targa image, not a mesh"},
        {1, "tangents in.png",
         "rvftool: in.png: No suitable reader found for the file format of file \"in.png\"."},
        {1, "convert mesh.rvf out", "rvftool: mesh.rvf: already an RVF file"},
        {1, "convert odd.bin out",
         "rvftool: odd.bin: neither an SMD mesh nor bare triangle data (name the kind with --from, or use "
         "'rvftool import' for meshes of other formats)"},
        {1, "convert map.tga out", "rvftool: map.tga: a Targa image, not a mesh: use 'rvftool map'"},
        {1, "convert --from=bare odd.bin out",
         "rvftool: odd.bin: bare triangle data of 2 triangles takes 196 bytes, the file has 197"},
        {1, "convert --from=bare one.bin out",
         "rvftool: one.bin: bare triangle data of 1 triangle takes 100 bytes, the file has 101"},
        {1, "convert empty.smd out", "rvftool: empty.smd: no triangles in the SMD file"},
        {1, "import bare.obj out", "rvftool: bare.obj: mesh 'Bare' has no texture coordinates"},
        {1, "import map.tga out", "rvftool: map.tga: a Targa image, not a mesh: use 'rvftool map'"},
        {1, "import mesh.rvf out", "rvftool: mesh.rvf: already an RVF file"},
        {1, "map in.png out",
         "rvftool: in.png: not a PNG, JPEG or Targa image (a mesh goes to 'rvftool import')"},
        {1, "map mesh.rvf out", "rvftool: mesh.rvf: an RVF mesh, not an image"},
        {1, "convert mesh.bin .", "rvftool: '.' is a directory"},
        {1, "import . out", "rvftool: '.' is a directory"},
        {1, "info .", "rvftool: '.' is a directory"},
        {1, "convert mesh.bin none/out",
         "rvftool: cannot create a temporary file in 'none/': No such file or directory"},
    };
    for (const auto& c : cases) {
        RunResult r = Tool(Words(c.args));
        EXPECT_EQ(r.status, c.status) << c.args;
        EXPECT_EQ(r.err, c.err + "\n");
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(FileText("out"), "old") << c.args;
    }
}
