// The screenshot worker: level-9 RGB PNGs, one cycle in flight, errors
// reported on the GUI thread, and an owner that can go during a slow write.
#include "navigation/ScreenshotWriter.h"

#include <gtest/gtest.h>

#include <QImage>
#include <atomic>
#include <filesystem>
#include <thread>

#include "tests/support/Pty.h"
#include "tests/support/TempHome.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

uint32_t BigEndian(const std::string& b, size_t at) {
    return (static_cast<uint32_t>(static_cast<unsigned char>(b[at])) << 24) |
           (static_cast<uint32_t>(static_cast<unsigned char>(b[at + 1])) << 16) |
           (static_cast<uint32_t>(static_cast<unsigned char>(b[at + 2])) << 8) |
           static_cast<uint32_t>(static_cast<unsigned char>(b[at + 3]));
}

// What a PNG's header says: size, bit depth, colour type, and the level
// field of the zlib stream in its first IDAT chunk (3: level 9).
struct PngHeader {
    uint32_t width = 0, height = 0;
    int bitDepth = 0, colourType = 0, zlibLevel = -1;
};

PngHeader ReadPngHeader(const std::string& bytes) {
    PngHeader header;
    if (bytes.size() < 33 || bytes.compare(0, 8, "\x89PNG\r\n\x1a\n") != 0) return header;
    header.width = BigEndian(bytes, 16);
    header.height = BigEndian(bytes, 20);
    header.bitDepth = static_cast<unsigned char>(bytes[24]);
    header.colourType = static_cast<unsigned char>(bytes[25]);
    for (size_t at = 8; at + 8 <= bytes.size();) {
        const uint32_t length = BigEndian(bytes, at);
        if (bytes.compare(at + 4, 4, "IDAT") == 0 && at + 10 <= bytes.size()) {
            header.zlibLevel = static_cast<unsigned char>(bytes[at + 9]) >> 6;
            break;
        }
        at += 12 + length;
    }
    return header;
}

QImage Picture(int width, int height, QColor colour) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(colour);
    return image;
}

struct Writer {
    std::vector<std::string> errors;
    ScreenshotWriter writer{[this](const std::string& m) { errors.push_back(m); }};
};

}  // namespace

TEST(ScreenshotWriter, Level9RgbPngReplacingTheFile) {
    phxtest::TempHome home;
    const std::string folder = home.home() + "PNG/";
    fs::create_directories(folder);
    const std::string path = folder + "shot.png";
    phxtest::WriteAll(path, std::string(100000, 'x'));
    QImage image = Picture(64, 48, QColor(10, 200, 30));
    image.setPixelColor(5, 7, QColor(250, 1, 2));
    ASSERT_EQ(WriteScreenshotPng(image, path), "");

    const std::string bytes = phxtest::ReadAll(path);
    const PngHeader header = ReadPngHeader(bytes);
    EXPECT_EQ(header.width, 64u);
    EXPECT_EQ(header.height, 48u);
    EXPECT_EQ(header.bitDepth, 8);
    EXPECT_EQ(header.colourType, 2);  // RGB, no alpha
    EXPECT_EQ(header.zlibLevel, 3);
    const QImage back(QString::fromStdString(path));
    EXPECT_EQ(back.pixelColor(5, 7), QColor(250, 1, 2));
    EXPECT_EQ(back.pixelColor(63, 47), QColor(10, 200, 30));
    // Only the new picture is left, no temporary file beside it.
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 1);

    EXPECT_EQ(WriteScreenshotPng(image, home.home() + "no/such/folder/x.png"),
              "Cannot create file \"" + home.home() + "no/such/folder/x.png\".");
}

TEST(ScreenshotWriter, OneCycleInFlightAndItsFolderMade) {
    phxtest::TempHome home;
    Writer w;
    std::atomic<bool> release{false};
    std::atomic<int> started{0};
    w.writer.BeforeWrite = [&](const std::string&) {
        ++started;
        while (!release) std::this_thread::sleep_for(1ms);
    };
    const std::string folder = home.home() + "day/PNG/";
    ASSERT_TRUE(w.writer.Submit(folder, {{Picture(8, 8, Qt::red), folder + "a.png"},
                                         {Picture(8, 8, Qt::blue), folder + "b.png"}}));
    EXPECT_TRUE(w.writer.Busy());
    // A cycle due meanwhile is skipped.
    EXPECT_FALSE(w.writer.Submit(folder, {{Picture(8, 8, Qt::green), folder + "c.png"}}));
    EXPECT_FALSE(w.writer.WaitIdle(20ms));
    release = true;
    ASSERT_TRUE(w.writer.WaitIdle(30s));
    EXPECT_FALSE(w.writer.Busy());
    EXPECT_EQ(started, 2);
    EXPECT_TRUE(fs::is_regular_file(folder + "a.png"));
    EXPECT_TRUE(fs::is_regular_file(folder + "b.png"));
    EXPECT_FALSE(fs::exists(folder + "c.png"));
    // The next cycle is taken again.
    ASSERT_TRUE(w.writer.Submit(folder, {{Picture(8, 8, Qt::green), folder + "c.png"}}));
    ASSERT_TRUE(w.writer.WaitIdle(30s));
    EXPECT_TRUE(fs::is_regular_file(folder + "c.png"));
    EXPECT_TRUE(w.errors.empty());
}

TEST(ScreenshotWriter, AnErrorEndsItsCycleAndReachesTheGuiThread) {
    phxtest::TempHome home;
    Writer w;
    std::thread::id reportedOn;
    const std::string png = home.home() + "PNG";
    phxtest::WriteAll(png, "a file where the folder belongs");
    const std::string folder = png + "/";
    for (int cycle = 0; cycle < 2; ++cycle) {
        ASSERT_TRUE(w.writer.Submit(folder, {{Picture(8, 8, Qt::red), folder + "a.png"},
                                             {Picture(8, 8, Qt::red), folder + "b.png"}}));
        ASSERT_TRUE(w.writer.WaitIdle(30s));
        // Reported by the event loop, not by the worker.
        ASSERT_TRUE(phxtest::PumpEventsUntil(
            [&] { return w.errors.size() == static_cast<size_t>(cycle + 1); }, 30000));
    }
    EXPECT_EQ(w.errors[0], "Cannot create file \"" + folder + "a.png\".");
    EXPECT_EQ(w.errors[1], w.errors[0]);  // one per cycle: the second picture was not tried
    EXPECT_TRUE(fs::is_regular_file(png));
}

TEST(ScreenshotWriter, OwnerGoesDuringASlowWrite) {
    phxtest::TempHome home;
    const std::string folder = home.home() + "PNG/";
    std::atomic<int> started{0};
    {
        Writer w;
        w.writer.BeforeWrite = [&](const std::string&) {
            ++started;
            std::this_thread::sleep_for(300ms);
        };
        ASSERT_TRUE(w.writer.Submit(folder, {{Picture(8, 8, Qt::red), folder + "a.png"},
                                             {Picture(8, 8, Qt::red), folder + "b.png"},
                                             {Picture(8, 8, Qt::red), folder + "c.png"}}));
        while (started == 0) std::this_thread::sleep_for(1ms);
    }
    // The picture being written was finished; those not started were dropped.
    EXPECT_EQ(started, 1);
    EXPECT_TRUE(fs::is_regular_file(folder + "a.png"));
    EXPECT_FALSE(fs::exists(folder + "b.png"));
}
