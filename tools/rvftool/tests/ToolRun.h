// Helpers for the rvftool tests: running the real program (and ImageMagick, Python) in a
// child process without a shell, and a scratch directory per test.
#ifndef TOOLS_RVFTOOL_TESTS_TOOLRUN_H
#define TOOLS_RVFTOOL_TESTS_TOOLRUN_H

#include <dirent.h>
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
#include <set>
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

inline Bytes FileBytes(const std::string& path) {
    std::string text = FileText(path);
    return Bytes(text.begin(), text.end());
}

inline void WriteFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

inline void WriteFile(const std::string& path, const Bytes& bytes) {
    WriteFile(path, std::string(bytes.begin(), bytes.end()));
}

inline std::set<std::string> DirEntries(const std::string& dir) {
    std::set<std::string> names;
    if (DIR* d = opendir(dir.c_str())) {
        while (dirent* e = readdir(d))
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                names.insert(e->d_name);
        closedir(d);
    }
    return names;
}

// Reads both pipes to their ends, whichever has data, so that neither writer can block.
inline void DrainPipes(int outFd, int errFd, RunResult* result) {
    pollfd fds[2] = {{outFd, POLLIN, 0}, {errFd, POLLIN, 0}};
    std::string* sinks[2] = {&result->out, &result->err};
    int remaining = 2;
    while (remaining > 0 && poll(fds, 2, -1) > 0) {
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || fds[i].revents == 0) continue;
            char buffer[4096];
            ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, std::size_t(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --remaining;
            }
        }
    }
}

// Runs `program` with `args` (no shell) and standard input from `input`. With fileSizeLimit
// not 0, file writes past that many bytes fail as on a full disk (the pipes that collect
// standard output and error are not files, so they are not limited).
inline RunResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                            const std::string& input = "/dev/null", rlim_t fileSizeLimit = 0) {
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    RunResult result = {-1, "", ""};
    int outPipe[2], errPipe[2];
    if (pipe(outPipe) != 0) return result;
    if (pipe(errPipe) != 0) {
        close(outPipe[0]);
        close(outPipe[1]);
        return result;
    }
    pid_t pid = fork();
    if (pid == 0) {
        int in = open(input.c_str(), O_RDONLY);
        if (in < 0) _exit(126);
        dup2(in, 0);
        dup2(outPipe[1], 1);
        dup2(errPipe[1], 2);
        close(outPipe[0]);
        close(errPipe[0]);
        if (fileSizeLimit != 0) {
            signal(SIGXFSZ, SIG_IGN);
            rlimit limit = {fileSizeLimit, fileSizeLimit};
            setrlimit(RLIMIT_FSIZE, &limit);
        }
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(outPipe[1]);
    close(errPipe[1]);
    DrainPipes(outPipe[0], errPipe[0], &result);
    int wstatus = 0;
    if (pid > 0 && waitpid(pid, &wstatus, 0) == pid)
        result.status = WIFEXITED(wstatus) ? WEXITSTATUS(wstatus) : 128 + WTERMSIG(wstatus);
    return result;
}

// A fresh directory per test, removed with everything in it afterwards.
class ToolTest : public testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/rvftool-test.XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override {
        for (const std::string& name : DirEntries(dir)) unlink(Path(name).c_str());
        rmdir(dir.c_str());
    }
    std::string Path(const std::string& name) const { return dir + "/" + name; }
    RunResult Tool(const std::vector<std::string>& args, rlim_t fileSizeLimit = 0) {
        return RunProgram(RVFTOOL_PATH, args, "/dev/null", fileSizeLimit);
    }
    // The triangles of an RVF file, read back with the library's reader.
    std::vector<RvRawTriangle> ReadBack(const std::string& name) {
        std::vector<RvRawTriangle> result;
        FILE* fp = std::fopen(Path(name).c_str(), "rb");
        if (fp == nullptr) return result;
        int n = 0;
        RvRawTriangle* tris = nullptr;
        if (RvReadTriangles(fp, &n, &tris)) result.assign(tris, tris + n);
        delete[] tris;
        std::fclose(fp);
        return result;
    }
    std::string dir;
};

// Little-endian float32 for hand-made files.
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

#endif
