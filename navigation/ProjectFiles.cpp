#include "navigation/ProjectFiles.h"

#include <algorithm>
#include <numeric>

std::string TimeStampHHMMSS(const platform::DateTime& at) {
    return platform::FormatDateTime("hhnnss", at);
}

std::string AutoSaveName(const std::string& projectDir, const platform::DateTime& at) {
    return projectDir + platform::FormatDateTime("yyyy-mm-dd", at) + " " + TimeStampHHMMSS(at) +
           ".vlm";
}

bool OnProjectPanel(const std::vector<int>& panelWidths, int x) {
    const size_t before = std::min<size_t>(panelWidths.size(), 3);
    const long long left =
        std::accumulate(panelWidths.begin(), panelWidths.begin() + static_cast<long>(before), 0LL);
    const long long right = panelWidths.size() > 3 ? left + panelWidths[3] : left;
    return left <= x && x <= right;
}

std::vector<std::string> SvpListCopyPaths(const std::string& svpDir, const std::string& date) {
    const TSvpListPlaces places{std::string(), svpDir};
    std::vector<std::string> paths;
    for (int i = 0; i < 4; ++i) paths.push_back(SvpDayCopyPath(places, date, i));
    return paths;
}

int WriteSvpListCopies(const std::string& svpDir, const std::string& date, const TSvpLists& lists) {
    const std::vector<std::string> paths = SvpListCopyPaths(svpDir, date);
    const auto all = lists.All();
    for (int i = 0; i < 4; ++i)
        if (!WriteListFile(paths[static_cast<size_t>(i)], *all[static_cast<size_t>(i)])) return i;
    return 4;
}
