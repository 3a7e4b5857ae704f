#include "foundation/DayPaths.h"

#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"

std::string g_EllipsoidParamsText;
std::string g_TMParamsText;
QString g_LastPortMessage;
std::string g_ProjectDir;
std::string g_LogDir;
std::string g_XyzDir;
std::string g_DayDir;
std::string g_SvpDir;
std::string g_SessionDate;
std::string g_CoordinatesCsvPath;
std::string g_RawCsvHeader;

namespace {

// One reading of the clock fixes every string, so a start at 23:59:59.999
// cannot split one run over two day folders.
const bool g_dayPathsReady = (InitDayPaths(), true);

bool g_folderFailureShown = false;

}  // namespace

void InitDayPaths(const platform::DateTime& start) {
    const std::string date = platform::FormatDateTime("yyyy-mm-dd", start);
    const std::string root = platform::VlmRoot() + date + "/";
    g_ProjectDir = root + "VLM/";
    g_LogDir = root + "LOG/";
    g_XyzDir = root + "XYZ/";
    g_DayDir = root;
    g_SvpDir = root + "SVP/";
    g_SessionDate = date;
    g_CoordinatesCsvPath = g_LogDir + date + " Coordinates.csv";
}

void InitDayPaths() { InitDayPaths(platform::Now()); }

std::string SettingsFilePath() {
    // The application-data folder always exists on Windows; its stand-in here
    // (~/.config on a fresh account) may not. The file holds the caster
    // password, so the folders made for it are the user's alone.
    platform::EnsureDirectory(platform::AppDataDir(), 0700);
    const std::string plovan = platform::AppDataDir() + "Plovan/";
    platform::EnsureDirectory(plovan, 0700);
    const std::string phx = plovan + "PHX/";
    platform::EnsureDirectory(phx, 0700);
    return phx + "PlovanHX.ini";
}

std::string DateStamp() { return platform::FormatDateTime("yyyy-mm-dd", platform::Now()); }

bool MakeDataFolders() {
    const std::string root = platform::VlmRoot();
    const std::string today = root + DateStamp() + "/";
    bool ok = true;
    for (const std::string& folder : {root, today, today + "VLM/", today + "LOG/", today + "SVP/",
                                      g_DayDir, g_LogDir, g_XyzDir, g_ProjectDir, g_SvpDir}) {
        if (!platform::EnsureDirectory(folder)) ok = false;
    }
    (void)g_dayPathsReady;
    return ok;
}

bool EnsureDataFolders() {
    const bool ok = MakeDataFolders();
    if (!ok && !g_folderFailureShown) {
        g_folderFailureShown = true;
        platform::ShowMessage(QStringLiteral(
            "Cannot create log folder C:\\VLM\\log\\. Check if you are authorized create folder "
            "at this address."));
    }
    return ok;
}
