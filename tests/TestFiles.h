// Test helpers: streams of given bytes, streams that refuse seeks or writes, hand-made RVF and
// Targa files, captured console output, an address-space limit, files exchanged with ImageMagick.
#ifndef TESTS_TESTFILES_H
#define TESTS_TESTFILES_H

#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <tuple>
#include <vector>

typedef std::vector<unsigned char> Bytes;

inline Bytes BytesOf(const std::string& text) { return Bytes(text.begin(), text.end()); }

// A temporary binary stream holding `bytes`, positioned at its start; fclose removes it.
inline FILE* StreamWith(const Bytes& bytes) {
    FILE* fp = std::tmpfile();
    if (fp != nullptr && !bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), fp) != bytes.size()) {
        std::fclose(fp);
        return nullptr;
    }
    if (fp != nullptr) std::rewind(fp);
    return fp;
}
inline FILE* StreamWith(const std::string& text) { return StreamWith(BytesOf(text)); }

// Everything the stream holds, from its start; the position is left at the end.
inline Bytes ContentsOf(FILE* fp) {
    Bytes out;
    std::fflush(fp);
    std::rewind(fp);
    unsigned char buf[4096];
    std::size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, fp)) > 0) out.insert(out.end(), buf, buf + n);
    return out;
}

// A stream that reads `bytes` from a pipe and fails every seek; `bytes` fit in a pipe's buffer.
inline FILE* UnseekableStreamWith(const Bytes& bytes) {
    int fds[2];
    if (pipe(fds) != 0) return nullptr;
    const bool filled = write(fds[1], bytes.data(), bytes.size()) == ssize_t(bytes.size());
    close(fds[1]);
    FILE* fp = filled ? fdopen(fds[0], "rb") : nullptr;
    if (fp == nullptr) close(fds[0]);
    return fp;
}

inline Bytes Join(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
    return out;
}

// The first `length` bytes of `b` (all of them when it is shorter).
inline Bytes Prefix(const Bytes& b, std::size_t length) {
    return Bytes(b.begin(), b.begin() + std::min(length, b.size()));
}

// Little-endian builders.
inline void PutU32(Bytes& b, unsigned long v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>((v >> (8 * i)) & 0xFF));
}
inline Bytes U32(unsigned long v) {
    Bytes b;
    PutU32(b, v);
    return b;
}

// The little-endian bytes of the floats' bits, as a file holds them.
inline Bytes FloatBytes(const std::vector<float>& floats) {
    Bytes b;
    for (float f : floats) {
        std::uint32_t bits;
        std::memcpy(&bits, &f, sizeof bits);
        PutU32(b, bits);
    }
    return b;
}

// An RVF chunk header: the tag, then the size of what follows.
inline Bytes Chunk(const char* tag, unsigned long size) { return Join({Bytes(tag, tag + 4), U32(size)}); }

// The one builder of RVF and Targa files. An RVF file as the writer lays it out: the container
// and triangle chunk headers sized for the records, the triangle count `count` (whatever the
// records hold), then the records: as bytes, or triangles of 24 floats (positions, normals,
// texture coordinates) or of 9 (positions, with normal +z and texture corners (0,0), (1,0), (0,1)).
inline Bytes RvfBytes(unsigned long count, const Bytes& records) {
    return Join({Chunk("RVF ", records.size() + 12), Chunk("TRIS", records.size() + 4), U32(count), records});
}
inline Bytes RvfBytes(unsigned long count, std::vector<std::vector<float>> triangles) {
    std::vector<float> floats;
    for (std::vector<float>& tri : triangles) {
        if (tri.size() == 9) tri.insert(tri.end(), {0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1});
        floats.insert(floats.end(), tri.begin(), tri.end());
    }
    return RvfBytes(count, FloatBytes(floats));
}

// A Targa of that size and depth: the 18-byte header (image type `type`, `descriptor`, no
// identification field, no colour map), then `pixels`.
inline Bytes TargaBytes(unsigned width, unsigned height, unsigned depth, const Bytes& pixels,
                        unsigned type = 2, unsigned descriptor = 8) {
    Bytes b = {0, 0, static_cast<unsigned char>(type), 0, 0, 0, 0, 0, 0, 0, 0, 0};
    PutU32(b, (width & 0xFFFF) | (height & 0xFFFF) << 16);
    b.insert(b.end(), {static_cast<unsigned char>(depth), static_cast<unsigned char>(descriptor)});
    return Join({b, pixels});
}

// Console capture around one call: CaptureStderr() before, Captured...() after.
inline void CaptureStderr() { testing::internal::CaptureStderr(); }
inline std::string CapturedStderr() { return testing::internal::GetCapturedStderr(); }
inline void CaptureStdout() { testing::internal::CaptureStdout(); }
inline std::string CapturedStdout() {
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

// Runs `write` on an unbuffered stream that takes the first `room` bytes written to it and
// refuses every byte beyond: the result, what was printed on standard error, the bytes taken.
template <typename Write>
std::tuple<bool, std::string, Bytes> WrittenTo(std::size_t room, Write write) {
    std::pair<std::size_t, Bytes> sink(room, {});  // room left, bytes taken
    cookie_io_functions_t io = {};
    io.write = [](void* cookie, const char* buf, std::size_t size) -> ssize_t {
        auto* s = static_cast<std::pair<std::size_t, Bytes>*>(cookie);
        const std::size_t n = std::min(size, s->first);
        s->second.insert(s->second.end(), buf, buf + n);
        s->first -= n;
        return ssize_t(n);
    };
    FILE* fp = fopencookie(&sink, "wb", io);
    if (fp == nullptr) return {false, "no stream", {}};
    std::setvbuf(fp, nullptr, _IONBF, 0);
    CaptureStderr();
    const bool ok = write(fp);
    const std::string err = CapturedStderr();
    std::fclose(fp);
    return {ok, err, sink.second};
}

// Whether an address-space limit can make allocations fail: the sanitizers reserve far more.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressLimitWorks = false;
#else
constexpr bool kAddressLimitWorks = true;
#endif

// Runs `call` with the address space capped at 2 GB, so that larger allocations fail; false when
// the cap cannot be set or lifted.
template <typename Call>
bool UnderAddressLimit(Call call) {
    rlimit saved;
    if (getrlimit(RLIMIT_AS, &saved) != 0) return false;
    const rlimit capped = {std::min<rlim_t>(saved.rlim_cur, rlim_t(2) << 30), saved.rlim_max};
    if (setrlimit(RLIMIT_AS, &capped) != 0) return false;
    call();
    return setrlimit(RLIMIT_AS, &saved) == 0;
}

// ImageMagick's convert, an independent image codec; our paths hold nothing the shell interprets.
inline bool RunConvert(const std::string& args) {
    return std::system(("/usr/bin/convert " + args + " >/dev/null 2>&1").c_str()) == 0;
}

inline Bytes FileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline bool WriteFile(const std::string& path, const Bytes& bytes) {
    std::ofstream out(path, std::ios::binary);
    return bool(
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size())).flush());
}

// A fresh directory for the files the two sides exchange, removed with them.
struct PeerDir {
    char path[19] = "/tmp/rvfpeerXXXXXX";
    const bool made = mkdtemp(path) != nullptr;
    std::string File(const std::string& name) const { return std::string(path) + "/" + name; }
    ~PeerDir() { std::filesystem::remove_all(path); }
};

#endif
