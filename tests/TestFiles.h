// Test helpers: streams made from bytes, the bytes a stream holds, and captured console output.
#ifndef TESTS_TESTFILES_H
#define TESTS_TESTFILES_H

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

typedef std::vector<unsigned char> Bytes;

// A temporary binary stream holding `bytes`, positioned at its start; fclose removes it.
inline FILE* StreamWith(const Bytes& bytes) {
    FILE* fp = std::tmpfile();
    if (fp == nullptr) return nullptr;
    if (!bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), fp) != bytes.size()) {
        std::fclose(fp);
        return nullptr;
    }
    std::rewind(fp);
    return fp;
}

inline FILE* StreamWith(const std::string& text) { return StreamWith(Bytes(text.begin(), text.end())); }

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

// Little-endian builders for hand-made files.
inline void PutBytes(Bytes& b, const char* s, std::size_t n) { b.insert(b.end(), s, s + n); }
inline void PutU16(Bytes& b, unsigned v) {
    b.push_back(static_cast<unsigned char>(v & 0xFF));
    b.push_back(static_cast<unsigned char>((v >> 8) & 0xFF));
}
inline void PutU32(Bytes& b, unsigned long v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<unsigned char>((v >> (8 * i)) & 0xFF));
}

// Console capture around one call: CaptureStderr() before, Captured...() after.
inline void CaptureStderr() { testing::internal::CaptureStderr(); }
inline std::string CapturedStderr() { return testing::internal::GetCapturedStderr(); }
inline void CaptureStdout() { testing::internal::CaptureStdout(); }
inline std::string CapturedStdout() {
    std::fflush(stdout);
    return testing::internal::GetCapturedStdout();
}

#endif
