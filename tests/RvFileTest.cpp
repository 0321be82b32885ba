#include <algorithm>
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

Bytes Chunk(const char* tag, unsigned long size) {
    Bytes b(tag, tag + 4);
    PutU32(b, size);
    return b;
}

// A triangle-chunk body: the count, then the first `present` triangles.
Bytes TrisBody(unsigned long count, unsigned present) {
    Bytes b;
    PutU32(b, count);
    return Join({b, Triangles(present, true)});
}

// The file the writer gives for `count` triangles.
Bytes RvfFile(unsigned count) { return RvfBytes(count, Triangles(count, true)); }

// What a reader did: the result, count, whether an array was handed over and the messages; the
// triangles read (on success) and where the stream was left.
struct Outcome {
    std::tuple<bool, int, bool, std::string> said{false, -1, false, ""};
    Bytes triangles;
    long position = 0;
};

// Runs `reader` on fp and closes it.
Outcome Read(FILE* fp, bool (*reader)(FILE*, int*, RvRawTriangle**) = RvReadTriangles) {
    Outcome o;
    if (fp == nullptr) return o;
    auto& [ok, numTris, handedOver, messages] = o.said;
    RvRawTriangle* tris = nullptr;
    CaptureStderr();
    ok = reader(fp, &numTris, &tris);
    messages = CapturedStderr();
    handedOver = tris != nullptr;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(tris);
    if (ok) o.triangles = Bytes(p, p + std::size_t(numTris) * sizeof(RvRawTriangle));
    delete[] tris;
    o.position = std::ftell(fp);
    std::fclose(fp);
    return o;
}

// A failure's count, whether an array was handed over, and its messages.
std::tuple<bool, int, bool, std::string> Failed(int numTris, bool handedOver, const char* messages) {
    return {false, numTris, handedOver, messages};
}

// Runs the silent test on fp and closes it: where it left the stream behind the TRIS header,
// or -1 when it found none. It never says anything.
long TrisFoundAt(FILE* fp) {
    if (fp == nullptr) return -2;
    CaptureStderr();
    const long at = RvFileHasTriangles(fp) ? std::ftell(fp) : -1;
    EXPECT_EQ(CapturedStderr(), "");
    std::fclose(fp);
    return at;
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
        {3, 20, "Unable to write triangles\n"},
        {3, 307, "Unable to write triangles\n"},
        {-1, 308, "Unable to write RVF header\n"},
        {INT_MIN, 308, "Unable to write RVF header\n"},
        {44739243, 308, "Unable to write RVF header\n"},
        {INT_MAX, 308, "Unable to write RVF header\n"}};
    for (const auto& c : cases) {
        const auto [count, room, message] = c;
        const Bytes file = count == 0 || count == 3 ? Prefix(RvfFile(unsigned(count)), room) : Bytes();
        EXPECT_EQ(WrittenTo(room, [&](FILE* fp) { return RvWriteTriangles(fp, std::get<0>(c), tris); }),
                  std::make_tuple(*message == '\0', std::string(message), file));
    }
    EXPECT_EQ(records, Triangles(3, false));
}

TEST(ChunkWalk, SkipsForeignChunksAtBothLevelsAndNeverLeavesTheContainer) {
    const Bytes junk = Join({Chunk("JUNK", 16), Bytes(16, 'x')}), body = TrisBody(3, 3);
    // The last container claims only its foreign chunk; the TRIS chunk behind it is still inside.
    const std::pair<Bytes, long> cases[] = {
        {RvfFile(3), 16},
        {Join({junk, RvfFile(3)}), 40},
        {Join({Chunk("RVF ", 324), junk, Chunk("TRIS", 292), body}), 40},
        {Join({Chunk("RVF ", 8), Chunk("NONE", 0), Chunk("TRIS", 7), body}), 24}};
    for (const auto& [file, behindTris] : cases) {
        const Outcome o = Read(StreamWith(file));
        EXPECT_EQ(o.said, std::make_tuple(true, 3, true, std::string()));
        EXPECT_EQ(o.triangles, Triangles(3, false));
        EXPECT_EQ(TrisFoundAt(StreamWith(file)), behindTris);
    }
}

TEST(ChunkWalk, FindsNoTrisChunkOutsideTheContainerOrUnderAnotherTag) {
    // Whatever does not match is skipped, and the next header read meets the end.
    for (const char* tags : {"TRISTRIS", "rvf TRIS", "RVFXTRIS", "RVF tris", "RVF TRIs"}) {
        const Bytes file = Join({Chunk(tags, 108), Chunk(tags + 4, 100), TrisBody(1, 1)});
        EXPECT_EQ(Read(StreamWith(file)).said, Failed(-1, false, "Unable to read header\n")) << tags;
        EXPECT_EQ(TrisFoundAt(StreamWith(file)), -1);
    }
}

