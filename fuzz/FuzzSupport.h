// What every fuzz target shares: the input as a real file stream, the contents of a stream, and a
// check that ends the run with a report when a reader breaks its contract.
#ifndef FUZZ_FUZZSUPPORT_H
#define FUZZ_FUZZSUPPORT_H

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

// A read-write stream over an anonymous in-memory file holding data[0, size), positioned at its
// start. It behaves like a file on disk (a seek past the end succeeds, the next read meets the
// end), which fmemopen does not. Aborts when the stream cannot be made: a harness that cannot
// run its input must not pass for a clean run. The caller closes it with fclose.
FILE* FuzzStream(const std::uint8_t* data, std::size_t size);

// A read-only stream over a pipe that holds data[0, size) and is then closed for writing: a
// stream whose length cannot be known and which cannot seek. size is at most kFuzzPipeBytes.
FILE* FuzzPipe(const std::uint8_t* data, std::size_t size);
const std::size_t kFuzzPipeBytes = 65536;

// Everything the stream holds, from its start; the position is left at the end.
std::vector<std::uint8_t> FuzzContents(FILE* fp);

// The value of the four little-endian bytes at p.
std::uint32_t FuzzLittleEndian32(const std::uint8_t* p);

// Reports the failed condition with its place and aborts, so libFuzzer keeps the input.
[[noreturn]] void FuzzFail(const char* condition, const char* file, int line);

#define FUZZ_CHECK(condition) ((condition) ? static_cast<void>(0) : FuzzFail(#condition, __FILE__, __LINE__))

#endif
