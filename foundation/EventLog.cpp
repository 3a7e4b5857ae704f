#include "foundation/EventLog.h"

#include "foundation/DayPaths.h"
#include "platform/Clock.h"
#include "platform/TextFiles.h"

void AppendEventLog(const std::string& text, const std::string& path) {
    const std::string entry =
        "\nAuto Event:\t" + platform::DateTimeToStr(platform::Now()) + "\t" + text;
    platform::AppendText(path, entry);
}

std::string EventLogPath() { return g_LogDir + DateStamp() + " Events.log"; }
