// The pieces of the project text (reals, names, the record reader) and the
// zlib stream around it, checked against the platform's own number text and
// against streams made by Python's zlib.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cfloat>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "canvas/ProjectText.h"
#include "canvas/ZlibStream.h"
#include "platform/VclText.h"
#include "tests/support/TempHome.h"

namespace {

std::string Real(double v) {
    std::string out;
    vlm::AppendReal(out, v);
    return out;
}

std::string Fixture(const std::string& name) {
    return phxtest::ReadAll(std::string(PHX_TEST_DATA_DIR) + "/project_fixtures/" + name);
}

TEST(ProjectFileText, RealsHaveSixDecimalsAPointAndNoExponent) {
    const double inf = std::numeric_limits<double>::infinity();
    const struct {
        double value;
        const char* text;
    } cases[] = {
        {0.0, "0.000000"},
        {-0.0, "0.000000"},
        {1000.0, "1000.000000"},
        {-12.5, "-12.500000"},
        {0.0078125, "0.007813"},    // an exact half: away from zero
        {-0.0078125, "-0.007813"},  // (printf would give ...812)
        {0.0000004, "0.000000"},
        {-0.0000004, "0.000000"},  // rounds to zero: no sign
        {999999.9999996, "1000000.000000"},
        {static_cast<double>(4500000.3f), "4500000.500000"},
        {1e20, "100000000000000000000.000000"},
        {std::nan(""), "0.000000"},
        {inf, "0.000000"},
        {-inf, "0.000000"},
    };
    for (const auto& c : cases) EXPECT_EQ(Real(c.value), c.text) << c.value;
    // Beyond 18 digits the value is written in full, never with an exponent.
    const std::string max = Real(DBL_MAX);
    EXPECT_EQ(max.size(), 309u + 7u);
    EXPECT_EQ(max.substr(0, 6), "179769");
    EXPECT_EQ(max.substr(max.size() - 7), ".000000");
}

// The writer is the platform's FloatToStrF (fixed, 6 decimals) without its
// allocations: the same text for any value below 10^18.
TEST(ProjectFileText, RealsMatchThePlatformFormatter) {
    std::mt19937_64 random(20240501);
    std::uniform_real_distribution<double> survey(-5e6, 5e6);
    int checked = 0;
    auto check = [&](double v) {
        ASSERT_EQ(Real(v), platform::FloatToStrF(v, platform::FloatFormat::Fixed, 18, 6)) << v;
        ++checked;
    };
    for (int i = 0; i < 200000; ++i) {
        const double v = survey(random);
        check(v);
        check(std::round(v * 1e6) / 1e6);                   // values already at 6 decimals
        check((std::floor(v * 1e6) + 0.5) / 1e6);           // near halves
        check(static_cast<double>(static_cast<float>(v)));  // float vertices
        uint64_t bits = random();
        double any;
        std::memcpy(&any, &bits, sizeof any);
        if (std::isfinite(any) && std::fabs(any) < 1e18) check(any);
    }
    EXPECT_GT(checked, 800000);
}

TEST(ProjectFileText, SanitizingKeepsANameOnItsLine) {
    std::string out = "TEXT ";
    vlm::AppendSanitized(out, "KML\r\nLINE 0 0 1 1 0\tend\x7f\x01 \xc5\x9f");
    EXPECT_EQ(out, "TEXT KML  LINE 0 0 1 1 0 end   \xc5\x9f");
}

TEST(ProjectFileText, FieldsReadAsAStreamReadsThem) {
    vlm::RecordFields f("LINE  1e3\t-.5 +2 5. +7 -8 x 9");
    std::string_view word;
    double a = 0, b = 0, c = 0, d = 0;
    int32_t i = 0, j = 0, k = 0;
    ASSERT_TRUE(f.Word(word));
    EXPECT_EQ(word, "LINE");
    EXPECT_TRUE(f.Real(a) && f.Real(b) && f.Real(c) && f.Real(d));
    EXPECT_EQ(a, 1000.0);
    EXPECT_EQ(b, -0.5);
    EXPECT_EQ(c, 2.0);
    EXPECT_EQ(d, 5.0);
    EXPECT_TRUE(f.Int(i) && f.Int(j));
    EXPECT_EQ(i, 7);
    EXPECT_EQ(j, -8);
    EXPECT_FALSE(f.Int(k));  // "x"
    EXPECT_TRUE(f.Failed());
    EXPECT_FALSE(f.Int(k));  // and the good "9" after it stays unread
    EXPECT_EQ(k, 0);
}

TEST(ProjectFileText, BadNumbersFail) {
    for (const char* text : {"nan", "inf", "-inf", "1e999", "1,5", "0x10", "", "--1", "1e", "."}) {
        vlm::RecordFields f(text);
        double v = 42;
        EXPECT_FALSE(f.Real(v)) << text;
        EXPECT_EQ(v, 42) << text;
    }
    for (const char* text :
         {"12.5", "0x10", "$1F", "2147483648", "-2147483649", "+-1", "1e3", ""}) {
        vlm::RecordFields f(text);
        int32_t v = 42;
        EXPECT_FALSE(f.Int(v)) << text;
        EXPECT_EQ(v, 42) << text;
    }
    vlm::RecordFields limits("2147483647 -2147483648");
    int32_t hi = 0, lo = 0;
    EXPECT_TRUE(limits.Int(hi) && limits.Int(lo));
    EXPECT_EQ(hi, 2147483647);
    EXPECT_EQ(lo, -2147483647 - 1);
}

TEST(ProjectFileText, RestOfTheLine) {
    vlm::RecordFields f("LAYER 3   Plovan  Grid \t\r");
    std::string_view word;
    int32_t id = 0;
    ASSERT_TRUE(f.Word(word) && f.Int(id));
    EXPECT_EQ(f.Rest(), "   Plovan  Grid \t\r");
    EXPECT_EQ(f.TrimmedRest(), "Plovan  Grid");
    vlm::RecordFields empty("LAYER 3");
    ASSERT_TRUE(empty.Word(word) && empty.Int(id));
    EXPECT_EQ(empty.TrimmedRest(), "");
}

TEST(ProjectFileText, LinesSplitAtLf) {
    vlm::LineCursor lines("a\n\nb\r\nc");
    std::vector<std::string> got;
    std::string_view line;
    while (lines.Next(line)) got.emplace_back(line);
    EXPECT_EQ(got, (std::vector<std::string>{"a", "", "b\r", "c"}));
    vlm::LineCursor ended("a\n");
    int count = 0;
    while (ended.Next(line)) ++count;
    EXPECT_EQ(count, 1);
}

TEST(ProjectFileText, PythonStreamsAtEveryLevelInflateToTheText) {
    const std::string text = Fixture("basic.txt");
    ASSERT_FALSE(text.empty());
    for (const char* name : {"basic_level1.vlm", "basic_level6.vlm", "basic_level9.vlm"}) {
        const std::string file = Fixture(name);
        ASSERT_EQ(file.substr(0, 4), "VLM1") << name;
        vlm::TextBuffer inflated;
        EXPECT_EQ(vlm::Inflate(std::string_view(file).substr(4), inflated), vlm::InflateStatus::Ok)
            << name;
        EXPECT_EQ(inflated.View(), text) << name;
    }
}

TEST(ProjectFileText, DamagedStreamsAreErrorsNotShorterTexts) {
    const struct {
        const char* name;
        vlm::InflateStatus status;
    } cases[] = {
        {"truncated_end.vlm", vlm::InflateStatus::Truncated},
        {"truncated_middle.vlm", vlm::InflateStatus::Truncated},
        {"bad_checksum.vlm", vlm::InflateStatus::Damaged},
        {"magic_only.vlm", vlm::InflateStatus::Truncated},
        {"basic.txt", vlm::InflateStatus::Damaged},  // no zlib header at all
    };
    for (const auto& c : cases) {
        const std::string file = Fixture(c.name);
        vlm::TextBuffer inflated;
        ASSERT_EQ(vlm::Inflate(Fixture("basic_level6.vlm").substr(4), inflated),
                  vlm::InflateStatus::Ok);
        EXPECT_EQ(vlm::Inflate(std::string_view(file).substr(4), inflated), c.status) << c.name;
        EXPECT_TRUE(inflated.View().empty()) << c.name;
    }
}

TEST(ProjectFileText, DeflateRoundTripsAndIgnoresBytesAfterTheEnd) {
    std::string text;
    for (int i = 0; i < 20000; ++i) text += "LINE " + std::to_string(i) + " 0 1 1 0 255 1\n";
    for (int level : {-1, 0, 1, 6, 9}) {
        std::string stream = "VLM1";
        ASSERT_TRUE(vlm::DeflateAppend(text, level, stream));
        EXPECT_EQ(stream.substr(0, 4), "VLM1");
        stream += "trailing bytes";
        vlm::TextBuffer back;
        EXPECT_EQ(vlm::Inflate(std::string_view(stream).substr(4), back), vlm::InflateStatus::Ok);
        EXPECT_EQ(back.View(), text) << level;
    }
    std::string empty;
    ASSERT_TRUE(vlm::DeflateAppend("", -1, empty));
    vlm::TextBuffer back;
    EXPECT_EQ(vlm::Inflate(empty, back), vlm::InflateStatus::Ok);
    EXPECT_EQ(back.View(), "");
}

// The fast whole-buffer inflater and zlib must agree on every input: the
// result and the text, on good streams, cut ones, flipped bits, small
// windows and tight bounds.
TEST(ProjectFileText, BothInflatersGiveTheSameResult) {
    std::string text;
    for (int i = 0; i < 30000; ++i) text += "POINT " + std::to_string(i * 37 % 1001) + " 2 0 0 1\n";
    std::vector<std::string> streams;
    for (int level : {1, 6, 9}) {
        std::string s;
        ASSERT_TRUE(vlm::DeflateAppend(text, level, s));
        streams.push_back(s);
    }
    // Window bits 9: zlib reads it with its own window rules.
    {
        z_stream zs{};
        ASSERT_EQ(deflateInit2(&zs, 6, Z_DEFLATED, 9, 8, Z_DEFAULT_STRATEGY), Z_OK);
        std::string s(compressBound(text.size()), '\0');
        zs.next_in = reinterpret_cast<Bytef*>(text.data());
        zs.avail_in = static_cast<uInt>(text.size());
        zs.next_out = reinterpret_cast<Bytef*>(s.data());
        zs.avail_out = static_cast<uInt>(s.size());
        ASSERT_EQ(deflate(&zs, Z_FINISH), Z_STREAM_END);
        s.resize(zs.total_out);
        deflateEnd(&zs);
        streams.push_back(s);
        std::string relabelled = s;
        relabelled[0] = 0x78;  // claims the full window: distances stay valid
        relabelled[1] = static_cast<char>(31 - (0x78 << 8) % 31);
        streams.push_back(relabelled);
    }
    const std::string good = streams[1];
    std::mt19937 random(17);
    for (int i = 0; i < 60; ++i) {
        std::string flipped = good;
        flipped[random() % flipped.size()] ^= static_cast<char>(1 << random() % 8);
        streams.push_back(flipped);
        streams.push_back(good.substr(0, random() % good.size()));
    }
    streams.push_back(good + "after the end");
    for (size_t i = 0; i < streams.size(); ++i) {
        for (size_t bound : {vlm::kMaxInflatedBytes, text.size(), text.size() - 1, size_t{100}}) {
            vlm::TextBuffer fast, zlib;
            EXPECT_EQ(vlm::Inflate(streams[i], fast, bound),
                      vlm::InflateZlib(streams[i], zlib, bound))
                << "stream " << i << " bound " << bound;
            EXPECT_EQ(fast.View(), zlib.View()) << "stream " << i << " bound " << bound;
        }
    }
}

TEST(ProjectFileText, InflatedSizeIsBounded) {
    const std::string text(100000, '#');
    std::string stream;
    ASSERT_TRUE(vlm::DeflateAppend(text, 9, stream));
    vlm::TextBuffer back;
    EXPECT_EQ(vlm::Inflate(stream, back, text.size()), vlm::InflateStatus::Ok);
    EXPECT_EQ(back.View(), text);
    EXPECT_EQ(vlm::Inflate(stream, back, text.size() - 1), vlm::InflateStatus::TooLarge);
    EXPECT_TRUE(back.View().empty());
    EXPECT_EQ(vlm::Inflate(stream, back, 10), vlm::InflateStatus::TooLarge);
}

}  // namespace

