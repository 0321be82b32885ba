#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <string>
#include <vector>

#include "TestFiles.h"
#include "image/TGAIO.h"

namespace {

// A 3 x 2 picture, no two bytes alike, so that a channel swap or a row flip shows.
const Bytes kRgb = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18};
const Bytes kRgba = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23, 24};

// Header bytes for a 3 x 2 image (idlen and imtype first, the depth at byte 16).
Bytes Header(int idlen, int imtype, int depth) {
    return {BYTE(idlen), 0, BYTE(imtype), 0, 0, 0, 0, 0, 0, 0, 0, 0, 3, 0, 2, 0, BYTE(depth), 8};
}

Bytes Cat(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// Each pixel's first and third byte exchanged.
Bytes Exchanged(Bytes b, std::size_t bytesPerPixel) {
    for (std::size_t i = 0; i + 2 < b.size(); i += bytesPerPixel) std::swap(b[i], b[i + 2]);
    return b;
}

// An unbuffered stream that takes *room bytes and then refuses every write.
FILE* SinkWithRoom(std::size_t* room) {
    cookie_io_functions_t io = {};
    io.write = [](void* cookie, const char*, size_t n) -> ssize_t {
        std::size_t* left = static_cast<std::size_t*>(cookie);
        n = n < *left ? n : *left;
        *left -= n;
        return ssize_t(n);
    };
    FILE* fp = fopencookie(room, "wb", io);
    if (fp != nullptr) setvbuf(fp, nullptr, _IONBF, 0);
    return fp;
}

struct Read {
    bool ok;
    int width = -1, height = -1, depth = -1;
    BYTE* pixels = nullptr;
    std::string err;
    explicit Read(FILE* fp) {
        CaptureStderr();
        ok = TGAReadImage(fp, &width, &height, &depth, &pixels);
        err = CapturedStderr();
    }
    Bytes Pixels(std::size_t n) const { return Bytes(pixels, pixels + n); }
    ~Read() { delete[] pixels; }
};

}  // namespace

TEST(TGAWriteImage, WritesHeaderAndExchangesOrCopiesChannelsByFlagAndReadsBack) {
    for (int depth : {24, 32}) {
        for (bool flag : {false, true}) {
            Bytes image = depth == 24 ? kRgb : kRgba;
            const Bytes before = image;
            FILE* fp = std::tmpfile();
            ASSERT_TRUE(TGAWriteImage(fp, 3, 2, depth, image.data(), flag));
            const Bytes pixels = flag ? before : Exchanged(before, depth / 8);
            EXPECT_EQ(ContentsOf(fp), Cat(Header(0, 2, depth), pixels)) << depth << flag;
            EXPECT_EQ(image, before);
            // Read back: the file's pixel bytes as they stand.
            std::rewind(fp);
            Read r(fp);
            ASSERT_TRUE(r.ok) << r.err;
            EXPECT_EQ((std::vector<int>{r.width, r.height, r.depth}), (std::vector<int>{3, 2, depth}));
            EXPECT_EQ(r.Pixels(pixels.size()), pixels);
            std::fclose(fp);
        }
    }
}

TEST(TGAWriteImage, KeepsLow16BitsOfWidthInHeaderAndWritesEveryPixel) {
    Bytes image(70000 * 3, 5);
    FILE* fp = std::tmpfile();
    ASSERT_TRUE(TGAWriteImage(fp, 70000, 1, 24, image.data(), true));
    const Bytes file = ContentsOf(fp);
    std::fclose(fp);
    ASSERT_EQ(file.size(), 18 + image.size());
    EXPECT_EQ(Bytes(file.begin() + 12, file.begin() + 16), (Bytes{0x70, 0x11, 1, 0}));
    EXPECT_EQ(Bytes(file.begin() + 18, file.end()), image);
}

TEST(TGAWriteImage, RejectsBadArgumentsAndImpossibleSizesWithoutWriting) {
    Bytes image = kRgba;
    const char* const kNull = "ERROR: NULL image or file pointer!\n";
    const char* const kNoMemory = "ERROR allocating memory for texels\n";
    struct {
        bool nullFile;
        BYTE* image;
        int width, height, depth;
        const char* message;
    } cases[] = {
        {false, nullptr, 3, 2, 24, kNull},
        {true, image.data(), 3, 2, 24, kNull},
        {false, image.data(), 3, 2, 16,
         "ERROR! Can only write 24 and 32 bit images! This image is 16 bits.\n"},
        {false, image.data(), -3, 2, 32, kNoMemory},
        {false, image.data(), -1, 0, 32, kNoMemory},
        {false, image.data(), INT_MAX, INT_MAX, 32, kNoMemory},
    };
    for (const auto& c : cases) {
        FILE* fp = std::tmpfile();
        CaptureStderr();
        EXPECT_FALSE(TGAWriteImage(c.nullFile ? nullptr : fp, c.width, c.height, c.depth, c.image, false));
        EXPECT_EQ(CapturedStderr(), c.message);
        EXPECT_TRUE(ContentsOf(fp).empty()) << c.message;
        std::fclose(fp);
    }
}

