#include <climits>
#include <cstdint>
#include <tuple>

#include "TestFiles.h"
#include "mesh/RvFileIO.h"
#include "platform/ByteOrder.h"

namespace {

// The first `count` triangles, in file form or as the bytes of host-order records. Triangle 0
// holds NaNs with payloads, a negative zero, denormals and an infinity, which must not pass
// through a float register on the way; the others hold distinct plain values.
Bytes Triangles(unsigned count, bool fileForm) {
    const std::uint32_t special[6] = {0x7F800001u, 0xFFC00001u, 0x80000000u,
                                      0x00000001u, 0x807FFFFFu, 0x7F800000u};
    Bytes b;
    for (unsigned i = 0; i < count * 24; ++i) {
        const std::uint32_t bits = i < 24 ? special[i % 6] : 0x3F000000u | i;
        PutU32(b, fileForm || !kKivHostIsBigEndian ? bits : KivEndian32_Swap(bits));
    }
    return b;
}

// A triangle-chunk body: the count, then the first `present` triangles.
Bytes TrisBody(unsigned long count, unsigned present) { return Join({U32(count), Triangles(present, true)}); }

// The file the writer gives for `count` triangles.
Bytes RvfFile(unsigned count) { return RvfBytes(count, Triangles(count, true)); }

typedef FILE* (*Open)(const Bytes&);
typedef std::tuple<bool, int, bool, std::string> Said;

// What `reader` did with the stream `open` makes of `file` (result, count, array handed over,
// messages; triangles read, where the stream was left) and where the silent test stops (-1: none).
struct Outcome {
    Said said{false, -1, false, ""};
    Bytes triangles;
    long position = -1, trisAt = -2;
};
Outcome Read(const Bytes& file, Open open = StreamWith,
             bool (*reader)(FILE*, int*, RvRawTriangle**) = RvReadTriangles) {
    Outcome o;
    FILE *fp = open(file), *silent = open(file);
    if (fp != nullptr && silent != nullptr) {
        auto& [ok, numTris, handedOver, messages] = o.said;
        RvRawTriangle* tris = nullptr;
        CaptureStderr();
        ok = reader(fp, &numTris, &tris);
        o.trisAt = RvFileHasTriangles(silent) ? std::ftell(silent) : -1;
        messages = CapturedStderr();
        handedOver = tris != nullptr;
        const unsigned char* p = reinterpret_cast<const unsigned char*>(tris);
        if (ok) o.triangles = Bytes(p, p + std::size_t(numTris) * sizeof(RvRawTriangle));
        delete[] tris;
        o.position = std::ftell(fp);
    }
    for (FILE* f : {fp, silent})
        if (f != nullptr) std::fclose(f);
    return o;
}

}  // namespace

TEST(WriteTriangles, WritesTheExactBytesUntilAWriteFailsAndNoneForSizesBeyond32Bits) {
    Bytes records = Triangles(3, false);
    const RvRawTriangle* tris = reinterpret_cast<const RvRawTriangle*>(records.data());
    // No triangles give the 20 bytes of headers and count. 96 x 44739243 + 12 is the first
    // container size beyond 32 bits.
    const std::tuple<int, std::size_t, const char*> cases[] = {
        {3, 308, ""},
        {0, 308, ""},
        {3, 7, "Unable to write RVF header\n"},
        {3, 8, "Unable to write triangle header\n"},
        {3, 16, "Unable to write number of triangles\n"},
        {3, 307, "Unable to write triangles\n"},
        {-1, 308, "Unable to write RVF header\n"},
        {44739243, 308, "Unable to write RVF header\n"}};
    for (const auto& [count, room, message] : cases) {
        const Bytes file = count == 0 || count == 3 ? Prefix(RvfFile(unsigned(count)), room) : Bytes();
        const int numTris = count;
        EXPECT_EQ(WrittenTo(room, [&](FILE* fp) { return RvWriteTriangles(fp, numTris, tris); }),
                  std::make_tuple(*message == '\0', std::string(message), file));
    }
    EXPECT_EQ(records, Triangles(3, false));
}

