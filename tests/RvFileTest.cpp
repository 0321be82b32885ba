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

float FloatFrom(std::uint32_t bits) {
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

// Fills the record field by field, so a layout or order fault in the file shows.
RvRawTriangle TriangleFrom(const Bits& bits) {
    RvRawTriangle t;
    for (int c = 0; c < 3; ++c)
        for (int k = 0; k < 3; ++k) {
            t.vert[c].v[k] = FloatFrom(bits[3 * c + k]);
            t.norm[c].v[k] = FloatFrom(bits[9 + 3 * c + k]);
        }
    for (int c = 0; c < 3; ++c)
        for (int k = 0; k < 2; ++k) t.texCoord[c].uv[k] = FloatFrom(bits[18 + 2 * c + k]);
    return t;
}

void PutTriangle(Bytes& b, const Bits& bits) {
    for (std::uint32_t v : bits) PutU32(b, v);
}

void PutHeader(Bytes& b, const char* tag, unsigned long size) {
    PutBytes(b, tag, 4);
    PutU32(b, size);
}

// The file the writer gives for `count` pattern triangles.
Bytes RvfFile(unsigned count) {
    Bytes b;
    PutHeader(b, "RVF ", 96 * count + 12);
    PutHeader(b, "TRIS", 96 * count + 4);
    PutU32(b, count);
    for (unsigned i = 0; i < count; ++i) PutTriangle(b, PatternBits(i + 1));
    return b;
}

// A TRIS body: the count, then the given pattern triangles.
Bytes TrisBody(unsigned long count, unsigned present) {
    Bytes b;
    PutU32(b, count);
    for (unsigned i = 0; i < present; ++i) PutTriangle(b, PatternBits(i + 1));
    return b;
}

Bytes Join(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

bool SameBits(const RvRawTriangle& t, const Bits& bits) {
    const RvRawTriangle expected = TriangleFrom(bits);
    return std::memcmp(&t, &expected, sizeof t) == 0;
}

// Streams whose failures a tmpfile cannot show: one that cannot seek, one that takes only
// `limit` bytes and fails every write beyond them.
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
    cookie_io_functions_t io = {CookieRead, nullptr, nullptr, CookieClose};
    return fopencookie(new MemoryCookie{bytes, 0, 0}, "rb", io);
}

FILE* StreamAcceptingOnly(std::size_t limit) {
    cookie_io_functions_t io = {nullptr, CookieWrite, nullptr, CookieClose};
    FILE* fp = fopencookie(new MemoryCookie{Bytes(), 0, limit}, "wb", io);
    if (fp != nullptr) std::setvbuf(fp, nullptr, _IONBF, 0);
    return fp;
}

// Writes `tris` to a fresh stream and returns its bytes; empty when the write fails.
Bytes Written(int count, const RvRawTriangle* tris, std::string* messages) {
    FILE* fp = std::tmpfile();
    if (fp == nullptr) return Bytes();
    CaptureStderr();
    bool ok = RvWriteTriangles(fp, count, tris);
    *messages = CapturedStderr();
    Bytes out = ContentsOf(fp);
    std::fclose(fp);
    return ok ? out : Bytes();
}

// Runs RvReadTriangles over `bytes` and returns its messages; the array is released.
std::string ReadMessages(const Bytes& bytes, bool* ok) {
    FILE* fp = StreamWith(bytes);
    if (fp == nullptr) return "no stream";
    int numTris = 0;
    RvRawTriangle* tris = nullptr;
    CaptureStderr();
    *ok = RvReadTriangles(fp, &numTris, &tris);
    std::string messages = CapturedStderr();
    delete[] tris;
    std::fclose(fp);
    return messages;
}

}  // namespace

