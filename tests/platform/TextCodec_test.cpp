#include "platform/TextCodec.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>

using namespace platform;

namespace {

// Python's own cp1254 codec as the oracle: the UTF-8 of every defined byte
// 0x80..0xFF, undefined bytes as U+FFFD.
std::string PythonCp1254Table() {
    const char* script =
        "import sys\n"
        "out = b''.join(bytes([b]).decode('cp1254', 'replace').encode('utf-8') for b in "
        "range(0x80, 0x100))\n"
        "sys.stdout.buffer.write(out)\n";
    const std::string command = std::string("python3 -c \"") + script + "\"";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string out;
    if (!pipe) return out;
    char buffer[4096];
    size_t n;
    while ((n = fread(buffer, 1, sizeof buffer, pipe.get())) > 0) out.append(buffer, n);
    return out;
}

}  // namespace

TEST(TextCodec, Windows1254MatchesPythonsCodec) {
    std::string high;
    for (int b = 0x80; b <= 0xFF; ++b) high += static_cast<char>(b);
    const std::string expected = PythonCp1254Table();
    ASSERT_FALSE(expected.empty()) << "python3 is needed for this oracle";
    EXPECT_EQ(Windows1254ToUtf8(high), expected);
}

TEST(TextCodec, ValidUtf8StaysAndEverythingElseIsWindows1254) {
    const std::string turkish =
        "\xC4\x9E"
        "emi \xC5\x9F\xC4\xB1k \xC4\xB0zmir";  // Ğemi şık İzmir
    EXPECT_TRUE(IsValidUtf8(turkish));
    EXPECT_EQ(DecodeText(turkish), turkish);
    EXPECT_EQ(DecodeText("\xD0"
                         "emi \xFE\xFDk \xDDzmir"),
              turkish);
    EXPECT_EQ(DecodeText("plain ascii"), "plain ascii");

    const char* invalid[] = {"\xC0\x80",          // overlong NUL
                             "\xED\xA0\x80",      // surrogate
                             "\xF4\x90\x80\x80",  // past U+10FFFF
                             "\xE2\x82",          // cut short
                             "\x80",              // lone continuation
                             "\xE0\x80\xAF"};     // overlong '/'
    for (const char* bytes : invalid) EXPECT_FALSE(IsValidUtf8(bytes)) << bytes;
}

TEST(TextCodec, Utf8ToWindows1254RoundTripsAndReplacesTheRest) {
    std::string all;
    for (int b = 0x20; b <= 0xFF; ++b) {
        if (b == 0x81 || b == 0x8D || b == 0x8E || b == 0x8F || b == 0x90 || b == 0x9D || b == 0x9E)
            continue;
        all += static_cast<char>(b);
    }
    EXPECT_EQ(Utf8ToWindows1254(Windows1254ToUtf8(all)), all);
    EXPECT_EQ(Utf8ToWindows1254("\xE2\x82\xAC 5"), "\x80 5");  // €
    EXPECT_EQ(Utf8ToWindows1254("\xE4\xB8\xAD|\xEF\xBF\xBD|\xFF", '?'),
              "?|?|?");  // 中, U+FFFD, bad byte
}

TEST(TextCodec, Windows1252AndSingleCharacters) {
    EXPECT_EQ(platform::Windows1252ToUtf8("Caf\xE9 \x80 \x8E \xDE"), "Café € Ž Þ");
    EXPECT_EQ(platform::Windows1252ToUtf8("\x81"), "\xEF\xBF\xBD");
    EXPECT_EQ(platform::Windows1254Byte(U'Ş'), 0xDE);
    EXPECT_EQ(platform::Windows1254Byte(U'A'), 'A');
    EXPECT_EQ(platform::Windows1254Byte(U'Ω'), -1);
    EXPECT_EQ(platform::Windows1254Byte(0xFFFD), -1);
}