TEST(TGAWriteImage, WritesTexelsInBlocksOf8192000Bytes) {
    // 2731 x 1000 pixels of 3 bytes: one full block and 1,000 bytes more.
    Bytes image(2731 * 1000 * 3, 7);
    struct {
        std::size_t room;
        const char* message;
    } cases[] = {
        {17, "ERROR! Targa header not written successfully!\n"},
        {18 + 5, "ERROR! Texels not written successfully! Wrote 5 instead of  8192000\n"},
        {18 + 8192000 + 999, "ERROR! Texels not written successfully! Wrote 999 instead of  1000\n"},
        {18 + image.size(), ""},
    };
    for (const auto& c : cases) {
        std::size_t room = c.room;
        FILE* fp = SinkWithRoom(&room);
        CaptureStderr();
        EXPECT_EQ(TGAWriteImage(fp, 2731, 1000, 24, image.data(), false), *c.message == '\0');
        EXPECT_EQ(CapturedStderr(), c.message);
        std::fclose(fp);
    }
}

TEST(TGAReadImage, TakesBytesBehindIdentificationFieldAsRawPixelsOfAnyDeclaredKind) {
    // Declared colour-mapped and run-length encoded, with 5 identification bytes; then a depth of
    // 255 bits (31 bytes a pixel) and one of 4 (no bytes).
    Bytes mapped = Cat(Cat(Header(5, 10, 24), Bytes(5, 'i')), kRgb);
    mapped[1] = 1;
    const struct {
        Bytes file;
        std::size_t bytes;
    } cases[] = {{mapped, 18}, {Cat(Header(0, 2, 255), Bytes(186, 9)), 186}, {Header(0, 2, 4), 0}};
    for (const auto& c : cases) {
        FILE* fp = StreamWith(c.file);
        Read r(fp);
        std::fclose(fp);
        ASSERT_TRUE(r.ok) << r.err;
        ASSERT_NE(r.pixels, nullptr);
        EXPECT_EQ(r.Pixels(c.bytes), Bytes(c.file.end() - c.bytes, c.file.end()));
    }
}

TEST(TGAReadImage, TruncatedFileFailsWithOutputsSetOnlyOnceHeaderIsRead) {
    const Bytes file = Cat(Cat(Header(2, 2, 24), {0, 0}), kRgb);
    for (std::size_t n = 0; n < file.size(); ++n) {
        FILE* fp = StreamWith(Bytes(file.begin(), file.begin() + n));
        Read r(fp);
        std::fclose(fp);
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.err, n < 18 ? "ERROR! Bad Targa header!\n" : "ERROR! Couldn't read texels!\n") << n;
        EXPECT_EQ(r.width, n < 18 ? -1 : 3);
        EXPECT_EQ(r.height, n < 18 ? -1 : 2);
        EXPECT_EQ(r.depth, n < 18 ? -1 : 24);
        EXPECT_EQ(r.pixels != nullptr, n >= 18);
    }
}

TEST(TGAReadImage, ReportsFailedSeekPastIdentificationField) {
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const Bytes header = Header(4, 2, 24);
    ASSERT_EQ(write(fds[1], header.data(), header.size()), 18);
    close(fds[1]);
    FILE* fp = fdopen(fds[0], "rb");
    Read r(fp);
    std::fclose(fp);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.err, "ERROR! Couldn't seek past Targa header!\n");
    EXPECT_EQ(r.depth, 24);
    EXPECT_EQ(r.pixels, nullptr);
}

TEST(TGAReadImage, ReportsPixelsThatCannotBeAllocated) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizer's allocator ends the process instead of failing";
#else
    // 65535 x 65535 x 4 bytes is about 17 GB, beyond an address space capped at 2 GB.
    rlimit saved, capped;
    ASSERT_EQ(getrlimit(RLIMIT_AS, &saved), 0);
    capped = saved;
    capped.rlim_cur = saved.rlim_cur < (2ull << 30) ? saved.rlim_cur : (2ull << 30);
    Bytes header = Header(0, 2, 32);
    header[12] = header[13] = header[14] = header[15] = 0xFF;
    FILE* fp = StreamWith(header);
    ASSERT_EQ(setrlimit(RLIMIT_AS, &capped), 0);
    Read r(fp);
    ASSERT_EQ(setrlimit(RLIMIT_AS, &saved), 0);
    std::fclose(fp);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.err, "ERROR allocating memory for pixels\n");
    EXPECT_EQ(r.width, 65535);
    EXPECT_EQ(r.pixels, nullptr);
