#include "tools/rvftool/tests/ToolRun.h"

typedef ToolTest CommandLine;

TEST_F(CommandLine, HelpForTheWholeAndForEachCommand) {
    RunResult whole = Tool({"--help"});
    EXPECT_EQ(whole.status, 0);
    EXPECT_EQ(whole.out.rfind("Usage: rvftool COMMAND", 0), 0u) << whole.out;
    EXPECT_EQ(whole.err, "");
    for (const char* command : {"info", "convert", "import", "map", "tangents"}) {
        RunResult help = Tool({command, "--help"});
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_EQ(help.out.rfind(std::string("Usage: rvftool ") + command + " ", 0), 0u) << help.out;
        EXPECT_EQ(Tool({"help", command}).out, help.out);
    }
}

TEST_F(CommandLine, WithoutArgumentsPrintsUsageAndFails) {
    RunResult r = Tool({});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.rfind("Usage: rvftool COMMAND", 0), 0u);
}

TEST_F(CommandLine, UsageErrorsAreOneLineWithStatusTwo) {
    struct Case {
        std::vector<std::string> args;
        const char* message;
    } cases[] = {
        {{"frobnicate"}, "rvftool: unknown command 'frobnicate' (see 'rvftool --help')\n"},
        {{"info", "--yaml", "a.rvf"}, "rvftool info: unknown option '--yaml' (see 'rvftool info --help')\n"},
        {{"info"}, "rvftool info: expects one RVF file (see 'rvftool info --help')\n"},
        {{"convert", "--from"},
         "rvftool convert: option '--from' needs a value (see 'rvftool convert --help')\n"},
        {{"convert", "--from=obj", "a", "b"},
         "rvftool convert: unknown input kind 'obj' (smd or bare) (see 'rvftool convert --help')\n"},
        {{"map", "--depth", "16", "a.png", "b.tga"},
         "rvftool map: depth '16' is neither 24 nor 32 (see 'rvftool map --help')\n"},
        {{"tangents", "--binary=yes", "a.rvf"},
         "rvftool tangents: option '--binary' takes no value (see 'rvftool tangents --help')\n"},
        {{"import", "only-one.obj"},
         "rvftool import: expects an input file and an output file (see 'rvftool import --help')\n"},
    };
    for (const Case& c : cases) {
        RunResult r = Tool(c.args);
        EXPECT_EQ(r.status, 2) << c.message;
        EXPECT_EQ(r.err, c.message);
        EXPECT_EQ(r.out, "");
    }
}

TEST_F(CommandLine, DoubleDashEndsOptions) {
    RunResult r = Tool({"info", "--", "--json"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "rvftool: --json: cannot open: No such file or directory\n");
}
