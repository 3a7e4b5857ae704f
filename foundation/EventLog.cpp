#include "foundation/EventLog.h"

#include "foundation/DayPaths.h"
#include "platform/Clock.h"
#include "platform/TextFiles.h"

bool AppendEventLog(const std::string& text, const std::string& path) {
    const std::string entry =
        "\nAuto Event:\t" + platform::DateTimeToStr(platform::Now()) + "\t" + text;
    return platform::AppendText(path, entry);
}

std::string EventLogPath() { return g_LogDir + DateStamp() + " Events.log"; }
