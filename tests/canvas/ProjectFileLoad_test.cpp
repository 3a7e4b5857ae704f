// The load of a large project on several threads: the inflater helped by a
// pool, the code page check shared among workers, and the reader that takes
// the text apart in parts must all give exactly what one thread gives.
#include <gtest/gtest.h>

#include <QString>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "canvas/CanvasModel.h"
#include "canvas/ProjectFile.h"
#include "canvas/TaskPool.h"
#include "canvas/ZlibStream.h"
#include "platform/Clock.h"
#include "platform/TextCodec.h"

namespace {

// Some megabytes of records: the inflater's output spans many pages.
std::string BigText(size_t bytes) {
    std::string text;
    std::mt19937 random(5);
    while (text.size() < bytes)
        text += "LINE " + std::to_string(random() % 100000) + ".125 4500000.5 " +
                std::to_string(random() % 1000) + " 7 1 255 1\n";
    return text;
}

TEST(ProjectFileThreads, InflatingWithAPoolGivesWhatZlibGives) {
    const std::string text = BigText(size_t{6} << 20);
    std::string good;
    ASSERT_TRUE(vlm::DeflateAppend(text, 6, good));
    std::vector<std::string> streams = {good, good.substr(0, good.size() / 2),
                                        good.substr(0, good.size() - 1), good + "after"};
    std::string flipped = good;
    flipped[flipped.size() / 3] ^= 0x10;
    streams.push_back(flipped);
    vlm::TaskPool pool(3);
    for (size_t i = 0; i < streams.size(); ++i) {
        for (size_t bound : {vlm::kMaxInflatedBytes, text.size(), text.size() - 1}) {
            vlm::TextBuffer helped, zlib;
            EXPECT_EQ(vlm::Inflate(streams[i], helped, bound, &pool),
                      vlm::InflateZlib(streams[i], zlib, bound))
                << "stream " << i << " bound " << bound;
            EXPECT_EQ(helped.View(), zlib.View()) << "stream " << i << " bound " << bound;
        }
    }
}

TEST(ProjectFileThreads, CodePageCheckOnWorkersAgreesWithOneThread) {
    std::string text = BigText(size_t{12} << 20);
    vlm::TaskPool pool(3);
    EXPECT_TRUE(vlm::IsValidUtf8Text(text, &pool));
    // A bad letter anywhere, also in the last piece, and a good letter of
    // three bytes just after a piece's LF.
    for (size_t at : {size_t{10}, text.size() / 2, text.size() - 3}) {
        std::string bad = text;
        bad[at] = static_cast<char>(0xFE);
        EXPECT_EQ(vlm::IsValidUtf8Text(bad, &pool), platform::IsValidUtf8(bad)) << at;
        EXPECT_FALSE(vlm::IsValidUtf8Text(bad, &pool)) << at;
    }
    const size_t lf = text.find('\n', size_t{4} << 20);
    text.insert(lf + 1, "\xE2\x82\xAC");
    EXPECT_TRUE(vlm::IsValidUtf8Text(text, &pool));
}

}  // namespace

