#include "navigation/ScreenshotNames.h"

#include <algorithm>

namespace {

std::string PlainName(const std::vector<QRect>& screens, size_t index) {
    if (screens.size() == 1) return "Primary";
    const QRect& me = screens[index];
    int leftSmaller = 0, leftLarger = 0, topSmaller = 0, topLarger = 0;
    for (size_t other = 0; other < screens.size(); ++other) {
        if (other == index) continue;
        const QRect& them = screens[other];
        leftSmaller += them.left() < me.left();
        leftLarger += them.left() > me.left();
        topSmaller += them.top() < me.top();
        topLarger += them.top() > me.top();
    }
    if (leftSmaller == 0 && leftLarger > 0) return "Left";
    if (leftLarger == 0 && leftSmaller > 0) return "Right";
    if (leftSmaller > 0 && leftLarger > 0) return "Middle";
    if (topSmaller == 0 && topLarger > 0) return "Top";
    if (topLarger == 0 && topSmaller > 0) return "Bottom";
    return "Monitor" + std::to_string(index + 1);
}

}  // namespace

std::vector<std::string> ScreenPositionNames(const std::vector<QRect>& screens) {
    std::vector<std::string> names;
    for (size_t i = 0; i < screens.size(); ++i) {
        std::string name = PlainName(screens, i);
        if (std::find(names.begin(), names.end(), name) != names.end())
            name += std::to_string(i + 1);
        names.push_back(std::move(name));
    }
    return names;
}

std::string ScreenshotFolder(const std::string& dayDir) { return dayDir + "PNG/"; }

std::string ScreenshotFileName(const std::string& folder, const platform::DateTime& at,
                               const std::string& position) {
    return folder + "PHX " + platform::FormatDateTime("yyyy-mm-dd", at) + " " +
           platform::FormatDateTime("hhnnss", at) + " " + position + ".png";
}
