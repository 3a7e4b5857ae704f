#include "navigation/GeodesySessionLog.h"

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "platform/TextCodec.h"
#include "platform/TextFiles.h"

namespace {

const char* Flag(bool value) { return value ? "Yes" : "No"; }

}  // namespace

std::vector<std::string> GeodesyLogHeader(const platform::DateTime& now) {
    return {"GEODETIC PARAMETERS LOG - " + platform::FormatDateTime("YYYY-MM-DD", now),
            std::string(40, '='), ""};
}

std::vector<std::string> GeodesySessionBlock(const DeviceSettingsValues& v,
                                             const platform::DateTime& now) {
    return {
        "=== SESSION START: " + platform::FormatDateTime("hhnnsszzz", now) + " ===",
        "",
        "--- ELLIPSOID ---",
        "Semi-Major Axis: " + v.SemiMajorAxis,
        "Inverse Flattening: " + v.Flattening,
        "",
        "--- DATUM TRANSFORMATION ---",
        "Name of Datum: " + v.NameOfDatum,
        std::string("Use DTP: ") + Flag(v.UseDTP),
        "X/Y/Z Rotation: " + v.XRotation + ", " + v.YRotation + ", " + v.ZRotation,
        "X/Y/Z Shift: " + v.XShift + ", " + v.YShift + ", " + v.ZShift,
        "Scale PPM: " + v.ScalePPM,
        "",
        "--- TRANSVERSE MERCATOR ---",
        std::string("Use TM: ") + Flag(v.UseTMProjection),
        "CM: " + v.CentralMeridian + ", Ref Lat: " + v.ReferenceLatitude + ", SF: " + v.ScaleFactor,
        "FE: " + v.FalseEasting + ", FN: " + v.FalseNorthing,
        "",
        "--- LAMBERT CONFORMAL CONIC ---",
        std::string("Use LCC: ") + Flag(v.UseLCCProjection),
        "SP1: " + v.LCCSP1 + ", SP2: " + v.LCCSP2,
        "CP: " + v.LCCCP + ", CM: " + v.LCCM,
        "FE: " + v.LCCFE + ", FN: " + v.LCCFN,
        "",
        std::string(40, '-'),
        "",
    };
}

std::string GeodesyLogPath(const std::string& logDir, const platform::DateTime& now) {
    return logDir + platform::FormatDateTime("YYYY-MM-DD", now) + " Geodesy.txt";
}

std::string GeodesySessionText(const DeviceSettingsValues& values, const platform::DateTime& now) {
    std::string text;
    for (const std::string& line : GeodesySessionBlock(values, now)) text += line + "\r\n";
    return text;
}

bool AppendGeodesyBlocks(const std::string& path, const std::deque<std::string>& blocks,
                         const platform::DateTime& now, std::string* why) {
    std::string bytes;
    std::error_code ec;
    const bool exists = std::filesystem::exists(path, ec);
    if (exists && !platform::ReadFile(path, bytes)) {
        if (why) *why = std::string("cannot read: ") + std::strerror(errno);
        return false;
    }
    std::string text;
    if (!exists)
        for (const std::string& line : GeodesyLogHeader(now)) text += line + "\r\n";
    for (const std::string& block : blocks) text += block;
    // The blocks go in the file's own encoding; the earlier bytes stay as
    // they are. A file that is not UTF-8 was written in the Windows code page.
    const bool bom = bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0;
    if (exists && !bom && !platform::IsValidUtf8(bytes)) text = platform::Utf8ToWindows1254(text);
    if (!bytes.empty() && bytes.back() != '\n') bytes += "\r\n";
    bytes += text;
    if (!platform::WriteFileAtomic(path, bytes)) {
        if (why) *why = std::string("cannot write: ") + std::strerror(errno);
        return false;
    }
    return true;
}

bool AppendGeodesySessionLog(const std::string& path, const DeviceSettingsValues& values,
                             const platform::DateTime& now, std::string* why) {
    return AppendGeodesyBlocks(path, {GeodesySessionText(values, now)}, now, why);
}
