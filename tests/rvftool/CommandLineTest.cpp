#include "tests/rvftool/ToolRun.h"

typedef ToolTest CommandLine;

// Help goes to standard output; without a command it is a usage error.
TEST_F(CommandLine, HelpOnRequestOrAfterNoCommand) {
    RunResult help = Tool({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("Usage: rvftool COMMAND", 0), 0u) << help.out;
    RunResult none = Tool({});
    EXPECT_EQ(none.status, 2);
    EXPECT_EQ(none.err, help.out);
}

// Usage errors get status 2, files that cannot be used status 1; either way one line naming
// what is wrong, nothing on standard output, and the file that was to be replaced left as it
// was. A named kind is read as such: a byte too many keeps a body from being told as bare data,
// and is refused for its size when named.
TEST_F(CommandLine, EachFailureIsOneLineWithItsStatus) {
    const std::string rvf = RvfFile(std::vector<float>(48, 0.5f));
    WriteFile("mesh.rvf", rvf);
    WriteFile("mesh.bin", rvf.substr(16));
    WriteFile("odd.bin", rvf.substr(16) + '\0');
    WriteFile("text.rvf", "hello, this is no mesh at all\n");
    WriteFile("empty.smd", "version 1\ntriangles\nend\n");
    WriteFile("in.png", "GIF89a, not a PNG");
    WriteFile("out", "old");
    const std::string bareObj = RVFTOOL_TEST_DATA "/untextured.obj";
    const struct {
        std::vector<std::string> args;
        int status;
        std::string err;
    } cases[] = {
        {{"frobnicate"}, 2, "rvftool: unknown command 'frobnicate' (see 'rvftool --help')"},
        {{"info", "--yaml", "a.rvf"}, 2, "rvftool info: unknown option '--yaml' (see 'rvftool info --help')"},
        {{"convert", "--from"},
         2,
         "rvftool convert: option '--from' needs a value (see 'rvftool convert --help')"},
        {{"map", "--depth", "16", "in.png", "out"},
         2,
         "rvftool map: depth '16' is neither 24 nor 32 (see 'rvftool map --help')"},
        {{"tangents", "--binary=yes", "a.rvf"},
         2,
         "rvftool tangents: option '--binary' takes no value (see 'rvftool tangents --help')"},
        // After "--" an operand may begin with a dash.
        {{"info", "--", "--json"}, 1, "rvftool: --json: cannot open: No such file or directory"},
        {{"info", "text.rvf"},
         1,
         "rvftool: text.rvf: not an RVF file (no \"TRIS\" chunk inside an \"RVF \" container)"},
        {{"convert", "mesh.rvf", "out"}, 1, "rvftool: mesh.rvf: already an RVF file"},
        {{"convert", "odd.bin", "out"},
         1,
         "rvftool: odd.bin: neither an SMD mesh nor bare triangle data (name the kind with --from)"},
        {{"convert", "--from=bare", "odd.bin", "out"},
         1,
         "rvftool: odd.bin: bare triangle data of 2 triangles takes 196 bytes, the file has 197"},
        {{"convert", "empty.smd", "out"}, 1, "rvftool: empty.smd: no triangles in the SMD file"},
        {{"import", bareObj, "out"}, 1, "rvftool: " + bareObj + ": mesh 'Bare' has no texture coordinates"},
        {{"map", "in.png", "out"}, 1, "rvftool: in.png: not a readable PNG (Not a PNG file)"},
        {{"convert", "mesh.bin", "."}, 1, "rvftool: '.' is a directory"},
        {{"convert", "mesh.bin", "none/out"},
         1,
         "rvftool: cannot create a temporary file in 'none/': No such file or directory"},
    };
    for (const auto& c : cases) {
        RunResult r = Tool(c.args);
        EXPECT_EQ(r.status, c.status) << c.err;
        EXPECT_EQ(r.err, c.err + "\n");
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(FileText("out"), "old") << c.err;
    }
}
