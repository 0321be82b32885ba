// Helpers for the rvftool tests: the real program (and ImageMagick, Python) run in a child
// process without a shell, a scratch directory per test, and hand-made RVF bytes.
#ifndef TESTS_RVFTOOL_TOOLRUN_H
#define TESTS_RVFTOOL_TOOLRUN_H

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "mesh/RvFileIO.h"
#include "tests/TestFiles.h"

struct RunResult {
    int status;  // exit status, or 128 + signal
    std::string out;
    std::string err;
};

inline std::string FileText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

inline std::string Text(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

inline bool Exists(const std::string& path) { return access(path.c_str(), F_OK) == 0; }

// Runs `program` with `args` and standard input from `input`. With fileSizeLimit not 0, file
// writes past that many bytes fail as on a full disk; standard output and error are collected
// through pipes, which the limit does not touch.
inline RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                            const std::string& input = "/dev/null", rlim_t fileSizeLimit = 0) {
    std::vector<char*> argv(1, const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    RunResult result = {-1, "", ""};
    int pipes[2][2];
    if (pipe(pipes[0]) != 0 || pipe(pipes[1]) != 0) return result;
    pid_t pid = fork();
    if (pid == 0) {
        int in = open(input.c_str(), O_RDONLY);
        if (in < 0 || dup2(in, 0) < 0 || dup2(pipes[0][1], 1) < 0 || dup2(pipes[1][1], 2) < 0) _exit(126);
        if (fileSizeLimit != 0) {
            signal(SIGXFSZ, SIG_IGN);
            rlimit limit = {fileSizeLimit, fileSizeLimit};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(pipes[0][1]);
    close(pipes[1][1]);
    // Both pipes are read as data comes, so that neither writer can block.
    pollfd fds[2] = {{pipes[0][0], POLLIN, 0}, {pipes[1][0], POLLIN, 0}};
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

// A fresh directory per test, removed with its files afterwards.
class ToolTest : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/rvftool-test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { RunProgram("/bin/rm", {"-rf", dir}); }
    std::string Path(const std::string& name) const { return dir + "/" + name; }
    RunResult Tool(const std::vector<std::string>& args, rlim_t fileSizeLimit = 0) {
        return RunProgram(RVFTOOL_PATH, args, "/dev/null", fileSizeLimit);
    }
    // The triangles of an RVF file, read back with the library's reader.
    std::vector<RvRawTriangle> ReadBack(const std::string& name) {
        std::vector<RvRawTriangle> result;
        int n = 0;
        RvRawTriangle* tris = nullptr;
        if (FILE* fp = std::fopen(Path(name).c_str(), "rb")) {
            if (RvReadTriangles(fp, &n, &tris)) result.assign(tris, tris + n);
            std::fclose(fp);
        }
        delete[] tris;
        return result;
    }
    std::string dir;
};

inline void PutF32(Bytes& b, float f) {
    std::uint32_t bits;
    std::memcpy(&bits, &f, 4);
    PutU32(b, bits);
}

// One triangle as 96 file bytes: positions, normals, texture coordinates, corner by corner.
inline void PutTriangle(Bytes& b, const float (&pos)[9], const float (&norm)[9], const float (&uv)[6]) {
    for (float f : pos) PutF32(b, f);
    for (float f : norm) PutF32(b, f);
    for (float f : uv) PutF32(b, f);
}

// An RVF file built byte by byte around `count` triangle records.
inline Bytes RvfFile(const Bytes& triangles, unsigned count) {
    Bytes b;
    PutBytes(b, "RVF ", 4);
    PutU32(b, 96 * count + 12);
    PutBytes(b, "TRIS", 4);
    PutU32(b, 96 * count + 4);
    PutU32(b, count);
    b.insert(b.end(), triangles.begin(), triangles.end());
    return b;
}

// Checks triangles against a table of corners: x, y, z, normal x, y, z, u, v.
inline void ExpectTriangles(const std::vector<RvRawTriangle>& tris,
                            const std::vector<std::vector<float>>& corners) {
    ASSERT_EQ(tris.size() * 3, corners.size());
    for (std::size_t i = 0; i < corners.size(); ++i) {
        const RvRawTriangle& t = tris[i / 3];
        int c = int(i % 3);
        EXPECT_EQ(std::vector<float>({t.vert[c].x, t.vert[c].y, t.vert[c].z, t.norm[c].x, t.norm[c].y,
                                      t.norm[c].z, t.texCoord[c].u, t.texCoord[c].v}),
                  corners[i])
            << "corner " << i;
    }
}

#endif