TEST(WriteTriangles, ThreeTrianglesGiveTheExact308Bytes) {
    const RvRawTriangle tris[3] = {TriangleFrom(PatternBits(1)), TriangleFrom(PatternBits(2)),
                                   TriangleFrom(PatternBits(3))};
    RvRawTriangle before[3];
    std::memcpy(before, tris, sizeof tris);
    std::string messages;
    Bytes out = Written(3, tris, &messages);
    EXPECT_EQ(messages, "");
    ASSERT_EQ(out.size(), 308u);
    EXPECT_EQ(out, RvfFile(3));
    EXPECT_EQ(std::memcmp(before, tris, sizeof tris), 0);
}

TEST(WriteTriangles, ZeroTrianglesGiveTheExact20Bytes) {
    std::string messages;
    Bytes out = Written(0, nullptr, &messages);
    EXPECT_EQ(messages, "");
    Bytes expected;
    PutHeader(expected, "RVF ", 12);
    PutHeader(expected, "TRIS", 4);
    PutU32(expected, 0);
    EXPECT_EQ(out, expected);

    bool ok = true;
    EXPECT_EQ(ReadMessages(out, &ok), "No triangles found in file\n");
    EXPECT_FALSE(ok);
}

TEST(WriteTriangles, WritesAtTheStreamPosition) {
    const RvRawTriangle tri = TriangleFrom(PatternBits(1));
    FILE* fp = StreamWith(std::string("lead"));
    ASSERT_NE(fp, nullptr);
    ASSERT_EQ(std::fseek(fp, 0, SEEK_END), 0);
    ASSERT_TRUE(RvWriteTriangles(fp, 1, &tri));
    EXPECT_EQ(std::ftell(fp), 4 + 116);
    EXPECT_EQ(ContentsOf(fp), Join(Bytes{'l', 'e', 'a', 'd'}, RvfFile(1)));
    std::fclose(fp);
}