TEST(ChunkWalk, ReportsStreamAtItsEndAndSkipsThatCannotSeek) {
    FILE* atEnd = StreamWith(RvfFile(1));
    ASSERT_NE(atEnd, nullptr);
    std::fseek(atEnd, 0, SEEK_END);
    std::fgetc(atEnd);
    EXPECT_EQ(Read(atEnd).said, Failed(-1, false, "No RVF data found in file\n"));
    const Bytes junk = Join({Chunk("JUNK", 16), Bytes(16, 'x')});
    for (const Bytes& file : {Join({junk, RvfFile(1)}), Join({Chunk("RVF ", 132), junk, RvfFile(1)})}) {
        EXPECT_EQ(Read(UnseekableStreamWith(file)).said,
                  Failed(-1, false, "Chunk size doesn't match file size\n"));
        EXPECT_EQ(TrisFoundAt(UnseekableStreamWith(file)), -1);
    }
}

TEST(ChunkWalk, EveryTruncatedFileFailsWithItsMessage) {
    // A half-read count is not left in *numTris; a short array still goes to the caller.
    const Bytes file = RvfFile(3);
    for (std::size_t length = 0; length < file.size(); ++length) {
        const char* message = length < 16   ? "Unable to read header\n"
                              : length < 20 ? "Unable to read number of triangles\n"
                                            : "Unable to read triangles\n";
        const Outcome o = Read(StreamWith(Prefix(file, length)));
        EXPECT_EQ(o.said, Failed(length < 20 ? -1 : 3, length >= 20, message));
        EXPECT_EQ(o.position, long(length));
        EXPECT_EQ(TrisFoundAt(StreamWith(Prefix(file, length))), length < 16 ? -1 : 16) << length;
    }
}

TEST(ReadTriangles, RejectsCountNotPositiveAndKeepsIt) {
    for (int count : {0, -5, INT_MIN}) {
        const Outcome o = Read(StreamWith(RvfBytes(unsigned(count), Triangles(1, true))));
        EXPECT_EQ(o.said, Failed(count, false, "No triangles found in file\n"));
        EXPECT_EQ(o.position, 20);
    }
}

TEST(ReadTriangleChunk, HugeCountInAShortFileIsAShortRead) {
    // Whatever memory the count would ask for, a file that holds less is a short read to its end.
    const Bytes body = Join({TrisBody(INT_MAX, 1), {1, 2, 3}});
    const Outcome o = Read(StreamWith(body), RvReadTriangleChunk);
    EXPECT_EQ(o.said, Failed(INT_MAX, true, "Unable to read triangles\n"));
    EXPECT_EQ(o.position, long(body.size()));
}

TEST(ReadTriangleChunk, ReportsTrianglesThatCannotBeAllocated) {
    // From a pipe, whose length is unknown, the array for the count is asked for.
    if (!kAddressLimitWorks) GTEST_SKIP() << "no address-space limit under the sanitizers";
    Outcome o;
    ASSERT_TRUE(UnderAddressLimit(
        [&] { o = Read(UnseekableStreamWith(TrisBody(INT_MAX, 1)), RvReadTriangleChunk); }));
    EXPECT_EQ(o.said, Failed(INT_MAX, false, "Unable to allocate space for 2147483647 triangles\n"));
}

TEST(ConvertFile, WritesThe212BytesOfTwoTrianglesOrAddsItsLineToTheFailure) {
    // Only the first case has room for the whole file.
    const std::tuple<Bytes, std::size_t, const char*> cases[] = {
        {TrisBody(2, 2), 212, ""},
        {TrisBody(0, 0), 212, "No triangles found in file\nUnable to read input file\n"},
        {TrisBody(3, 1), 212, "Unable to read triangles\nUnable to read input file\n"},
        {Bytes{1, 0}, 212, "Unable to read number of triangles\nUnable to read input file\n"},
        {TrisBody(2, 2), 100, "Unable to write triangles\nUnable to write output file\n"}};
    for (const auto& [in, room, messages] : cases) {
        FILE* fpIn = StreamWith(in);
        ASSERT_NE(fpIn, nullptr);
        EXPECT_EQ(WrittenTo(room, [&](FILE* fp) { return RvConvertFile(fpIn, fp); }),
                  std::make_tuple(*messages == '\0', std::string(messages),
                                  in == TrisBody(2, 2) ? Prefix(RvfFile(2), room) : Bytes()));
        std::fclose(fpIn);
    }
}
