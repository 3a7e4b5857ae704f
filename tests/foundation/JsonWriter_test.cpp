#include "foundation/JsonWriter.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

// Each text and the JSON string it must become.
TEST(JsonWriterTest, QuoteKeepsTextAndEscapesOnlyWhatJsonNeeds) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"", "\"\""},
        {"A\xC3\xA7", "\"A\xC3\xA7\""},
        {"\"\\\b\f\n\r\t", "\"\\\"\\\\\\b\\f\\n\\r\\t\""},
        {std::string("a\0b\x1f", 4), "\"a\\u0000b\\u001f\""},
        // U+FEFF is text wherever it stands, also as the first character,
        // and escaped so that no reader takes it for a byte order mark.
        {"\xEF\xBB\xBF", "\"\\ufeff\""},
        {"\xEF\xBB\xBF\xC4\xB0ki", "\"\\ufeff\xC4\xB0ki\""},
        {"x\xEF\xBB\xBFy", "\"x\\ufeffy\""},
        {"\xEF\xBB\xBF\xEF\xBB\xBF", "\"\\ufeff\\ufeff\""},
        // Bytes that are not UTF-8 become U+FFFD.
        {"A\xE7", "\"A\xEF\xBF\xBD\""},
        {"\xED\xA0\x80", "\"\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\""},
    };
    for (const auto& [text, quoted] : cases) EXPECT_EQ(JsonQuote(text), quoted) << text;
}

TEST(JsonWriterTest, ObjectLayoutIsOnePairPerLine) {
    EXPECT_EQ(FormatJsonStringObject({}), "{\n}\n");
    EXPECT_EQ(FormatJsonStringObject({{"b", "2"}, {"a", "\xEF\xBB\xBF"}}, 4),
              "{\n    \"a\": \"\\ufeff\",\n    \"b\": \"2\"\n}\n");
}

}  // namespace
