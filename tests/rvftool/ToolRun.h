// Helpers for the tools' tests: a program run in a child process without a shell, a scratch
// directory per test, and hand-made RVF bytes.
#ifndef TESTS_RVFTOOL_TOOLRUN_H
#define TESTS_RVFTOOL_TOOLRUN_H

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "mesh/RvFileIO.h"
#include "tests/TestFiles.h"

struct RunResult {
    int status;  // exit status, or 128 + signal
    std::string out, err;
};

inline std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

typedef std::vector<std::vector<float>> FloatRows;

inline std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// Runs `program` with `args` and no input. With `fileLimit` not 0, writes to files past that
// many bytes fail as on a full disk; the pipes that collect the output are not files.
inline RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                            rlim_t fileLimit = 0) {
    std::vector<char*> argv(1, const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    RunResult result = {-1, "", ""};
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) return result;
    pid_t pid = fork();
    if (pid == 0) {
        int in = open("/dev/null", O_RDONLY);
        if (in < 0 || dup2(in, 0) < 0 || dup2(out[1], 1) < 0 || dup2(err[1], 2) < 0) _exit(126);
        rlimit limit = {fileLimit, fileLimit};
        if (fileLimit != 0 && (signal(SIGXFSZ, SIG_IGN) == SIG_ERR || setrlimit(RLIMIT_FSIZE, &limit) != 0))
            _exit(126);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    // Both pipes are drained as data comes, so that neither writer can block.
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string* sinks[2] = {&result.out, &result.err};
    while ((fds[0].fd >= 0 || fds[1].fd >= 0) && poll(fds, 2, -1) > 0) {
        for (int i = 0; i < 2; ++i) {
            char buffer[4096];
            ssize_t n = fds[i].revents != 0 ? read(fds[i].fd, buffer, sizeof buffer) : -1;
            if (n > 0) sinks[i]->append(buffer, std::size_t(n));
            if (n == 0 || (n < 0 && fds[i].revents != 0)) close(fds[i].fd), fds[i].fd = -1;
        }
    }
    int wstatus = 0;
    if (pid > 0 && waitpid(pid, &wstatus, 0) == pid)
        result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    return result;
}

// A fresh working directory per test, removed with its files afterwards; the programs run
// there, so that files are named as a user in it would.
class ToolTest : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/rvftool-test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
        ASSERT_EQ(chdir(pattern), 0);
    }
    void TearDown() override {
        EXPECT_EQ(chdir("/"), 0);
        RunProgram("/bin/rm", {"-rf", dir});
    }
    RunResult Tool(const std::vector<std::string>& args, rlim_t fileLimit = 0) {
        return RunProgram(RVFTOOL_PATH, args, fileLimit);
    }
    // Each triangle of an RVF file as the library reads it, its 24 floats as in
    // the file; none if it cannot.
    FloatRows ReadBack(const std::string& name) {
        FloatRows rows;
        int n = 0;
        RvRawTriangle* tris = nullptr;
        if (FILE* fp = std::fopen(name.c_str(), "rb")) {
            if (RvReadTriangles(fp, &n, &tris)) rows.assign(n, std::vector<float>(24));
            for (int i = 0; i < int(rows.size()); ++i) std::memcpy(rows[i].data(), &tris[i], sizeof *tris);
            std::fclose(fp);
        }
        delete[] tris;
        return rows;
    }
    std::string dir;
};

inline void PutF32(Bytes& b, float f) {
    std::uint32_t bits;
    std::memcpy(&bits, &f, 4);
    PutU32(b, bits);
}

// An RVF file around triangle records of 24 floats each: three positions, three normals and
// three texture coordinates.
inline Bytes RvfFile(const std::vector<float>& floats) {
    unsigned count = unsigned(floats.size() / 24);
    Bytes b;
    PutBytes(b, "RVF ", 4);
    PutU32(b, 96 * count + 12);
    PutBytes(b, "TRIS", 4);
    PutU32(b, 96 * count + 4);
    PutU32(b, count);
    for (float f : floats) PutF32(b, f);
    return b;
}

#endif
