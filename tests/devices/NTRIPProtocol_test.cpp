// The NTRIP conversation without a network: request bytes, Base64, the GGA
// sentence, the reading of a caster's answer at every chunk boundary, and
// the mount points of a source table (the real caster answer included).
#include "devices/NTRIPProtocol.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devices/Base64.h"
#include "tests/support/Capture.h"
#include "tests/support/TempHome.h"

namespace {

platform::DateTime At(int hour, int minute, int second) {
    platform::DateTime t;
    t.year = 2024;
    t.month = 5;
    t.day = 17;
    t.hour = hour;
    t.minute = minute;
    t.second = second;
    return t;
}

}  // namespace

TEST(Base64, Rfc4648Vectors) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"foob", "Zm9vYg=="},
        {"fooba", "Zm9vYmE="},
        {"foobar", "Zm9vYmFy"},
        {"user:pass", "dXNlcjpwYXNz"},
        {std::string("\xff\xfe\x00", 3), "//4A"},
    };
    for (const auto& [plain, encoded] : cases) EXPECT_EQ(Base64Encode(plain), encoded) << plain;
}

TEST(NtripRequest, ExactBytes) {
    EXPECT_EQ(BuildNtripRequest(0, "caster.example", "MNT", "user", "pass"),
              "GET /MNT HTTP/1.0\r\n"
              "User-Agent: NTRIP PlovanNTRIPClient/1.0\r\n"
              "Authorization: Basic dXNlcjpwYXNz\r\n"
              "\r\n");
    // A password alone gives no authorization line; an empty mount point asks
    // for the source table.
    EXPECT_EQ(BuildNtripRequest(0, "h", "", "", "secret"),
              "GET / HTTP/1.0\r\nUser-Agent: NTRIP PlovanNTRIPClient/1.0\r\n\r\n");
    EXPECT_EQ(BuildNtripRequest(1, "caster.example", "MNT", "user", "pass"),
              "GET /MNT HTTP/1.1\r\n"
              "Host: caster.example\r\n"
              "Ntrip-Version: Ntrip/2.0\r\n"
              "User-Agent: NTRIP PlovanNTRIPClient/1.0\r\n"
              "Authorization: Basic dXNlcjpwYXNz\r\n"
              "\r\n");
    EXPECT_EQ(BuildNtripRequest(2, "h", "MNT", "user", "pass"), "");
}

TEST(NtripRequest, UnsafeTextIsRecognised) {
    EXPECT_TRUE(IsSafeRequestText("caster.example.com"));
    EXPECT_TRUE(IsSafeRequestText("VRS_3_2G"));
    EXPECT_TRUE(IsSafeRequestText(""));
    for (const char* bad : {"MNT HTTP/1.0", "MNT\r\nX-Evil: 1", "a\tb", "a\x7f"}) {
        EXPECT_FALSE(IsSafeRequestText(bad)) << bad;
    }
}

TEST(Gga, SentencesAndRounding) {
    struct Case {
        double lat, lon, alt;
        const char* expected;
    };
    const Case cases[] = {
        {41.0125, 29.0325, 12.34,
         "$GPGGA,093005,4100.7500,N,02901.9500,E,1,10,1.0,12.3,M,0.0,M,,*4C"},
        {-33.5, -70.25, 0, "$GPGGA,093005,3330.0000,S,07015.0000,W,1,10,1.0,0.0,M,0.0,M,,*72"},
    };
    for (const Case& c : cases) EXPECT_EQ(FormatGGA(c.lat, c.lon, c.alt, At(9, 30, 5)), c.expected);

    // Minutes that round up to 60 carry into the degrees.
    const std::string carried = FormatGGA(41.99999999, 179.99999999, -1.25, At(0, 0, 0));
    EXPECT_NE(carried.find(",4200.0000,N,18000.0000,E,"), std::string::npos) << carried;
    EXPECT_NE(carried.find(",-1.3,M,"), std::string::npos) << carried;
    EXPECT_EQ(carried.substr(0, 14), "$GPGGA,000000,");
}

TEST(Gga, ChecksumIsXorOfTheBody) {
    const std::string sentence = FormatGGA(52.123456, 13.654321, 101.55, At(23, 59, 59));
    const size_t star = sentence.find('*');
    ASSERT_NE(star, std::string::npos);
    unsigned x = 0;
    for (size_t i = 1; i < star; ++i) x ^= static_cast<unsigned char>(sentence[i]);
    char hex[3] = {"0123456789ABCDEF"[x >> 4], "0123456789ABCDEF"[x & 15], 0};
    EXPECT_EQ(sentence.substr(star + 1), hex);
    EXPECT_EQ(sentence.substr(0, 14), "$GPGGA,235959,");
}

