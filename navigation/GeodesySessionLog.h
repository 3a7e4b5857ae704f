// The geodesy session log " Geodesy.txt": one block of the geodetic
// parameters in force per realtime start, under a three-line header written
// when the day's file is new. Lines end in CR LF, the last one too.
//
// The file is read whole and written back through a temporary file and a
// rename, so a crash keeps the earlier blocks. An existing file keeps its
// bytes and its encoding (a UTF-8 byte order mark, UTF-8, or the Windows
// code page of older files); a new file is UTF-8.
#pragma once

#include <deque>
#include <string>
#include <vector>

#include "devices/DeviceSettingsFile.h"
#include "platform/VclText.h"

// The three header lines for the date `now`.
std::vector<std::string> GeodesyLogHeader(const platform::DateTime& now);

// The 26 lines of one session block from the device settings values.
std::vector<std::string> GeodesySessionBlock(const DeviceSettingsValues& values,
                                             const platform::DateTime& now);

// The file of `now` in `logDir` (ends with '/'): date + " Geodesy.txt".
std::string GeodesyLogPath(const std::string& logDir, const platform::DateTime& now);

// One block as the file holds it: its lines, each ended by CR LF.
std::string GeodesySessionText(const DeviceSettingsValues& values, const platform::DateTime& now);

// Appends blocks made by GeodesySessionText, in order (with the header for
// `now` when the file is new). False with the reason in `why` when the file
// could not be read or written; the old file is then unchanged.
bool AppendGeodesyBlocks(const std::string& path, const std::deque<std::string>& blocks,
                         const platform::DateTime& now, std::string* why = nullptr);

// Appends one block of `values` at `now`.
bool AppendGeodesySessionLog(const std::string& path, const DeviceSettingsValues& values,
                             const platform::DateTime& now, std::string* why = nullptr);
