#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>

#include "TestFiles.h"
#include "mesh/RvFileIO.h"

namespace {

// One triangle as the 24 float bit patterns of its file form, in file order.
typedef std::vector<std::uint32_t> Bits;

Bits PatternBits(unsigned seed) {
    Bits bits;
    for (unsigned i = 0; i < 24; ++i) bits.push_back(0x3F000000u | (seed << 8) | i);
    return bits;
}

// Filled field by field, so that a layout or order fault shows in the file.
RvRawTriangle TriangleFrom(const Bits& bits) {
    RvRawTriangle t;
    float f[24];
    std::memcpy(f, bits.data(), sizeof f);
    for (int c = 0; c < 3; ++c) {
        for (int k = 0; k < 3; ++k) t.vert[c].v[k] = f[3 * c + k];
        for (int k = 0; k < 3; ++k) t.norm[c].v[k] = f[9 + 3 * c + k];
        for (int k = 0; k < 2; ++k) t.texCoord[c].uv[k] = f[18 + 2 * c + k];
    }
    return t;
}

void PutTriangle(Bytes& b, const Bits& bits) {
    for (std::uint32_t v : bits) PutU32(b, v);
}

void PutHeader(Bytes& b, const char* tag, unsigned long size) {
    PutBytes(b, tag, 4);
    PutU32(b, size);
}

// The file form of `count` pattern triangles.
Bytes PatternTriangles(unsigned count) {
    Bytes b;
    for (unsigned i = 0; i < count; ++i) PutTriangle(b, PatternBits(i + 1));
    return b;
}

Bytes Join(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// A triangle-chunk body: the count, then `present` pattern triangles.
Bytes TrisBody(unsigned long count, unsigned present) {
    Bytes b;
    PutU32(b, count);
    return Join(b, PatternTriangles(present));
}

// The file the writer gives for `count` pattern triangles.
Bytes RvfFile(unsigned count) {
    Bytes b;
    PutHeader(b, "RVF ", 96 * count + 12);
    PutHeader(b, "TRIS", 96 * count + 4);
    return Join(b, TrisBody(count, count));
}

// The file form of host-order triangles, built value by value whatever the host's order.
Bytes FileFormOf(const RvRawTriangle* tris, int count) {
    Bytes b;
    auto put = [&b](float32 f) {
        std::uint32_t bits;
        std::memcpy(&bits, &f, sizeof bits);
        PutU32(b, bits);
    };
    for (int i = 0; i < count; ++i) {
        for (const RvRawPoint& p : tris[i].vert)
            for (float32 f : p.v) put(f);
        for (const RvRawPoint& p : tris[i].norm)
            for (float32 f : p.v) put(f);
        for (const RvRawTexCoord& t : tris[i].texCoord)
            for (float32 f : t.uv) put(f);
    }
    return b;
}

// What a reader did: its result, out-parameters, messages and where it left the stream. The
// triangles are copied out in file form only on success; the array is released in any case.
struct Outcome {
    bool ok;
    int numTris;
    bool handedOver;
    Bytes triangles;
    std::string messages;
    long position;
};

typedef bool (*Reader)(FILE*, int*, RvRawTriangle**);

Outcome ReadFrom(FILE* fp, Reader reader = RvReadTriangles) {
    Outcome o;
    o.numTris = -1;
    RvRawTriangle* tris = nullptr;
    CaptureStderr();
    o.ok = reader(fp, &o.numTris, &tris);
    o.messages = CapturedStderr();
    o.handedOver = tris != nullptr;
    if (o.ok) o.triangles = FileFormOf(tris, o.numTris);
    delete[] tris;
    o.position = std::ftell(fp);
    return o;
}

Outcome Read(const Bytes& bytes, Reader reader = RvReadTriangles) {
    FILE* fp = StreamWith(bytes);
    if (fp == nullptr) return Outcome{false, 0, false, Bytes(), "no stream", 0};
    Outcome o = ReadFrom(fp, reader);
    std::fclose(fp);
    return o;
}

// Streams whose failures a temporary file cannot show: one that cannot seek, and one that
// takes `limit` bytes and fails every write beyond them.
struct MemoryCookie {
    Bytes data;
    std::size_t pos;
    std::size_t limit;
};

ssize_t CookieRead(void* cookie, char* buf, std::size_t size) {
    MemoryCookie* c = static_cast<MemoryCookie*>(cookie);
    std::size_t n = std::min(size, c->data.size() - c->pos);
    std::memcpy(buf, c->data.data() + c->pos, n);
    c->pos += n;
    return ssize_t(n);
}

ssize_t CookieWrite(void* cookie, const char* buf, std::size_t size) {
    MemoryCookie* c = static_cast<MemoryCookie*>(cookie);
    std::size_t n = std::min(size, c->limit - c->data.size());
    c->data.insert(c->data.end(), buf, buf + n);
    return ssize_t(n);
}

int CookieClose(void* cookie) {
    delete static_cast<MemoryCookie*>(cookie);
    return 0;
}

FILE* UnseekableStreamWith(const Bytes& bytes) {
    return fopencookie(new MemoryCookie{bytes, 0, 0}, "rb", {CookieRead, nullptr, nullptr, CookieClose});
}

FILE* StreamAcceptingOnly(std::size_t limit) {
    FILE* fp =
        fopencookie(new MemoryCookie{Bytes(), 0, limit}, "wb", {nullptr, CookieWrite, nullptr, CookieClose});
    if (fp != nullptr) std::setvbuf(fp, nullptr, _IONBF, 0);
    return fp;
}

}  // namespace

TEST(WriteTriangles, ThreeTrianglesGiveTheExact308BytesAtTheStreamPosition) {
    const RvRawTriangle tris[3] = {TriangleFrom(PatternBits(1)), TriangleFrom(PatternBits(2)),
                                   TriangleFrom(PatternBits(3))};
    RvRawTriangle before[3];
    std::memcpy(before, tris, sizeof tris);
    FILE* fp = StreamWith(std::string("lead"));
    ASSERT_NE(fp, nullptr);
    ASSERT_EQ(std::fseek(fp, 0, SEEK_END), 0);
    CaptureStderr();
    ASSERT_TRUE(RvWriteTriangles(fp, 3, tris));
    EXPECT_EQ(CapturedStderr(), "");
    EXPECT_EQ(std::ftell(fp), 4 + 308);
    EXPECT_EQ(ContentsOf(fp), Join(Bytes{'l', 'e', 'a', 'd'}, RvfFile(3)));
    EXPECT_EQ(std::memcmp(before, tris, sizeof tris), 0);
    std::fclose(fp);
}

TEST(WriteTriangles, ZeroTrianglesGiveThe20BytesThatReadAsNoTriangles) {
    FILE* fp = std::tmpfile();
    ASSERT_NE(fp, nullptr);
    ASSERT_TRUE(RvWriteTriangles(fp, 0, nullptr));
    Bytes expected;
    PutHeader(expected, "RVF ", 12);
    PutHeader(expected, "TRIS", 4);
    PutU32(expected, 0);
    EXPECT_EQ(ContentsOf(fp), expected);
    std::fclose(fp);

    Outcome o = Read(expected);
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(o.messages, "No triangles found in file\n");
}

TEST(WriteTriangles, RefusesCountsWhoseSizesDoNotFitAndWritesNothing) {
    const RvRawTriangle tri = TriangleFrom(PatternBits(1));
    // 96 x 44739243 + 12 is the first container size beyond 32 bits.
    for (int count : {-1, INT_MIN, 44739243, INT_MAX}) {
        FILE* fp = std::tmpfile();
        ASSERT_NE(fp, nullptr);
        CaptureStderr();
        EXPECT_FALSE(RvWriteTriangles(fp, count, &tri)) << count;
        EXPECT_EQ(CapturedStderr(), "Unable to write RVF header\n") << count;
        EXPECT_EQ(std::ftell(fp), 0) << count;
        std::fclose(fp);
    }
}

TEST(WriteTriangles, ReportsEachWriteThatFails) {
    const RvRawTriangle tris[2] = {TriangleFrom(PatternBits(1)), TriangleFrom(PatternBits(2))};
    const std::pair<std::size_t, const char*> cases[] = {
        {7, "Unable to write RVF header\n"},           {8, "Unable to write triangle header\n"},
        {16, "Unable to write number of triangles\n"}, {20, "Unable to write triangles\n"},
        {211, "Unable to write triangles\n"},          {212, ""}};
    for (const auto& c : cases) {
        FILE* fp = StreamAcceptingOnly(c.first);
        ASSERT_NE(fp, nullptr);
        CaptureStderr();
        EXPECT_EQ(RvWriteTriangles(fp, 2, tris), c.first == 212) << c.first;
        EXPECT_EQ(CapturedStderr(), c.second) << c.first;
        std::fclose(fp);
    }
}

TEST(ReadTriangles, ReadsBackWhatWasWrittenBitForBit) {
    // NaNs with payloads (signalling and quiet, both signs), both zeros, denormals, infinities
    // and extremes: none may pass through a float register on the way.
    const Bits special = {0x7F800001u, 0x7FBFFFFFu, 0x7FC12345u, 0xFFC00001u, 0xFF800001u, 0x00000000u,
                          0x80000000u, 0x00000001u, 0x807FFFFFu, 0x007FFFFFu, 0x7F800000u, 0xFF800000u,
                          0x7F7FFFFFu, 0x00800000u, 0x80000001u, 0x3F800000u, 0xBF800000u, 0x01020304u,
                          0x7FFFFFFFu, 0xFFFFFFFFu, 0x00010000u, 0x80010000u, 0x7FA00000u, 0xFFA00000u};
    const RvRawTriangle tris[2] = {TriangleFrom(special), TriangleFrom(PatternBits(7))};
    FILE* fp = std::tmpfile();
    ASSERT_NE(fp, nullptr);
    ASSERT_TRUE(RvWriteTriangles(fp, 2, tris));
    Bytes triangles;
    PutTriangle(triangles, special);
    PutTriangle(triangles, PatternBits(7));
    Bytes expected;
    PutHeader(expected, "RVF ", 204);
    PutHeader(expected, "TRIS", 196);
    PutU32(expected, 2);
    EXPECT_EQ(ContentsOf(fp), Join(expected, triangles));

    std::rewind(fp);
    Outcome o = ReadFrom(fp);
    std::fclose(fp);
    ASSERT_TRUE(o.ok) << o.messages;
    EXPECT_EQ(o.numTris, 2);
    EXPECT_EQ(o.triangles, triangles);
    EXPECT_EQ(o.position, 212);
}

TEST(ReadTriangles, SkipsForeignChunksAtBothLevels) {
    Bytes outside;
    PutHeader(outside, "JUNK", 16);
    PutBytes(outside, "0123456789abcdef", 16);
    outside = Join(outside, RvfFile(3));
    Bytes inside;
    PutHeader(inside, "RVF ", 24 + 8 + 100);
    PutHeader(inside, "NORM", 16);
    PutBytes(inside, "0123456789abcdef", 16);
    PutHeader(inside, "TRIS", 100);
    inside = Join(inside, TrisBody(3, 3));
    for (const Bytes& file : {outside, inside}) {
        Outcome o = Read(file);
        ASSERT_TRUE(o.ok) << o.messages;
        EXPECT_EQ(o.numTris, 3);
        EXPECT_EQ(o.triangles, PatternTriangles(3));
    }
}

TEST(ReadTriangles, NeverLeavesTheContainerWhateverItsSize) {
    // The container claims only the foreign chunk; the TRIS chunk behind it still counts as
    // inside, and no chunk size is compared with anything.
    Bytes file;
    PutHeader(file, "RVF ", 8);
    PutHeader(file, "NONE", 0);
    PutHeader(file, "TRIS", 7);
    Outcome o = Read(Join(file, TrisBody(1, 1)));
    ASSERT_TRUE(o.ok) << o.messages;
    EXPECT_EQ(o.numTris, 1);
}

TEST(ReadTriangles, FindsNoTrisChunkOutsideTheContainerOrUnderAnotherTag) {
    // Whatever does not match is skipped, and the next header read meets the end.
    const char* const tags[][2] = {
        {"TRIS", "TRIS"}, {"rvf ", "TRIS"}, {"RVFX", "TRIS"}, {"RVF ", "tris"}, {"RVF ", "TRIs"}};
    for (const auto& t : tags) {
        Bytes file;
        PutHeader(file, t[0], 108);
        PutHeader(file, t[1], 100);
        Outcome o = Read(Join(file, TrisBody(1, 1)));
        EXPECT_FALSE(o.ok);
        EXPECT_EQ(o.messages, "Unable to read header\n") << t[0] << t[1];
        EXPECT_EQ(o.numTris, -1);
        EXPECT_FALSE(o.handedOver);
    }
}

TEST(ReadTriangles, ReportsStreamAlreadyAtItsEnd) {
    FILE* fp = StreamWith(RvfFile(1));
    ASSERT_NE(fp, nullptr);
    ASSERT_EQ(std::fseek(fp, 0, SEEK_END), 0);
    ASSERT_EQ(std::fgetc(fp), EOF);
    Outcome o = ReadFrom(fp);
    std::fclose(fp);
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(o.messages, "No RVF data found in file\n");
    EXPECT_FALSE(o.handedOver);
}

TEST(ReadTriangles, ReportsSkipThatCannotSeek) {
    Bytes outside;
    PutHeader(outside, "JUNK", 0);
    Bytes inside;
    PutHeader(inside, "RVF ", 116);
    PutHeader(inside, "JUNK", 0);
    for (const Bytes& prefix : {outside, inside}) {
        FILE* fp = UnseekableStreamWith(Join(prefix, RvfFile(1)));
        ASSERT_NE(fp, nullptr);
        Outcome o = ReadFrom(fp);
        std::fclose(fp);
        EXPECT_FALSE(o.ok);
        EXPECT_EQ(o.messages, "Chunk size doesn't match file size\n");
        EXPECT_FALSE(o.handedOver);
    }
}

TEST(ReadTriangles, EveryTruncatedFileFailsWithItsMessage) {
    const Bytes file = RvfFile(3);
    for (std::size_t length = 0; length < file.size(); ++length) {
        Outcome o = Read(Bytes(file.begin(), file.begin() + length));
        EXPECT_FALSE(o.ok) << length;
        const char* expected = length < 16   ? "Unable to read header\n"
                               : length < 20 ? "Unable to read number of triangles\n"
                                             : "Unable to read triangles\n";
        EXPECT_EQ(o.messages, expected) << length;
        EXPECT_EQ(o.numTris, length < 20 ? -1 : 3) << length;
        EXPECT_EQ(o.handedOver, length >= 20) << length;
    }
}

TEST(ReadTriangleChunk, RejectsCountNotPositive) {
    for (int count : {0, -5, INT_MIN}) {
        FILE* fp = StreamWith(TrisBody(static_cast<unsigned long>(count), 1));
        ASSERT_NE(fp, nullptr);
        int numTris = 99;
        RvRawTriangle sentinel;
        RvRawTriangle* tris = &sentinel;
        CaptureStderr();
        EXPECT_FALSE(RvReadTriangleChunk(fp, &numTris, &tris));
        EXPECT_EQ(CapturedStderr(), "No triangles found in file\n");
        EXPECT_EQ(numTris, count);
        EXPECT_EQ(tris, &sentinel);
        EXPECT_EQ(std::ftell(fp), 4);
        std::fclose(fp);
    }
}

TEST(ReadTriangleChunk, EveryTruncatedBodyFailsWithItsMessage) {
    const Bytes body = TrisBody(2, 2);
    for (std::size_t length = 0; length < body.size(); ++length) {
        Outcome o = Read(Bytes(body.begin(), body.begin() + length), RvReadTriangleChunk);
        EXPECT_FALSE(o.ok) << length;
        // A half-read count is not left in *numTris; a short array still goes to the caller.
        EXPECT_EQ(o.messages,
                  length < 4 ? "Unable to read number of triangles\n" : "Unable to read triangles\n")
            << length;
        EXPECT_EQ(o.numTris, length < 4 ? -1 : 2) << length;
        EXPECT_EQ(o.handedOver, length >= 4) << length;
        EXPECT_EQ(o.position, long(length)) << length;
    }
}

// Whatever memory the count would ask for, a file that holds less is a short read to its end.
TEST(ReadTriangleChunk, HugeCountInAShortFileIsAShortRead) {
    const Bytes body = Join(TrisBody(INT_MAX, 1), Bytes{1, 2, 3});
    Outcome o = Read(body, RvReadTriangleChunk);
    EXPECT_FALSE(o.ok);
    EXPECT_EQ(o.numTris, INT_MAX);
    EXPECT_EQ(o.messages, "Unable to read triangles\n");
    EXPECT_TRUE(o.handedOver);
    EXPECT_EQ(o.position, long(body.size()));
}

TEST(FileHasTriangles, StopsJustBehindTheTrisHeader) {
    Bytes skipped;
    PutHeader(skipped, "JUNK", 16);
    PutBytes(skipped, "0123456789abcdef", 16);
    PutHeader(skipped, "RVF ", 120);
    PutHeader(skipped, "JUNK", 0);
    PutHeader(skipped, "TRIS", 100);
    const std::pair<Bytes, long> cases[] = {{RvfFile(3), 16}, {Join(skipped, TrisBody(1, 1)), 48}};
    for (const auto& c : cases) {
        FILE* fp = StreamWith(c.first);
        ASSERT_NE(fp, nullptr);
        EXPECT_TRUE(RvFileHasTriangles(fp));
        EXPECT_EQ(std::ftell(fp), c.second);
        std::fclose(fp);
    }
}

TEST(FileHasTriangles, FailsSilently) {
    Bytes loneTris;
    PutHeader(loneTris, "TRIS", 100);
    Bytes foreign;
    PutHeader(foreign, "JUNK", 0);
    std::vector<FILE*> streams = {StreamWith(Join(loneTris, TrisBody(1, 1))),
                                  UnseekableStreamWith(Join(foreign, RvfFile(1))), StreamWith(RvfFile(1))};
    ASSERT_NE(streams[2], nullptr);
    std::fseek(streams[2], 0, SEEK_END);
    std::fgetc(streams[2]);
    const Bytes file = RvfFile(1);
    for (std::size_t length = 0; length < 16; ++length)
        streams.push_back(StreamWith(Bytes(file.begin(), file.begin() + length)));
    for (FILE* fp : streams) {
        ASSERT_NE(fp, nullptr);
        CaptureStderr();
        EXPECT_FALSE(RvFileHasTriangles(fp));
        EXPECT_EQ(CapturedStderr(), "");
        std::fclose(fp);
    }
}

TEST(ConvertFile, TwoTrianglesGiveThe212Bytes) {
    FILE* in = StreamWith(TrisBody(2, 2));
    FILE* out = std::tmpfile();
    ASSERT_NE(in, nullptr);
    ASSERT_NE(out, nullptr);
    EXPECT_TRUE(RvConvertFile(in, out));
    Bytes bytes = ContentsOf(out);
    EXPECT_EQ(bytes.size(), 212u);
    EXPECT_EQ(bytes, RvfFile(2));
    std::fclose(in);
    std::fclose(out);
}

TEST(ConvertFile, AddsItsLineToEachFailure) {
    const std::pair<Bytes, const char*> cases[] = {
        {TrisBody(0, 0), "No triangles found in file\nUnable to read input file\n"},
        {TrisBody(3, 1), "Unable to read triangles\nUnable to read input file\n"},
        {Bytes{1, 0}, "Unable to read number of triangles\nUnable to read input file\n"},
        {TrisBody(2, 2), "Unable to write triangles\nUnable to write output file\n"}};
    for (const auto& c : cases) {
        FILE* in = StreamWith(c.first);
        FILE* out = StreamAcceptingOnly(100);
        ASSERT_NE(in, nullptr);
        ASSERT_NE(out, nullptr);
        CaptureStderr();
        EXPECT_FALSE(RvConvertFile(in, out));
        EXPECT_EQ(CapturedStderr(), c.second);
        std::fclose(in);
        std::fclose(out);
    }
}
