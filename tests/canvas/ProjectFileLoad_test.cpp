// The load of a large project on several threads: the inflater helped by a
// pool, the code page check shared among workers, and the reader that takes
// the text apart in parts must all give exactly what one thread gives.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "canvas/ProjectFile.h"
#include "canvas/TaskPool.h"
#include "canvas/ZlibStream.h"
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