TEST(WriteTriangles, RefusesCountsWhoseSizesDoNotFitAndWritesNothing) {
    const RvRawTriangle tri = TriangleFrom(PatternBits(1));
    // 96 x 44739243 + 12 is the first container size above 32 bits.
    for (int count : {-1, -5, INT_MIN, 44739243, INT_MAX}) {
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
    const struct {
        std::size_t limit;
        const char* message;
    } cases[] = {{0, "Unable to write RVF header\n"},      {7, "Unable to write RVF header\n"},
                 {8, "Unable to write triangle header\n"}, {16, "Unable to write number of triangles\n"},
                 {20, "Unable to write triangles\n"},      {211, "Unable to write triangles\n"}};
    for (const auto& c : cases) {
        FILE* fp = StreamAcceptingOnly(c.limit);
        ASSERT_NE(fp, nullptr);
        CaptureStderr();
        EXPECT_FALSE(RvWriteTriangles(fp, 2, tris)) << c.limit;
        EXPECT_EQ(CapturedStderr(), c.message) << c.limit;
        std::fclose(fp);
    }
    FILE* fp = StreamAcceptingOnly(212);
    ASSERT_NE(fp, nullptr);
    EXPECT_TRUE(RvWriteTriangles(fp, 2, tris));
    std::fclose(fp);
}

TEST(ReadTriangles, ReadsBackWhatWasWrittenBitForBit) {
    // Signalling and quiet NaNs with payloads, both zeros, the smallest and largest denormals,
    // the infinities and the extremes: none may be touched as a number on the way.
    const Bits special = {0x7F800001u, 0x7FBFFFFFu, 0x7FC12345u, 0xFFC00001u, 0xFF800001u, 0x00000000u,
                          0x80000000u, 0x00000001u, 0x807FFFFFu, 0x007FFFFFu, 0x7F800000u, 0xFF800000u,
                          0x7F7FFFFFu, 0x00800000u, 0x80000001u, 0x3F800000u, 0xBF800000u, 0x01020304u,
                          0x7FFFFFFFu, 0xFFFFFFFFu, 0x00010000u, 0x80010000u, 0x7FA00000u, 0xFFA00000u};
    const RvRawTriangle tris[2] = {TriangleFrom(special), TriangleFrom(PatternBits(7))};
    std::string messages;
    Bytes out = Written(2, tris, &messages);
    Bytes expected;
    PutHeader(expected, "RVF ", 204);
    PutHeader(expected, "TRIS", 196);
    PutU32(expected, 2);
    PutTriangle(expected, special);
    PutTriangle(expected, PatternBits(7));
    ASSERT_EQ(out, expected);

    FILE* fp = StreamWith(out);
    ASSERT_NE(fp, nullptr);
    int numTris = 0;
    RvRawTriangle* back = nullptr;
    ASSERT_TRUE(RvReadTriangles(fp, &numTris, &back));
    ASSERT_EQ(numTris, 2);
    EXPECT_TRUE(SameBits(back[0], special));
    EXPECT_TRUE(SameBits(back[1], PatternBits(7)));
    EXPECT_EQ(std::ftell(fp), 212);
    delete[] back;
    std::fclose(fp);
}

TEST(ReadTriangles, SkipsForeignTopLevelChunk) {
    Bytes foreign;
    PutHeader(foreign, "JUNK", 16);
    PutBytes(foreign, "0123456789abcdef", 16);
    FILE* fp = StreamWith(Join(foreign, RvfFile(3)));
    ASSERT_NE(fp, nullptr);
    int numTris = 0;
    RvRawTriangle* tris = nullptr;
    ASSERT_TRUE(RvReadTriangles(fp, &numTris, &tris));
    ASSERT_EQ(numTris, 3);
    for (unsigned i = 0; i < 3; ++i) EXPECT_TRUE(SameBits(tris[i], PatternBits(i + 1))) << i;
    delete[] tris;
    std::fclose(fp);
}

TEST(ReadTriangles, SkipsForeignChunkInsideContainer) {
    Bytes file;
    PutHeader(file, "RVF ", 24 + 8 + 100);
    PutHeader(file, "NORM", 16);
    PutBytes(file, "0123456789abcdef", 16);
    PutHeader(file, "TRIS", 100);
    file = Join(file, TrisBody(1, 1));
    FILE* fp = StreamWith(file);
    ASSERT_NE(fp, nullptr);
    int numTris = 0;
    RvRawTriangle* tris = nullptr;
    ASSERT_TRUE(RvReadTriangles(fp, &numTris, &tris));
    ASSERT_EQ(numTris, 1);
    EXPECT_TRUE(SameBits(tris[0], PatternBits(1)));
    delete[] tris;
    std::fclose(fp);
}

TEST(ReadTriangles, ReadsFromTheStreamPosition) {
    FILE* fp = StreamWith(Join(Bytes{'x', 'y', 'z'}, RvfFile(1)));
    ASSERT_NE(fp, nullptr);
    ASSERT_EQ(std::fseek(fp, 3, SEEK_SET), 0);
    int numTris = 0;
    RvRawTriangle* tris = nullptr;
    ASSERT_TRUE(RvReadTriangles(fp, &numTris, &tris));
    ASSERT_EQ(numTris, 1);
    EXPECT_TRUE(SameBits(tris[0], PatternBits(1)));
    delete[] tris;
    std::fclose(fp);
}

TEST(ReadTriangles, NeverLeavesTheContainerWhateverItsSize) {
    // The container claims 8 bytes, a foreign chunk; the TRIS chunk behind it still counts as
    // inside, and the chunk sizes are never compared with anything.
    Bytes file;
    PutHeader(file, "RVF ", 8);
    PutHeader(file, "NONE", 0);
    PutHeader(file, "TRIS", 7);
    file = Join(file, TrisBody(1, 1));
    FILE* fp = StreamWith(file);
    ASSERT_NE(fp, nullptr);
    int numTris = 0;
    RvRawTriangle* tris = nullptr;
    ASSERT_TRUE(RvReadTriangles(fp, &numTris, &tris));
    ASSERT_EQ(numTris, 1);
    EXPECT_TRUE(SameBits(tris[0], PatternBits(1)));
    delete[] tris;
    std::fclose(fp);
}

TEST(ReadTriangles, IgnoresTrisChunkOutsideContainer) {
    Bytes file;
    PutHeader(file, "TRIS", 100);
    file = Join(file, TrisBody(1, 1));
    FILE* fp = StreamWith(file);
    ASSERT_NE(fp, nullptr);
    int numTris = 17;
    RvRawTriangle* tris = nullptr;
    CaptureStderr();
    EXPECT_FALSE(RvReadTriangles(fp, &numTris, &tris));
    EXPECT_EQ(CapturedStderr(), "Unable to read header\n");
    EXPECT_EQ(numTris, 17);
    EXPECT_EQ(tris, nullptr);
    std::fclose(fp);
}

TEST(ReadTriangles, TagsMatchAllFourBytesAndCase) {
    // A container that does not match is skipped whole; a chunk that does not match is skipped
    // inside the container. Either way the next header read meets the end.
    const char* const tags[][2] = {{"rvf ", "TRIS"}, {"RVFX", "TRIS"}, {"RVF ", "tris"}, {"RVF ", "TRIs"}};
    for (const auto& t : tags) {
        Bytes file;
        PutHeader(file, t[0], 108);
        PutHeader(file, t[1], 100);
        file = Join(file, TrisBody(1, 1));
        bool ok = true;
        EXPECT_EQ(ReadMessages(file, &ok), "Unable to read header\n") << t[0] << t[1];
        EXPECT_FALSE(ok);
    }
}

TEST(ReadTriangles, ReportsStreamAlreadyAtItsEnd) {
    FILE* fp = StreamWith(RvfFile(1));
    ASSERT_NE(fp, nullptr);
    ASSERT_EQ(std::fseek(fp, 0, SEEK_END), 0);
    ASSERT_EQ(std::fgetc(fp), EOF);
    int numTris = 0;
    RvRawTriangle* tris = nullptr;
    CaptureStderr();
    EXPECT_FALSE(RvReadTriangles(fp, &numTris, &tris));
    EXPECT_EQ(CapturedStderr(), "No RVF data found in file\n");
    EXPECT_EQ(tris, nullptr);
    std::fclose(fp);
}

TEST(ReadTriangles, ReportsSkipThatCannotSeek) {
    Bytes outside;
    PutHeader(outside, "JUNK", 4);
    PutBytes(outside, "abcd", 4);
    Bytes inside;
    PutHeader(inside, "RVF ", 116);
    PutHeader(inside, "JUNK", 4);
    PutBytes(inside, "abcd", 4);
    for (const Bytes& prefix : {outside, inside}) {
        FILE* fp = UnseekableStreamWith(Join(prefix, RvfFile(1)));
        ASSERT_NE(fp, nullptr);
        int numTris = 0;
        RvRawTriangle* tris = nullptr;
        CaptureStderr();
        EXPECT_FALSE(RvReadTriangles(fp, &numTris, &tris));
        EXPECT_EQ(CapturedStderr(), "Chunk size doesn't match file size\n");
        EXPECT_EQ(tris, nullptr);
        std::fclose(fp);
    }
}

TEST(ReadTriangles, EveryTruncatedFileFailsWithItsMessage) {
    const Bytes file = RvfFile(3);
    for (std::size_t length = 0; length < file.size(); ++length) {
        FILE* fp = StreamWith(Bytes(file.begin(), file.begin() + length));
        ASSERT_NE(fp, nullptr);
        int numTris = -1;
        RvRawTriangle* tris = nullptr;
        CaptureStderr();
        EXPECT_FALSE(RvReadTriangles(fp, &numTris, &tris)) << length;
        std::string messages = CapturedStderr();
        if (length < 16) {
            EXPECT_EQ(messages, "Unable to read header\n") << length;
            EXPECT_EQ(numTris, -1) << length;
        } else if (length < 20) {
            EXPECT_EQ(messages, "Unable to read number of triangles\n") << length;
            EXPECT_EQ(numTris, -1) << length;
        } else {
            EXPECT_EQ(messages, "Unable to read triangles\n") << length;
            EXPECT_EQ(numTris, 3) << length;
            EXPECT_NE(tris, nullptr) << length;
        }
        if (length < 20) {
            EXPECT_EQ(tris, nullptr) << length;
        }
        delete[] tris;
        std::fclose(fp);
    }
}

TEST(ReadTriangleChunk, RejectsCountNotPositive) {
    for (long count : {0L, -5L, long(INT_MIN)}) {
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

TEST(ReadTriangleChunk, HandsOverTheArrayAfterAShortRead) {
    const Bytes body = TrisBody(3, 2);
    FILE* fp = StreamWith(body);
    ASSERT_NE(fp, nullptr);
    int numTris = 0;
    RvRawTriangle* tris = nullptr;
    CaptureStderr();
    EXPECT_FALSE(RvReadTriangleChunk(fp, &numTris, &tris));
    EXPECT_EQ(CapturedStderr(), "Unable to read triangles\n");
    EXPECT_EQ(numTris, 3);
    ASSERT_NE(tris, nullptr);
    // Only a complete read is converted: the triangles that came stay in file order.
    EXPECT_EQ(0, std::memcmp(tris, body.data() + 4, 2 * sizeof(RvRawTriangle)));
    EXPECT_EQ(std::ftell(fp), 4 + 192);
    delete[] tris;
    std::fclose(fp);
}

TEST(ReadTriangleChunk, EveryTruncatedBodyFailsWithItsMessage) {
    const Bytes body = TrisBody(2, 2);
    for (std::size_t length = 0; length < body.size(); ++length) {
        FILE* fp = StreamWith(Bytes(body.begin(), body.begin() + length));
        ASSERT_NE(fp, nullptr);
        int numTris = 41;
        RvRawTriangle* tris = nullptr;
        CaptureStderr();
        EXPECT_FALSE(RvReadTriangleChunk(fp, &numTris, &tris)) << length;
        std::string messages = CapturedStderr();
        if (length < 4) {
            // A half-read count is not left in *numTris.
            EXPECT_EQ(messages, "Unable to read number of triangles\n") << length;
            EXPECT_EQ(numTris, 41) << length;
            EXPECT_EQ(tris, nullptr) << length;
        } else {
            EXPECT_EQ(messages, "Unable to read triangles\n") << length;
            EXPECT_EQ(numTris, 2) << length;
            EXPECT_NE(tris, nullptr) << length;
        }
        delete[] tris;
        std::fclose(fp);
    }
}

TEST(ReadTriangleChunk, HugeCountFailsWithoutThrowing) {
    FILE* fp = StreamWith(TrisBody(INT_MAX, 1));
    ASSERT_NE(fp, nullptr);
    int numTris = 0;
    RvRawTriangle* tris = nullptr;
    bool ok = true;
    CaptureStderr();
    EXPECT_NO_THROW(ok = RvReadTriangleChunk(fp, &numTris, &tris));
    std::string messages = CapturedStderr();
    EXPECT_FALSE(ok);
    EXPECT_EQ(numTris, INT_MAX);
    if (tris == nullptr) {
        EXPECT_EQ(messages, "Unable to allocate space for 2147483647 triangles\n");
    } else {
        EXPECT_EQ(messages, "Unable to read triangles\n");
        delete[] tris;
    }
    std::fclose(fp);
}

TEST(FileHasTriangles, StopsJustBehindTheTrisHeader) {
    FILE* fp = StreamWith(RvfFile(3));
    ASSERT_NE(fp, nullptr);
    EXPECT_TRUE(RvFileHasTriangles(fp));
    EXPECT_EQ(std::ftell(fp), 16);
    std::fclose(fp);

    Bytes file;
    PutHeader(file, "JUNK", 16);
    PutBytes(file, "0123456789abcdef", 16);
    PutHeader(file, "RVF ", 120);
    PutHeader(file, "JUNK", 0);
    PutHeader(file, "TRIS", 100);
    file = Join(file, TrisBody(1, 1));
    fp = StreamWith(file);
    ASSERT_NE(fp, nullptr);
    EXPECT_TRUE(RvFileHasTriangles(fp));
    EXPECT_EQ(std::ftell(fp), 48);
    std::fclose(fp);
}

TEST(FileHasTriangles, FailsSilently) {
    Bytes loneTris;
    PutHeader(loneTris, "TRIS", 100);
    loneTris = Join(loneTris, TrisBody(1, 1));
    Bytes foreign;
    PutHeader(foreign, "JUNK", 0);
    std::vector<FILE*> streams = {StreamWith(loneTris), UnseekableStreamWith(Join(foreign, RvfFile(1)))};
    FILE* atEnd = StreamWith(RvfFile(1));
    if (atEnd != nullptr) {
        std::fseek(atEnd, 0, SEEK_END);
        std::fgetc(atEnd);
    }
    streams.push_back(atEnd);
    for (FILE* fp : streams) {
        ASSERT_NE(fp, nullptr);
        CaptureStderr();
        EXPECT_FALSE(RvFileHasTriangles(fp));
        EXPECT_EQ(CapturedStderr(), "");
        std::fclose(fp);
    }
}

TEST(FileHasTriangles, EveryTruncatedFileIsJudgedByItsTrisHeader) {
    const Bytes file = RvfFile(1);
    for (std::size_t length = 0; length <= file.size(); ++length) {
        FILE* fp = StreamWith(Bytes(file.begin(), file.begin() + length));
        ASSERT_NE(fp, nullptr);
        CaptureStderr();
        EXPECT_EQ(RvFileHasTriangles(fp), length >= 16) << length;
        EXPECT_EQ(CapturedStderr(), "") << length;
        std::fclose(fp);
    }
}

TEST(ConvertFile, TwoTrianglesGiveThe212Bytes) {
    FILE* in = StreamWith(TrisBody(2, 2));
    FILE* out = std::tmpfile();
    ASSERT_NE(in, nullptr);
    ASSERT_NE(out, nullptr);
    CaptureStderr();
    EXPECT_TRUE(RvConvertFile(in, out));
    EXPECT_EQ(CapturedStderr(), "");
    Bytes bytes = ContentsOf(out);
    EXPECT_EQ(bytes.size(), 212u);
    EXPECT_EQ(bytes, RvfFile(2));
    std::fclose(in);
    std::fclose(out);
}

TEST(ConvertFile, ReportsReadFailureAfterTheReadersMessage) {
    const struct {
        Bytes body;
        const char* messages;
    } cases[] = {{TrisBody(0, 0), "No triangles found in file\nUnable to read input file\n"},
                 {TrisBody(3, 1), "Unable to read triangles\nUnable to read input file\n"},
                 {Bytes{1, 0}, "Unable to read number of triangles\nUnable to read input file\n"}};
    for (const auto& c : cases) {
        FILE* in = StreamWith(c.body);
        FILE* out = std::tmpfile();
        ASSERT_NE(in, nullptr);
        ASSERT_NE(out, nullptr);
        CaptureStderr();
        EXPECT_FALSE(RvConvertFile(in, out));
        EXPECT_EQ(CapturedStderr(), c.messages);
        EXPECT_EQ(std::ftell(out), 0);
        std::fclose(in);
        std::fclose(out);
    }
}

TEST(ConvertFile, ReportsWriteFailureAfterTheWritersMessage) {
    FILE* in = StreamWith(TrisBody(2, 2));
    FILE* out = StreamAcceptingOnly(100);
    ASSERT_NE(in, nullptr);
    ASSERT_NE(out, nullptr);
    CaptureStderr();
    EXPECT_FALSE(RvConvertFile(in, out));
    EXPECT_EQ(CapturedStderr(), "Unable to write triangles\nUnable to write output file\n");
    std::fclose(in);
    std::fclose(out);
}
