// Helpers for the tools' tests: programs run without a shell, in a scratch directory per test.
#ifndef TESTS_RVFTOOL_TOOLRUN_H
#define TESTS_RVFTOOL_TOOLRUN_H

#include <fcntl.h>
#include <sys/wait.h>

#include <csignal>
#include <sstream>

#include "tests/TestFiles.h"  // also the standard headers used here

struct RunResult {
    int status;  // exit status, or 128 + signal
    std::string out, err;
};

inline std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// The words of `text`, split at spaces: a command line written as one string.
inline std::vector<std::string> Words(const std::string& text) {
    std::istringstream in(text);
    return {std::istream_iterator<std::string>(in), std::istream_iterator<std::string>()};
}

inline std::string FileText(const std::string& path) { return Text(FileBytes(path)); }

inline void WriteFile(const std::string& path, const std::string& s) {
    std::ofstream(path, std::ios::binary) << s;
}

// Runs `program` with `args` and no input, collecting its output. With `fileLimit` not 0, writes
// past that many bytes fail as on a full disk (messages checked then must stay shorter).
inline RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                            rlim_t fileLimit = 0) {
    std::vector<char*> argv(1, const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    RunResult result = {-1, "", ""};
    FILE* out = std::tmpfile();
    FILE* err = std::tmpfile();
    pid_t pid = out != nullptr && err != nullptr ? fork() : -1;
    if (pid == 0) {
        int in = open("/dev/null", O_RDONLY);
        rlimit limit = {fileLimit, fileLimit};
        if (in < 0 || dup2(in, 0) < 0 || dup2(fileno(out), 1) < 0 || dup2(fileno(err), 2) < 0 ||
            (fileLimit != 0 && (signal(SIGXFSZ, SIG_IGN) == SIG_ERR || setrlimit(RLIMIT_FSIZE, &limit) != 0)))
            _exit(126);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    int wstatus = 0;
    if (pid > 0 && waitpid(pid, &wstatus, 0) == pid)
        result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    if (out != nullptr) result.out = Text(ContentsOf(out)), std::fclose(out);
    if (err != nullptr) result.err = Text(ContentsOf(err)), std::fclose(err);
    return result;
}

// A fresh working directory per test, removed with its files afterwards; the programs run there.
class ToolTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(peer_.made && chdir(peer_.path) == 0); }
    void TearDown() override { EXPECT_EQ(chdir("/"), 0); }
    RunResult Tool(const std::vector<std::string>& args, rlim_t fileLimit = 0) {
        return RunProgram(RVFTOOL_PATH, args, fileLimit);
    }
    const PeerDir peer_;
    const std::string dir = peer_.path;
};

#endif