namespace {

// The save hands the text to the deflater in pieces, on the calling thread
// alone or cut into blocks for a pool: the pieces must come out as one
// stream of their concatenation either way.
TEST(ProjectFileSave, DeflaterJoinsThePiecesIntoOneStream) {
    for (size_t threads : {0, 1, 3}) {
        SCOPED_TRACE(threads);
        std::unique_ptr<vlm::TaskPool> pool;
        if (threads > 0) pool = std::make_unique<vlm::TaskPool>(threads);
        std::string expected;
        std::string stream = "VLM1";
        {
            vlm::Deflater deflater(6, stream, pool.get());
            for (int i = 0; i < 300; ++i) {
                std::string piece;
                for (int j = 0; j < 500; ++j)
                    piece += "POINT " + std::to_string(i * j) + " 1 0 0 1\n";
                expected += piece;
                deflater.Push(piece);
            }
            deflater.Push(std::string());  // an empty piece is harmless
            ASSERT_TRUE(deflater.Finish());
        }
        ASSERT_EQ(stream.substr(0, 4), "VLM1");
        vlm::TextBuffer back;
        ASSERT_EQ(vlm::Inflate(std::string_view(stream).substr(4), back), vlm::InflateStatus::Ok);
        EXPECT_EQ(back.View(), expected);

        std::string nothing;
        {
            vlm::Deflater deflater(6, nothing, pool.get());
            ASSERT_TRUE(deflater.Finish());
        }
        EXPECT_EQ(nothing, std::string("\x78\x9c\x03\x00\x00\x00\x00\x01", 8));
        EXPECT_EQ(vlm::Inflate(nothing, back), vlm::InflateStatus::Ok);
        EXPECT_EQ(back.View(), "");

        // Given up half way (the text could not be made): the blocks on the
        // workers are waited for and no stream is claimed.
        std::string abandoned;
        {
            vlm::Deflater deflater(6, abandoned, pool.get());
            deflater.Push(std::string(1000000, 'x'));
        }
        EXPECT_NE(vlm::Inflate(abandoned, back), vlm::InflateStatus::Ok);

        std::string out = "VLM1";
        vlm::Deflater bad(42, out, pool.get());
        bad.Push(std::string(300000, 'L'));
        EXPECT_FALSE(bad.Finish());
        EXPECT_EQ(out, "VLM1");
    }
}

}  // namespace