TEST(Gga, LocalTimeBecomesUtc) {
    const platform::DateTime utc = LocalToUtcTimeOfDay(At(1, 30, 5), 180);  // UTC+3
    EXPECT_EQ(utc.hour, 22);
    EXPECT_EQ(utc.minute, 30);
    EXPECT_EQ(utc.second, 5);
    EXPECT_EQ(LocalToUtcTimeOfDay(At(23, 0, 0), -120).hour, 1);  // UTC-2 across midnight
}

namespace {

struct AnswerCase {
    const char* name;
    std::string bytes;
    NtripAnswer::Kind kind;
    std::string data;     // Stream: bytes after the header; Table: the table
    std::string message;  // Error
};

std::vector<AnswerCase> AnswerCases() {
    const std::string rtcm("\xd3\x00\x13\x3e\xd7\xd3\x02\x02\x98\x0e\xde\xef", 12);
    return {
        {"icy with data", "ICY 200 OK\r\n" + rtcm, NtripAnswer::Stream, rtcm, ""},
        {"http 1.1 headers",
         "HTTP/1.1 200 OK\r\nServer: x\r\nContent-Type: gnss/data\r\n\r\n" + rtcm,
         NtripAnswer::Stream, rtcm, ""},
        {"source table", "SOURCETABLE 200 OK\r\nServer: x\r\n\r\nSTR;A;x\r\nENDSOURCETABLE\r\n",
         NtripAnswer::Table, "STR;A;x\r\nENDSOURCETABLE\r\n", ""},
        {"401 with blank line", "HTTP/1.0 401 Unauthorized\r\n\r\n", NtripAnswer::Error, "",
         "401 - Invalid username or password"},
        {"404", "HTTP/1.0 404 Not Found\r\n\r\n", NtripAnswer::Error, "",
         "404 - Mount point not found: MNT"},
        {"403", "HTTP/1.0 403 Forbidden\r\n\r\n", NtripAnswer::Error, "", "403 - Access forbidden"},
        {"unknown", "HTTP/1.0 500 Internal\r\n\r\n", NtripAnswer::Error, "",
         "Unknown server response"},
    };
}

}  // namespace

TEST(NtripResponseReader, AnswersWholeAndSplitAtEveryByte) {
    for (const AnswerCase& c : AnswerCases()) {
        for (size_t split = 0; split <= c.bytes.size(); ++split) {
            NtripResponseReader reader("MNT");
            NtripAnswer answer = reader.Feed(std::string_view(c.bytes).substr(0, split));
            std::string streamed;
            if (answer.kind == NtripAnswer::NeedMore) {
                answer = reader.Feed(std::string_view(c.bytes).substr(split));
            } else if (answer.kind == NtripAnswer::Stream) {
                // The rest of the bytes belong to the stream.
                streamed = c.bytes.substr(split);
            }
            ASSERT_EQ(answer.kind, c.kind) << c.name << " split " << split;
            if (c.kind == NtripAnswer::Stream) {
                EXPECT_EQ(answer.data + streamed, c.data) << c.name;
            } else if (c.kind == NtripAnswer::Table) {
                // The table is complete once its end marker is there.
                EXPECT_EQ(answer.table, c.data.substr(0, answer.table.size())) << c.name;
                EXPECT_GE(answer.table.size(), c.data.size() - 2) << c.name;
            } else {
                EXPECT_EQ(answer.message, c.message) << c.name;
            }
        }
    }
}

TEST(NtripResponseReader, OneByteAtATime) {
    for (const AnswerCase& c : AnswerCases()) {
        NtripResponseReader reader("MNT");
        NtripAnswer answer;
        size_t i = 0;
        for (; i < c.bytes.size(); ++i) {
            answer = reader.Feed(std::string_view(c.bytes).substr(i, 1));
            if (answer.kind != NtripAnswer::NeedMore) break;
        }
        ASSERT_EQ(answer.kind, c.kind) << c.name;
        if (c.kind == NtripAnswer::Stream) {
            EXPECT_EQ(answer.data + c.bytes.substr(i + 1), c.data) << c.name;
        }
    }
}

TEST(NtripResponseReader, RefusalsAndUnknownAnswers) {
    NtripResponseReader refused("MNT");
    EXPECT_EQ(refused.Feed("HTTP/1.0 401 Unauthorized\r\n\r\n").refused, true);
    NtripResponseReader missing("MNT");
    EXPECT_EQ(missing.Feed("HTTP/1.0 404 Not Found\r\n\r\n").refused, false);
    NtripResponseReader unknown("MNT");
    const NtripAnswer answer = unknown.Feed("RTSP/1.0 302 Moved\r\nLocation: x\r\n\r\n");
    EXPECT_EQ(answer.message, "Unknown server response");
    EXPECT_EQ(answer.serverResponse, "RTSP/1.0 302 Moved");
}

