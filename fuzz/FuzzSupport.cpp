#include "fuzz/FuzzSupport.h"

#include <sanitizer/common_interface_defs.h>
#include <sys/mman.h>
#include <unistd.h>

// An oversized request must fail the way it fails on a machine without that much memory: a
// nothrow new returns null and the reader reports it, instead of the fuzzer stopping on it.
// The cap stays well below libFuzzer's malloc and rss limits, so those never fire first.
extern "C" __attribute__((used)) const char* __asan_default_options() {
    return "allocator_may_return_null=1:max_allocation_size_mb=64:detect_leaks=1";
}

extern "C" __attribute__((used)) const char* __ubsan_default_options() {
    return "print_stacktrace=1:halt_on_error=1";
}

FILE* FuzzStream(const std::uint8_t* data, std::size_t size) {
    int fd = memfd_create("fuzz-input", MFD_CLOEXEC);
    if (fd < 0) FuzzFail("memfd_create", __FILE__, __LINE__);
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = write(fd, data + done, size - done);
        if (n <= 0) FuzzFail("write to the input file", __FILE__, __LINE__);
        done += static_cast<std::size_t>(n);
    }
    FILE* fp = fdopen(fd, "w+b");
    if (fp == nullptr) FuzzFail("fdopen", __FILE__, __LINE__);
    std::rewind(fp);
    return fp;
}

FILE* FuzzPipe(const std::uint8_t* data, std::size_t size) {
    // A pipe holds 64 KiB before a writer blocks; libFuzzer's inputs here are far shorter.
    if (size > kFuzzPipeBytes) FuzzFail("input longer than a pipe holds", __FILE__, __LINE__);
    int fds[2];
    if (pipe(fds) != 0) FuzzFail("pipe", __FILE__, __LINE__);
    std::size_t done = 0;
    while (done < size) {
        ssize_t n = write(fds[1], data + done, size - done);
        if (n <= 0) FuzzFail("write to the pipe", __FILE__, __LINE__);
        done += static_cast<std::size_t>(n);
    }
    close(fds[1]);
    FILE* fp = fdopen(fds[0], "rb");
    if (fp == nullptr) FuzzFail("fdopen", __FILE__, __LINE__);
    return fp;
}

std::vector<std::uint8_t> FuzzContents(FILE* fp) {
    std::vector<std::uint8_t> out;
    std::fflush(fp);
    std::rewind(fp);
    std::uint8_t buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, fp)) > 0) out.insert(out.end(), buf, buf + n);
    return out;
}

std::uint32_t FuzzLittleEndian32(const std::uint8_t* p) {
    return std::uint32_t(p[0]) | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 |
           std::uint32_t(p[3]) << 24;
}

void FuzzFail(const char* condition, const char* file, int line) {
    // The sanitizers' report stream stays open when libFuzzer silences the target's stderr.
    char summary[512];
    std::snprintf(summary, sizeof summary, "fuzz check failed: %s at %s:%d", condition, file, line);
    __sanitizer_report_error_summary(summary);
    std::abort();
}