namespace {

struct FixedClock {
    FixedClock() {
        platform::SetClockForTesting([] { return platform::DateTime{2025, 1, 2, 3, 4, 5, 60}; });
    }
    ~FixedClock() { platform::SetClockForTesting({}); }
};

// A canvas whose store the tests may look into.
struct Canvas : TCanvasModel {
    using TCanvasModel::Store;
};

// Everything a load leaves in the model: the saved text (view, layers,
// shapes with their fields), and beside it each shape's id, pen, fill and
// box, the layer tallies, the current layer and the next ids.
std::string State(Canvas& m) {
    FixedClock clock;
    std::string out = vlm::ProjectText(m);
    for (const TPlovanShape* s : m.FShapes) {
        out += std::to_string(s->FId) + " t" + std::to_string(s->FShapeType) + " L" +
               std::to_string(s->FLayerId) + " c" + std::to_string(s->FColor) + " w" +
               std::to_string(s->FWidth) + " f" + std::to_string(s->FFillColor) + "/" +
               std::to_string(s->FFillStyle) + " box " + std::to_string(s->FMinX) + " " +
               std::to_string(s->FMinY) + " " + std::to_string(s->FMaxX) + " " +
               std::to_string(s->FMaxY);
        if (auto* t = dynamic_cast<const TPlovanText*>(s))
            out += " font " + t->FontName.toStdString() + " h" + std::to_string(t->HAlign);
        out += "\n";
    }
    for (const auto& layer : m.FLayers) {
        out += "layer " + std::to_string(layer->Id);
        if (const TLayerShapes* t = m.Store().LayerShapesOf(layer->Id))
            out += " count " + std::to_string(t->count) + " colour " +
                   (t->colour ? std::to_string(*t->colour) : "mixed") + " width " +
                   (t->width ? std::to_string(*t->width) : "mixed");
        out += "\n";
    }
    out += "current " + std::to_string(m.FCurrentLayer) + " next shape " +
           std::to_string(m.FNextShapeId) + " next layer " + std::to_string(m.FNextLayerId) +
           " shapes " + std::to_string(m.FShapeCount) + "\n";
    return out;
}

// A text of every kind of record in a random order: layers declared along
// the way (names found again, ids that name no layer), polylines whose
// vertex lines hold comments, empty lines, records and even a POLYLINE
// keyword, CR LF ends, letters of several bytes, and a polyline the text
// cuts short.
std::string RandomText(unsigned seed, int records) {
    std::mt19937 random(seed);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    auto real = [&] {
        return std::to_string(pick(200000) - 100000) + "." + std::to_string(pick(1000));
    };
    std::string text = "# header\nWORLD 0 1000 0 1000\n";
    for (int i = 0; i < records; ++i) {
        const std::string layer = std::to_string(pick(9) - 1);
        const std::string end = pick(7) == 0 ? "\r\n" : "\n";
        switch (pick(14)) {
            case 0:
                text += "LAYER " + std::to_string(pick(6)) + " " +
                        (pick(2) ? "Survey " : "İskele ") + std::to_string(pick(4)) + end;
                break;
            case 1:
                text += "WORLD " + real() + " " + real() + " " + real() + " " + real() + end;
                break;
            case 2:
            case 3:
                text += "LINE " + real() + " " + real() + " " + real() + " " + real() + " " +
                        layer + (pick(3) ? " " + std::to_string(pick(3) * 255) + " 2" : "") + end;
                break;
            case 4:
            case 5:
                text += "POINT " + real() + " " + real() + " " + layer + " " +
                        std::to_string(pick(2) * 77) + " 1 " + real() + end;
                break;
            case 6:
                text += "TEXT " + real() + " " + real() + " " + layer + " " +
                        std::to_string(pick(3)) + " " + std::to_string(pick(2) * 99) +
                        " 12 30 1 0 " + (pick(2) ? "Arial_Black" : "0") + " derinlik ğş €" +
                        std::to_string(i) + end;
                break;
            case 7:
                text += "CIRCLE " + real() + " " + real() + " 5 " + layer + " 255 1" + end;
                break;
            case 8:
                text += "RECTANGLE 0 0 " + real() + " " + real() + " " + layer + " 255 1 65535 1 " +
                        real() + end;
                break;
            case 9:
                text +=
                    "ELLIPSE 0 0 1 1 " + layer + end + "ARC 1 2 3 4 5 6 " + layer + " 9 9" + end;
                break;
            case 10:
                text += "# comment\n\n  " + real() + " " + real() + end;
                break;
            default: {
                static const char* const kinds[] = {"POLYLINE", "POLYGON", "SPLINE", "ARC3P"};
                const int count = pick(5) == 0 ? pick(400) : pick(12);
                text += std::string(kinds[pick(4)]) + " " + layer + " " + std::to_string(count) +
                        " " + std::to_string(pick(2) * 128) + " 3" + end;
                for (int v = 0; v < count; ++v) {
                    switch (pick(12)) {
                        case 0:
                            text += "# in the run\n";
                            break;
                        case 1:
                            text += "\n";
                            break;
                        case 2:
                            text += "LINE 1 1 2 2 0 255 1\n";
                            break;
                        case 3:
                            text += "POLYLINE 0 " + std::to_string(pick(30)) + " 255 1\n";
                            break;
                        default:
                            text += real() + " " + real() + end;
                    }
                }
            }
        }
    }
    text += "POLYLINE 2 50 255 1\n1 1\n2 2\n";  // the text ends first
    return text;
}

void Before(TCanvasModel& m) {
    m.AddLayer("Survey 1");
    m.AddLayer("x");
    m.SetLayerColor(m.AddLayer("y"), 0x123456);
    m.SetLayerWidth(2, 4);
    m.AddFont("Courier,14,B");
    m.FDefaultTextHAlign = 2;
    m.AddLine(0, 0, 1, 1, 1);
    m.AddPoint(5, 5, 3);
}

// However the text is cut into parts (down to one line a part) and however
// many threads read them, the model ends the same as when one thread reads
// the text whole.
TEST(ProjectFileLoad, PartsAnywhereReadAsOneText) {
    vlm::TaskPool pool(3);
    for (unsigned seed = 1; seed <= 6; ++seed) {
        const std::string text = RandomText(seed, 1500);
        for (int mode : {0, 2}) {
            Canvas whole;
            Before(whole);
            vlm::LoadProjectText(whole, text, mode, nullptr, text.size() + 1);
            const std::string expected = State(whole);
            for (size_t partBytes : {size_t{1}, size_t{40}, size_t{777}, size_t{5000}}) {
                Canvas parts;
                Before(parts);
                vlm::LoadProjectText(parts, text, mode, &pool, partBytes);
                ASSERT_EQ(State(parts), expected)
                    << "seed " << seed << " mode " << mode << " parts of " << partBytes;
            }
        }
    }
}

// A large text with no pool given is read on a pool of the reader's own, in
// parts of the default size, to the same drawing.
TEST(ProjectFileLoad, LargeTextOnTheReadersOwnThreads) {
    std::string text = RandomText(99, 2000);
    while (text.size() < 3 * vlm::kReadPartBytes) text += RandomText(100 + text.size() % 7, 2000);
    Canvas whole, parts;
    vlm::LoadProjectText(whole, text, 0, nullptr, text.size() + 1);
    vlm::LoadProjectText(parts, text, 0);
    EXPECT_EQ(State(parts), State(whole));
}

// A layer's tally knows the colours and widths the file gave its shapes: a
// later change of the layer's pen reaches every shape.
TEST(ProjectFileLoad, LayerPenReachesShapesWithTheFilesColours) {
    Canvas model;
    vlm::LoadProjectText(model,
                         "LAYER 1 Survey\nLINE 0 0 1 1 1 255 3\nCIRCLE 0 0 5 1 255 3\n"
                         "POINT 1 1 1 255 3 0\nTEXT 1 1 1 0 255 10 0 0 0 0 depth\n",
                         0);
    const int survey = model.FindLayer("Survey");
    const TLayerShapes* tally = model.Store().LayerShapesOf(survey);
    ASSERT_NE(tally, nullptr);
    EXPECT_EQ(tally->count, 4);
    EXPECT_EQ(tally->colour, std::optional<TColor>(255));
    EXPECT_EQ(tally->width, std::nullopt);  // the text keeps width 1
    model.SetLayerColor(survey, clBlack);
    model.SetLayerWidth(survey, 3);
    for (const TPlovanShape* s : model.FShapes) {
        EXPECT_EQ(s->FColor, clBlack) << s->FShapeType;
        EXPECT_EQ(s->FWidth, 3) << s->FShapeType;
    }
}

}  // namespace
