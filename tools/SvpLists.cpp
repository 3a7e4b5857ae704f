#include "tools/SvpLists.h"

#include <stdexcept>

#include "foundation/DayPaths.h"
#include "platform/Paths.h"
#include "platform/TextCodec.h"
#include "platform/TextFiles.h"

const std::array<const char*, 4> kSvpListFileNames = {"mRawSVData.ini", "mRawSVExtracted.ini",
                                                      "mSortedAveragedSV.ini", "mSVPColumn.ini"};

TSvpListPlaces DefaultSvpListPlaces() { return {platform::BesideExecutableDir(), g_SvpDir}; }

TSvpList SplitListText(std::string_view text) {
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    TSvpList lines;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find_first_of("\r\n", start);
        if (end == std::string_view::npos) {
            lines.emplace_back(text.substr(start));
            break;
        }
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
        if (text[end] == '\r' && start < text.size() && text[start] == '\n') ++start;
    }
    return lines;
}

platform::FileReadResult ReadListFile(const std::string& path, TSvpList& lines) {
    std::string bytes;
    const platform::FileReadResult read = platform::ReadRegularFile(path, bytes, kSvpMaxFileBytes);
    if (read.ok()) lines = SplitListText(platform::DecodeText(bytes));
    return read;
}

bool WriteListFile(const std::string& path, const TSvpList& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return platform::WriteFileAtomic(path, text);
}

std::string SvpDayCopyPath(const TSvpListPlaces& places, const std::string& date, int index) {
    return places.dayFolder + date + " " + kSvpListFileNames[static_cast<size_t>(index)];
}

void LoadSvpLists(const TSvpListPlaces& places, TSvpLists& lists) {
    const std::string date = DateStamp();
    const auto all = lists.All();
    for (int i = 0; i < 4; ++i) {
        TSvpList& list = *all[static_cast<size_t>(i)];
        const std::string beside =
            places.besideExecutable + kSvpListFileNames[static_cast<size_t>(i)];
        if (platform::FileExists(beside)) ReadListFile(beside, list);
        const std::string dayCopy = SvpDayCopyPath(places, date, i);
        if (platform::FileExists(dayCopy)) ReadListFile(dayCopy, list);
    }
}

void WriteSvpDayCopies(const TSvpListPlaces& places, const TSvpLists& lists) {
    const std::string date = DateStamp();
    const auto all = lists.All();
    for (int i = 0; i < 4; ++i) {
        const std::string path = SvpDayCopyPath(places, date, i);
        if (!WriteListFile(path, *all[static_cast<size_t>(i)]))
            throw std::runtime_error("Cannot create file \"" + path + "\".");
    }
}

void WriteSvpBesideExecutable(const TSvpListPlaces& places, const TSvpLists& lists) {
    const auto all = lists.All();
    for (int i = 0; i < 4; ++i)
        WriteListFile(places.besideExecutable + kSvpListFileNames[static_cast<size_t>(i)],
                      *all[static_cast<size_t>(i)]);
}
