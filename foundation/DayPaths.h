// The settings file, the day's data folders and the date stamp.
//
// The day folders live below platform::VlmRoot() (the Windows program's
// "c:\VLM\"): <root>/<YYYY-MM-DD>/ with VLM/, LOG/, XYZ/ and SVP/ inside. The
// path strings are fixed once from one reading of the clock at start and
// keep the start date for the whole run; file names that writers build from
// a fresh DateStamp() take the date of the moment they are written.
#pragma once

#include <QString>
#include <string>

#include "platform/VclText.h"

// Day path strings (each ends with '/'), fixed at start.
extern std::string g_DayDir;
extern std::string g_ProjectDir;
extern std::string g_LogDir;
extern std::string g_XyzDir;
extern std::string g_SvpDir;
extern std::string g_SessionDate;
extern std::string g_CoordinatesCsvPath;

// Shared text slots, empty at start and filled by their users.
extern std::string g_EllipsoidParamsText;
extern std::string g_TMParamsText;
extern QString g_LastPortMessage;
extern std::string g_RawCsvHeader;

// Fixes every day path string from the one date `start`. Runs before the
// entry with the clock's date; tests call it again after moving HOME.
void InitDayPaths(const platform::DateTime& start);
void InitDayPaths();

// Full path of the settings file "PlovanHX.ini" in <APPDATA>/Plovan/PHX/;
// creates the application-data folder and the two below it when missing
// (0700; failures ignored), never the file.
std::string SettingsFilePath();

// Today's local date as "YYYY-MM-DD".
std::string DateStamp();

// Creates, when missing: the root of the day folders, the current day's
// folder with VLM/, LOG/ and SVP/ (no XYZ/), and the start day's folders the
// writers use (LOG/, XYZ/, VLM/, SVP/). A creation that fails shows one
// message for the whole run and the remaining steps still run. Returns
// whether every folder exists afterwards.
bool EnsureDataFolders();
// The same without the message, for writers that report their own failure.
bool MakeDataFolders();
