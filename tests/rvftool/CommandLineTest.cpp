#include "tests/rvftool/ToolRun.h"

typedef ToolTest CommandLine;

TEST_F(CommandLine, HelpForTheWholeAndForEachCommand) {
    RunResult whole = Tool({"--help"});
    EXPECT_EQ(whole.status, 0);
    EXPECT_EQ(whole.out.rfind("Usage: rvftool COMMAND", 0), 0u) << whole.out;
    RunResult none = Tool({});
    EXPECT_EQ(none.status, 2);
    EXPECT_EQ(none.err, whole.out);
    for (const char* command : {"info", "convert", "import", "map", "tangents"}) {
        RunResult help = Tool({command, "--help"});
        EXPECT_EQ(help.status, 0) << command;
        EXPECT_EQ(help.out.rfind(std::string("Usage: rvftool ") + command + " ", 0), 0u) << help.out;
        EXPECT_EQ(Tool({"help", command}).out, help.out);
    }
}

TEST_F(CommandLine, UsageErrorsAreOneLineWithStatusTwo) {
    const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
        {{"frobnicate"}, "rvftool: unknown command 'frobnicate' (see 'rvftool --help')\n"},
        {{"info", "--yaml", "a.rvf"}, "rvftool info: unknown option '--yaml' (see 'rvftool info --help')\n"},
        {{"convert", "--from"},
         "rvftool convert: option '--from' needs a value (see 'rvftool convert --help')\n"},
        {{"map", "--depth", "16", "a.png", "b.tga"},
         "rvftool map: depth '16' is neither 24 nor 32 (see 'rvftool map --help')\n"},
        {{"tangents", "--binary=yes", "a.rvf"},
         "rvftool tangents: option '--binary' takes no value (see 'rvftool tangents --help')\n"},
    };
    for (const auto& c : cases) {
        RunResult r = Tool(c.first);
        EXPECT_EQ(r.status, 2) << c.second;
        EXPECT_EQ(r.err, c.second);
        EXPECT_EQ(r.out, "");
    }
    // After "--" an operand may begin with a dash.
    EXPECT_EQ(Tool({"info", "--", "--json"}).err,
              "rvftool: --json: cannot open: No such file or directory\n");
}
