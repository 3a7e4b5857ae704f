// The save made on several threads: its file must hold exactly the text of
// the serial writer in one standard zlib stream, read by independent
// inflaters, wherever the block boundaries fall; one thread must give the
// bytes of a single deflate run.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zlib.h>

#include <QString>
#include <cstdlib>
#include <string>
#include <vector>

#include "canvas/CanvasModel.h"
#include "canvas/ProjectFile.h"
#include "canvas/TaskPool.h"
#include "canvas/ZlibStream.h"
#include "platform/Clock.h"
#include "tests/support/TempHome.h"

namespace {

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

constexpr size_t kBlock = vlm::kDeflateBlockBytes;

struct FixedClock {
    FixedClock() {
        platform::SetClockForTesting([] { return platform::DateTime{2025, 11, 3, 17, 4, 9, 991}; });
    }
    ~FixedClock() { platform::SetClockForTesting({}); }
};

// One zlib stream made in one deflate run.
std::string SingleRun(const std::string& text, int level = Z_DEFAULT_COMPRESSION) {
    uLongf size = compressBound(text.size());
    std::string out(size, '\0');
    EXPECT_EQ(compress2(reinterpret_cast<Bytef*>(out.data()), &size,
                        reinterpret_cast<const Bytef*>(text.data()), text.size(), level),
              Z_OK);
    out.resize(size);
    return out;
}

// The text inside a project file as Python's zlib reads it; the script
// fails unless the stream ends exactly at the end of the file.
std::string InflatedByPython(const std::string& fileBytes) {
    static int serial = 0;
    phxtest::TempHome home;
    const std::string in = home.home() + "in" + std::to_string(serial) + ".vlm";
    const std::string out = home.home() + "out" + std::to_string(serial++) + ".txt";
    phxtest::WriteAll(in, fileBytes);
    const std::string command =
        "python3 -c \"import sys,zlib\n"
        "d=open(sys.argv[1],'rb').read()\n"
        "assert d[:4]==b'VLM1'\n"
        "z=zlib.decompressobj()\n"
        "t=z.decompress(d[4:])\n"
        "assert z.eof and z.unused_data==b'', 'bytes after the stream'\n"
        "open(sys.argv[2],'wb').write(t)\" '" +
        in + "' '" + out + "'";
    if (std::system(command.c_str()) != 0) return "<python could not inflate>";
    // A second independent inflater, where qpdf is installed.
    if (std::system("command -v zlib-flate >/dev/null 2>&1") == 0) {
        const std::string flate = out + ".flate";
        const std::string tail =
            "tail -c +5 '" + in + "' | zlib-flate -uncompress > '" + flate + "'";
        if (std::system(tail.c_str()) != 0 || phxtest::ReadAll(flate) != phxtest::ReadAll(out))
            return "<zlib-flate read another text>";
    }
    return phxtest::ReadAll(out);
}

// A survey-like drawing of `shapes` shapes: lines, soundings, polylines and
// texts with letters of two and three bytes.
void Survey(TCanvasModel& m, int shapes) {
    const int tracks = m.AddLayer("track_fix");
    const int soundings = m.AddLayer(QString::fromUtf8("İskele ölçüm"));
    const int labels = m.AddLayer("labels");
    double x = 512345.678, y = 4512345.678;
    for (int i = 0; i < shapes; ++i) {
        const long long step = i;
        const double nx = x + 0.731 * static_cast<double>(step * 7919 % 13 - 6);
        const double ny = y + 0.577 * static_cast<double>(step * 104729 % 11 - 5);
        switch (i % 50) {
            case 0:
                m.AddPolyline({{x, y}, {x + 3.3, y - 1.7}, {nx, ny}}, tracks, i % 100 == 0);
                break;
            case 1:
                m.AddText(labels, QString::fromUtf8("derinlik €%1 ğş").arg(i), x, y, 0);
                break;
            default:
                if (i % 3) {
                    m.SetShapeColor(m.AddLine(x, y, nx, ny, tracks), 0x00A000 + i % 7);
                } else {
                    const int id = m.AddPoint(x, y, soundings);
                    static_cast<TPlovanPoint*>(m.FindShape(id))->Z = -3.0 - i % 4000 * 0.01;
                }
        }
        x = nx;
        y = ny;
    }
}

struct Files {
    std::string text;    // the serial writer's text
    std::string serial;  // one thread
    std::string parallel;
};

Files Save(const TCanvasModel& model) {
    FixedClock clock;
    Files f;
    f.text = vlm::ProjectText(model);
    EXPECT_TRUE(vlm::ProjectFileBytes(model, 1, f.serial));
    EXPECT_TRUE(vlm::ProjectFileBytes(model, 4, f.parallel));
    std::string other;
    EXPECT_TRUE(vlm::ProjectFileBytes(model, 7, other));
    EXPECT_EQ(other, f.parallel) << "the bytes depend on the number of threads";
    return f;
}

void ExpectOneStreamOfTheText(const Files& f) {
    EXPECT_EQ(f.serial, "VLM1" + SingleRun(f.text)) << "one thread changed the bytes";
    ASSERT_GE(f.parallel.size(), 4u + 2 + 4);
    EXPECT_EQ(f.parallel.substr(0, 6), "VLM1\x78\x9c");
    EXPECT_EQ(InflatedByPython(f.parallel), f.text);
    // The project's own reader agrees, and so does the first step of it.
    vlm::TextBuffer buffer;
    std::string_view text;
    ASSERT_TRUE(vlm::ProjectTextFromFile(f.parallel, buffer, text));
    EXPECT_EQ(text, f.text);
}

TEST(ProjectFileThreads, ParallelStreamHoldsTheSerialText) {
    // Sanitized builds run many times slower: a tenth of the big drawing
    // still spans hundreds of blocks and ranges.
    const int big = kSanitized ? 100000 : 1000000;
    for (int shapes : {0, 1, 3000, 20000, big}) {
        SCOPED_TRACE(shapes);
        TCanvasModel model;
        Survey(model, shapes);
        const Files f = Save(model);
        ExpectOneStreamOfTheText(f);
        if (f.text.size() > 8 * kBlock) {
            EXPECT_LE(static_cast<double>(f.parallel.size()),
                      static_cast<double>(f.serial.size()) * 1.01);
        }
    }
}

// Texts whose length puts the last boundary one byte before, at and after
// the end, and drawings whose boundaries fall inside records and inside
// letters of several bytes.
TEST(ProjectFileThreads, BlockBoundariesAnywhere) {
    for (long delta : {-1L, 0L, 1L}) {
        SCOPED_TRACE(delta);
        TCanvasModel model;
        Survey(model, 2000);
        const int last = model.AddText(0, "", 0, 0, 0);
        const size_t bare = vlm::ProjectText(model).size();
        const size_t target = (bare / kBlock + 2) * kBlock + static_cast<size_t>(delta);
        static_cast<TPlovanText*>(model.FindShape(last))->Text =
            QString(static_cast<qsizetype>(target - bare), QChar('x'));
        const Files f = Save(model);
        ASSERT_EQ(f.text.size(), target);
        ExpectOneStreamOfTheText(f);
    }

    // Every boundary of a text made of two- and three-byte letters.
    TCanvasModel letters;
    const int layer = letters.AddLayer("ölçü");
    for (int i = 0; i < 3000; ++i)
        letters.AddText(layer, QString::fromUtf8("ğüşİ€€ç").repeated(1 + i % 9), i, i, 0);
    const Files f = Save(letters);
    int insideLetters = 0, insideRecords = 0;
    for (size_t at = kBlock; at < f.text.size(); at += kBlock) {
        insideLetters += (static_cast<unsigned char>(f.text[at]) & 0xC0) == 0x80;
        insideRecords += f.text[at - 1] != '\n';
    }
    ASSERT_GT(insideLetters, 0) << "the drawing puts no boundary inside a letter";
    ASSERT_GT(insideRecords, 0);
    ExpectOneStreamOfTheText(f);
}

// A process allowed one processor saves through the serial path: the file
// is the magic and one deflate run of the text, as before there were
// threads.
TEST(ProjectFileThreads, OneProcessorWritesTheSingleRunBytes) {
    phxtest::TempHome home;
    const std::string path = home.home() + "one.vlm";
    TCanvasModel model;
    Survey(model, 30000);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(0, &one);
        if (sched_setaffinity(0, sizeof one, &one) != 0 || vlm::MachineThreads() != 1) _exit(2);
        FixedClock clock;
        _exit(model.SaveProject(QString::fromStdString(path)) ? 0 : 3);
    }
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    FixedClock clock;
    EXPECT_EQ(phxtest::ReadAll(path), "VLM1" + SingleRun(vlm::ProjectText(model)));
}

