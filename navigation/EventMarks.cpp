#include "navigation/EventMarks.h"

#include <climits>

#include "platform/IniFile.h"

namespace {

constexpr const char* kSection = "EVENTS";
constexpr const char* kKey = "Event Number";

std::string Fixed2(double value) {
    return platform::FloatToStrF(value, platform::FloatFormat::Fixed, 18, 2);
}

}  // namespace

std::string EventLine(int number, const EventMarkValues& v) {
    return "\nEvent No:" + std::to_string(number) +
           ",Date & Time:" + platform::DateTimeToStr(v.now) + ",Easting:" + Fixed2(v.easting) +
           ",Northing:" + Fixed2(v.northing) + ",True Depth:" + v.depthHighText +
           ",True Depth:" + v.depthLowText + ",Heading:" + Fixed2(v.gridHeading);
}

EventNumber NextEventNumber(const std::string& settingsPath) {
    platform::IniFile ini(settingsPath);
    const int last = ini.ReadInteger(kSection, kKey, 0);
    EventNumber next;
    next.number = last < 0 || last == INT_MAX ? 1 : last + 1;
    next.stored = ini.WriteInteger(kSection, kKey, next.number);
    return next;
}

bool ResetEventNumber(const std::string& settingsPath) {
    platform::IniFile ini(settingsPath);
    return ini.WriteInteger(kSection, kKey, 0);
}