TEST(ChunkWalk, SkipsForeignChunksAtBothLevelsButNeverLeavesTheContainerOrSeeksAPipe) {
    const Bytes junk = Join({Chunk("JUNK", 16), Bytes(16, 'x')}), body = TrisBody(3, 3);
    const Said read(true, 3, true, ""),
        noHeader = Said(false, -1, false, "Unable to read header\n"),
        noSeek = Said(false, -1, false, "Chunk size doesn't match file size\n");
    const Open file = StreamWith, pipe = UnseekableStreamWith;
    // The stream at its end, as a caller may hand it over.
    const Open atEnd = [](const Bytes& bytes) {
        FILE* fp = StreamWith(bytes);
        if (fp != nullptr && std::fseek(fp, 0, SEEK_END) == 0) std::fgetc(fp);
        return fp;
    };
    const std::tuple<const char*, Bytes, Open, Said, long> cases[] = {
        {"plain", RvfFile(3), file, read, 16},
        {"foreign chunk in front", Join({junk, RvfFile(3)}), file, read, 40},
        {"foreign chunk inside", Join({Chunk("RVF ", 324), junk, Chunk("TRIS", 292), body}), file, read, 40},
        // The container claims only its foreign chunk; the TRIS chunk behind it is still inside.
        {"behind the claimed size", Join({Chunk("RVF ", 8), Chunk("NONE", 0), Chunk("TRIS", 7), body}), file,
         read, 24},
        {"count -5", RvfBytes(unsigned(-5), Triangles(1, true)), file,
         Said(false, -5, false, "No triangles found in file\n"), 16},
        // Whatever memory the count would ask for, a file that holds less is a short read.
        {"count beyond the file", RvfBytes(INT_MAX, Join({Triangles(1, true), {1, 2, 3}})), file,
         Said(false, INT_MAX, true, "Unable to read triangles\n"), 16},
        {"TRIS at the top", Join({Chunk("TRIS", 100), TrisBody(1, 1)}), file, noHeader, -1},
        {"pipe, foreign chunk in front", Join({junk, RvfFile(1)}), pipe, noSeek, -1},
        {"at its end", RvfFile(1), atEnd, Said(false, -1, false, "No RVF data found in file\n"), -1}};
    for (const auto& [name, bytes, open, said, trisAt] : cases) {
        const Outcome o = Read(bytes, open);
        EXPECT_EQ(std::make_tuple(o.said, o.trisAt), std::make_tuple(said, trisAt)) << name;
        EXPECT_EQ(o.triangles, std::get<0>(said) ? Triangles(3, false) : Bytes()) << name;
    }
}

TEST(ChunkWalk, EveryTruncatedFileFailsWithItsMessage) {
    // A half-read count is not left in *numTris; a short array still goes to the caller.
    const Bytes file = RvfFile(3);
    for (std::size_t length = 0; length < file.size(); ++length) {
        const char* message = length < 16   ? "Unable to read header\n"
                              : length < 20 ? "Unable to read number of triangles\n"
                                            : "Unable to read triangles\n";
        const Outcome o = Read(Prefix(file, length));
        EXPECT_EQ(std::make_tuple(o.said, o.position, o.trisAt),
                  std::make_tuple(Said(false, length < 20 ? -1 : 3, length >= 20, message), long(length),
                                  length < 16 ? -1 : 16))
            << length;
    }
}

TEST(ReadTriangleChunk, ReportsTrianglesThatCannotBeAllocated) {
    // From a pipe, whose length is unknown, the array for the count is asked for.
    if (!kAddressLimitWorks) GTEST_SKIP() << "no address-space limit under the sanitizers";
    Outcome o;
    ASSERT_TRUE(UnderAddressLimit(
        [&] { o = Read(TrisBody(INT_MAX, 1), UnseekableStreamWith, RvReadTriangleChunk); }));
    EXPECT_EQ(o.said, Said(false, INT_MAX, false, "Unable to allocate space for 2147483647 triangles\n"));
}

TEST(ConvertFile, FailsWithItsOwnLineWhenTheWriteFails) {
    FILE* fpIn = StreamWith(TrisBody(2, 2));
    ASSERT_NE(fpIn, nullptr);
    EXPECT_EQ(WrittenTo(100, [&](FILE* fp) { return RvConvertFile(fpIn, fp); }),
              std::make_tuple(false, std::string("Unable to write triangles\nUnable to write output file\n"),
                              Prefix(RvfFile(2), 100)));
    std::fclose(fpIn);
}