// The blocks are raw deflate with a dictionary: a stream whose blocks had
// lost their dictionary would still inflate, to another text, so the stream
// is checked against the deflater's input directly as well, at each level.
TEST(ProjectFileThreads, DeflaterWithAPoolAtEveryLevel) {
    std::string text;
    for (int i = 0; text.size() < 5 * kBlock + 77; ++i)
        text += "LINE " + std::to_string(i % 1000) + ".500000 0.000000 1.000000 1.000000 0 255 1\n";
    vlm::TaskPool pool(3);
    for (int level : {-1, 0, 1, 5, 6, 9}) {
        SCOPED_TRACE(level);
        std::string stream;
        vlm::Deflater deflater(level, stream, &pool);
        for (size_t at = 0; at < text.size(); at += 1000)
            deflater.Push(std::string_view(text).substr(at, 1000));
        ASSERT_TRUE(deflater.Finish());
        // The header zlib itself writes at that level.
        EXPECT_EQ(stream.substr(0, 2), SingleRun("", level).substr(0, 2));
        std::string back(text.size(), '\0');
        uLongf size = back.size();
        uLong used = stream.size();
        ASSERT_EQ(uncompress2(reinterpret_cast<Bytef*>(back.data()), &size,
                              reinterpret_cast<const Bytef*>(stream.data()), &used),
                  Z_OK);
        EXPECT_EQ(used, stream.size());
        back.resize(size);
        EXPECT_EQ(back, text);
    }
}

}  // namespace
