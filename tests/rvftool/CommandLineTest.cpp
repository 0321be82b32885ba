#include "tests/rvftool/ToolRun.h"

typedef ToolTest CommandLine;

// Usage errors get status 2, files that cannot be used status 1; either way one line saying why
// (without a command, the help), nothing on standard output, and the file to be replaced left as
// it was, with no temporary beside it, also when writes fail as on a full disk. A byte too many
// keeps a body from being told as bare data, and is refused when the kind is named.
TEST_F(CommandLine, EachFailureIsOneLineWithItsStatus) {
    const std::string rvf = Text(RvfBytes(2, FloatBytes(std::vector<float>(48, 0.5f))));
    WriteFile("mesh.rvf", rvf);
    WriteFile("mesh.bin", rvf.substr(16));
    WriteFile("odd.bin", rvf.substr(16) + '\0');
    WriteFile("empty.smd", "version 1\ntriangles\nend\n");
    WriteFile("bare.obj", FileText(RVFTOOL_TEST_DATA "/untextured.obj"));
    WriteFile("in.png", "GIF89a, not a PNG");
    WriteFile("map.tga", TargaBytes(64, 64, 24, Bytes(12288, 1)));
    WriteFile("out", "old");
    const RunResult help = Tool({"--help"});
    EXPECT_EQ(help.status, 0);
    const std::string tooLarge = "rvftool: cannot write 'out': File too large";
    const struct {
        int status;
        const char* args;
        std::string err;
        rlim_t fileLimit = 0;  // writes past it fail, as on a full disk
    } cases[] = {
        {2, "", help.out.substr(0, help.out.size() - 1)},
        {2, "frobnicate", "rvftool: unknown command 'frobnicate' (see 'rvftool --help')"},
        {2, "info --yaml a.rvf", "rvftool info: unknown option '--yaml' (see 'rvftool info --help')"},
        {2, "convert --from",
         "rvftool convert: option '--from' needs a value (see 'rvftool convert --help')"},
        {2, "map --depth 16 in.png out",
         "rvftool map: depth '16' is neither 24 nor 32 (see 'rvftool map --help')"},
        {2, "tangents --binary=yes a.rvf",
         "rvftool tangents: option '--binary' takes no value (see 'rvftool tangents --help')"},
        {2, "tangents --basis bent mesh.rvf out",
         "rvftool tangents: unknown basis 'bent' (own, mikktspace or file) (see 'rvftool tangents --help')"},
        {1, "info -- --json", "rvftool: --json: cannot open: No such file or directory"},
        {1, "info in.png",
         "rvftool: in.png: No suitable reader found for the file format of file \"in.png\"."},
        {1, "info map.tga", "rvftool: map.tga: a Targa image, not a mesh: use 'rvftool map'"},
        {1, "convert mesh.rvf out", "rvftool: mesh.rvf: already an RVF file"},
        {1, "convert odd.bin out",
         "rvftool: odd.bin: neither an SMD mesh nor bare triangle data (name the kind with --from, or use "
         "'rvftool import' for meshes of other formats)"},
        {1, "convert --from=bare odd.bin out",
         "rvftool: odd.bin: bare triangle data of 2 triangles takes 196 bytes, the file has 197"},
        {1, "convert empty.smd out", "rvftool: empty.smd: no triangles in the SMD file"},
        {1, "import bare.obj out", "rvftool: bare.obj: mesh 'Bare' has no texture coordinates"},
        {1, "map in.png out",
         "rvftool: in.png: not a PNG, JPEG or Targa image (a mesh goes to 'rvftool import')"},
        {1, "map mesh.rvf out", "rvftool: mesh.rvf: an RVF mesh, not an image"},
        {1, "tangents --basis file mesh.rvf out",
         "rvftool: mesh.rvf holds no tangents: choose --basis own or mikktspace"},
        {1, "convert mesh.bin .", "rvftool: '.' is a directory"},
        {1, "convert mesh.bin none/out",
         "rvftool: cannot create a temporary file in 'none/': No such file or directory"},
        {1, "convert mesh.bin out", tooLarge, 100},
        {1, "map map.tga out", "rvftool: out: ERROR! Texels not written successfully!", 100},
        {1, "tangents mesh.rvf out", tooLarge, 100},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args);
        RunResult r = Tool(Words(c.args), c.fileLimit);
        EXPECT_EQ(r.status, c.status);
        // Past the limit a writer's message may go on to say how far it got.
        const bool goesOn =
            c.fileLimit != 0 && r.err.rfind(c.err + " ", 0) == 0 && r.err.find('\n') == r.err.size() - 1;
        EXPECT_EQ(goesOn ? c.err + "\n" : r.err, c.err + "\n");
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(FileText("out"), "old");
        EXPECT_EQ(RunProgram("/bin/ls", {"-A"}).out,
                  "bare.obj\nempty.smd\nin.png\nmap.tga\nmesh.bin\nmesh.rvf\nodd.bin\nout\n");
    }
}