#endif
}

// An independent decoder and encoder, run on files in a fresh directory.
class TGAPeer : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_EQ(access(kConvert, X_OK), 0) << "make test installs imagemagick";
        char dir[] = "/tmp/tgapeerXXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        tga_ = std::string(dir) + "/a.tga";
        raw_ = std::string(dir) + "/a.raw";
    }
    void TearDown() override {
        std::remove(tga_.c_str());
        std::remove(raw_.c_str());
        rmdir(tga_.substr(0, tga_.size() - 6).c_str());
    }

    // Runs the converter on `args` without a shell, its console output discarded.
    static bool Convert(std::vector<std::string> args) {
        std::vector<char*> argv = {const_cast<char*>(kConvert)};
        for (std::string& a : args) argv.push_back(&a[0]);
        argv.push_back(nullptr);
        posix_spawn_file_actions_t quiet;
        posix_spawn_file_actions_init(&quiet);
        posix_spawn_file_actions_addopen(&quiet, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&quiet, 2, "/dev/null", O_WRONLY, 0);
        pid_t pid;
        int status = 0;
        const bool ok = posix_spawn(&pid, kConvert, &quiet, nullptr, argv.data(), environ) == 0 &&
                        waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
        posix_spawn_file_actions_destroy(&quiet);
        return ok;
    }
    static Bytes Slurp(const std::string& path) {
        FILE* fp = std::fopen(path.c_str(), "rb");
        if (fp == nullptr) return Bytes();
        Bytes out = ContentsOf(fp);
        std::fclose(fp);
        return out;
    }

    static constexpr const char* kConvert = "/usr/bin/convert";
    std::string tga_, raw_;
};

TEST_F(TGAPeer, DecodesOurFilesToThePictureMeant) {
    for (int depth : {24, 32}) {
        for (bool flag : {false, true}) {
            const std::size_t bpp = depth / 8;
            const Bytes rgb = depth == 24 ? kRgb : kRgba;
            Bytes image = flag ? Exchanged(rgb, bpp) : rgb;
            FILE* fp = std::fopen(tga_.c_str(), "wb");
            ASSERT_TRUE(TGAWriteImage(fp, 3, 2, depth, image.data(), flag));
            ASSERT_EQ(std::fclose(fp), 0);
            // Our first row is the bottom one; the dump starts at the top.
            ASSERT_TRUE(Convert({tga_, "-auto-orient", "-depth", "8", (bpp == 3 ? "rgb:" : "rgba:") + raw_}));
            EXPECT_EQ(Slurp(raw_),
                      Cat(Bytes(rgb.begin() + 3 * bpp, rgb.end()), Bytes(rgb.begin(), rgb.begin() + 3 * bpp)))
                << depth << flag;
        }
    }
}

TEST_F(TGAPeer, WeReadItsUncompressedFilesInFileOrder) {
    for (int depth : {24, 32}) {
        const std::size_t bpp = depth / 8;
        const std::string layout = bpp == 3 ? "rgb:" : "rgba:";
        FILE* fp = std::fopen(raw_.c_str(), "wb");
        ASSERT_EQ(std::fwrite(kRgba.data(), 1, 6 * bpp, fp), 6 * bpp);
        ASSERT_EQ(std::fclose(fp), 0);
        ASSERT_TRUE(Convert({"-size", "3x2", "-depth", "8", layout + raw_, "-compress", "none", "-set",
                             "comment", "made elsewhere", tga_}));
        const Bytes file = Slurp(tga_);
        ASSERT_GE(file.size(), 18u);
        ASSERT_EQ(file[0], 14) << "identification field";
        ASSERT_EQ(file[2], 2) << "uncompressed true colour";
        ASSERT_EQ(file[17] & 0x20, 0) << "bottom-left origin";
        // Its own decoding, rows as they stand in the file.
        ASSERT_TRUE(Convert({tga_, "-depth", "8", layout + raw_}));
        fp = std::fopen(tga_.c_str(), "rb");
        Read r(fp);
        std::fclose(fp);
        ASSERT_TRUE(r.ok) << r.err;
        EXPECT_EQ((std::vector<int>{r.width, r.height, r.depth}), (std::vector<int>{3, 2, depth}));
        EXPECT_EQ(Exchanged(r.Pixels(6 * bpp), bpp), Slurp(raw_)) << depth;
    }
}
