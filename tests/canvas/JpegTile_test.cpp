// Tile decoding through libjpeg-turbo: the pixels of baseline, progressive,
// subsampled and greyscale tiles made by PIL equal djpeg's decoding of the
// same files, and every damaged or oversized file is refused.
#include "canvas/JpegTile.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/RunTool.h"
#include "tests/support/TempHome.h"

namespace {

// A 256 x 256 gradient tile written by PIL with the given save options.
std::string MakeJpeg(const std::string& path, const std::string& mode, const std::string& options,
                     int width = 256, int height = 256) {
    const std::string script =
        "from PIL import Image\n"
        "w, h = " + std::to_string(width) + ", " + std::to_string(height) + "\n"
        "im = Image.new('RGB', (w, h))\n"
        "im.putdata([((x * 7) % 256, (y * 5) % 256, (x * y) % 256) for y in range(h) for x in range(w)])\n"
        "im.convert('" + mode + "').save('" + path + "', 'JPEG', " + options + ")\n";
    phxtest::WriteAll(path + ".py", script);
    if (phxtest::RunTool("/usr/bin/python3 '" + path + ".py' && echo ok").empty()) return {};
    return phxtest::ReadAll(path);
}

// djpeg's decoding as RGB rows (PPM without its header).
std::string Djpeg(const std::string& path) {
    const std::string ppm = phxtest::RunTool("djpeg -pnm '" + path + "' 2>/dev/null");
    // "P6\n256 256\n255\n" or "P5..." for greyscale.
    std::size_t at = 0;
    for (int fields = 0; fields < 4 && at < ppm.size(); ++fields) {
        while (at < ppm.size() && std::isspace(static_cast<unsigned char>(ppm[at]))) ++at;
        while (at < ppm.size() && !std::isspace(static_cast<unsigned char>(ppm[at]))) ++at;
    }
    return at < ppm.size() ? ppm.substr(at + 1) : std::string();
}

}  // namespace

TEST(JpegTile, PixelsEqualDjpegs) {
    if (phxtest::RunTool("command -v djpeg").empty()) GTEST_SKIP() << "djpeg missing";
    phxtest::TempHome home;
    struct Kind {
        const char* name;
        const char* mode;
        const char* options;
    };
    const Kind kinds[] = {{"baseline 4:4:4", "RGB", "quality=90, subsampling=0"},
                          {"baseline 4:2:0", "RGB", "quality=75, subsampling=2"},
                          {"progressive", "RGB", "quality=80, progressive=True"},
                          {"greyscale", "L", "quality=85"}};
    for (const Kind& k : kinds) {
        SCOPED_TRACE(k.name);
        const std::string path = home.home() + "tile.jpg";
        const std::string bytes = MakeJpeg(path, k.mode, k.options);
        if (bytes.empty()) GTEST_SKIP() << "python3-pil missing";
        const auto image = tiles::DecodeJpegTile(bytes);
        ASSERT_TRUE(image);
        ASSERT_EQ(image->size(), QSize(256, 256));
        EXPECT_EQ(image->format(), QImage::Format_RGB32);
        const std::string oracle = Djpeg(path);
        const bool grey = std::string(k.mode) == "L";
        ASSERT_EQ(oracle.size(), 256u * 256u * (grey ? 1 : 3));
        int differing = 0;
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                const std::size_t i = (static_cast<std::size_t>(y) * 256 + x) * (grey ? 1 : 3);
                const auto c = [&](int k2) { return static_cast<unsigned char>(oracle[i + (grey ? 0 : k2)]); };
                const QRgb p = image->pixel(x, y);
                if (qRed(p) != c(0) || qGreen(p) != c(1) || qBlue(p) != c(2)) ++differing;
            }
        EXPECT_EQ(differing, 0);
    }
}

TEST(JpegTile, DamagedOrOversizedFilesAreRefused) {
    phxtest::TempHome home;
    const std::string good = MakeJpeg(home.home() + "good.jpg", "RGB", "quality=90");
    if (good.empty()) GTEST_SKIP() << "python3-pil missing";
    ASSERT_TRUE(tiles::DecodeJpegTile(good));
    const std::string small = MakeJpeg(home.home() + "small.jpg", "RGB", "quality=90", 255, 256);
    const std::string large = MakeJpeg(home.home() + "large.jpg", "RGB", "quality=90", 512, 512);
    // The start-of-frame size patched to 60000 x 60000.
    std::string patched = good;
    for (std::size_t i = 2; i + 9 < patched.size();) {
        const auto marker = static_cast<unsigned char>(patched[i + 1]);
        const std::size_t length = (static_cast<unsigned char>(patched[i + 2]) << 8) |
                                   static_cast<unsigned char>(patched[i + 3]);
        if (marker == 0xC0) {
            patched[i + 5] = patched[i + 7] = static_cast<char>(0xEA);
            patched[i + 6] = patched[i + 8] = static_cast<char>(0x60);
            break;
        }
        i += 2 + length;
    }
    std::string flipped = good;
    for (std::size_t i = flipped.size() / 2; i < flipped.size() / 2 + 64; ++i) flipped[i] = '\xFF';
    const std::pair<const char*, std::string> bad[] = {
        {"empty", ""},
        {"not a JPEG", "<html><body>Map data not yet available</body></html>"},
        {"first half only", good.substr(0, good.size() / 2)},
        {"last byte missing", good.substr(0, good.size() - 2)},
        {"markers in the entropy data", flipped},
        {"frame of 60000 x 60000", patched},
        {"255 x 256", small},
        {"512 x 512", large},
        {"PNG signature", std::string("\x89PNG\r\n\x1a\n", 8) + good.substr(8)},
    };
    for (const auto& [what, bytes] : bad) EXPECT_FALSE(tiles::DecodeJpegTile(bytes)) << what;
}