TEST(NtripResponseReader, ConnectionEndingInTheHeader) {
    // A real caster answers a wrong password with its bare status line and hangs up.
    NtripResponseReader bare("MNT");
    EXPECT_EQ(bare.Feed("HTTP/1.0 401 Unauthorized\r\n").kind, NtripAnswer::NeedMore);
    const NtripAnswer closed = bare.Closed();
    EXPECT_EQ(closed.kind, NtripAnswer::Error);
    EXPECT_EQ(closed.message, "401 - Invalid username or password");
    EXPECT_TRUE(closed.refused);

    NtripResponseReader nothing("MNT");
    EXPECT_EQ(nothing.Closed().kind, NtripAnswer::NeedMore);

    NtripResponseReader odd("MNT");
    odd.Feed("Hello\r\n");
    EXPECT_EQ(odd.Closed().message, "Unknown server response");
    EXPECT_EQ(odd.Closed().serverResponse, "Hello");
}

TEST(NtripResponseReader, HeaderAndTableAreCapped) {
    NtripResponseReader endless("MNT");
    NtripAnswer answer;
    const std::string line = "X-Padding: " + std::string(100, 'a') + "\r\n";
    size_t fed = 0;
    while (answer.kind == NtripAnswer::NeedMore && fed < 10 * NtripResponseReader::kHeaderCap) {
        answer = endless.Feed(fed == 0 ? "HTTP/1.0 200 OK\r\n" + line : line);
        fed += line.size();
    }
    EXPECT_EQ(answer.kind, NtripAnswer::Error);
    EXPECT_EQ(answer.message, "Unknown server response");
    EXPECT_LE(fed, NtripResponseReader::kHeaderCap + 2 * line.size());

    NtripResponseReader table("MNT");
    answer = table.Feed("SOURCETABLE 200 OK\r\n\r\n");
    const std::string str(4096, 'S');
    fed = 0;
    while (answer.kind == NtripAnswer::NeedMore && fed < 2 * NtripResponseReader::kTableCap) {
        answer = table.Feed(str);
        fed += str.size();
    }
    EXPECT_EQ(answer.kind, NtripAnswer::Error);
    EXPECT_LE(fed, NtripResponseReader::kTableCap + str.size());
}

TEST(NtripResponseReader, EndMarkerSplitAcrossChunks) {
    NtripResponseReader reader("");
    EXPECT_EQ(reader.Feed("SOURCETABLE 200 OK\r\n\r\nSTR;A;b\r\nENDSOURCE").kind,
              NtripAnswer::NeedMore);
    EXPECT_TRUE(reader.InTable());
    EXPECT_EQ(reader.Feed("TAB").kind, NtripAnswer::NeedMore);
    const NtripAnswer answer = reader.Feed("LE\r\n");
    EXPECT_EQ(answer.kind, NtripAnswer::Table);
    EXPECT_EQ(answer.table, "STR;A;b\r\nENDSOURCETABLE\r\n");
}

// The capture was stored with LF line ends; on the wire they are CR LF.
std::string WithCrLf(const std::string& text) {
    std::string out;
    for (const char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

TEST(SourceTable, RealCasterAnswer) {
    const std::string answer = WithCrLf(phxtest::CaptureBytes("ntrip/sourcetable.log"));
    ASSERT_FALSE(answer.empty());
    NtripResponseReader reader("");
    const NtripAnswer result = reader.Feed(answer);
    ASSERT_EQ(result.kind, NtripAnswer::Table);
    const SourceTableMountPoints table = ParseSourceTableText(result.table);
    EXPECT_EQ(table.names, (std::vector<std::string>{"VRS_3_2G", "MAC_3_2G", "FKP_3_2G", "EPS"}));
    EXPECT_EQ(table.needsGGA, (std::vector<std::string>{"1", "1", "1", "1"}));
}

TEST(SourceTable, FieldsAndOddLines) {
    const std::string text =
        "CAS;caster;2101;X;Y;0;DEU;0;0\r\n"
        "STR;GGA1;id;RTCM 3;1004;2;GPS;NET;DEU;52;13;1;0;gen;none;B;N;0;\r\n"
        "STR;NOGGA;id;RTCM 3;1004;2;GPS;NET;DEU;52;13;0;0;gen;none;B;N;0;\n"
        "STR;SHORT;only;a;few\n"
        "STR;lonely\n"
        "STR;;id;RTCM 3;1004;2;GPS;NET;DEU;52;13; 1;0\n"
        "NET;whatever\n"
        "ENDSOURCETABLE\r\n";
    const SourceTableMountPoints table = ParseSourceTableText(text);
    EXPECT_EQ(table.names, (std::vector<std::string>{"GGA1", "NOGGA", "SHORT", ""}));
    EXPECT_EQ(table.needsGGA, (std::vector<std::string>{"1", "0", "0", "0"}));
}
