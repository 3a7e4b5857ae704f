// Names and rules of the main window's project commands, without widgets:
// the auto-save's file name, the status bar's project panel, and the dated
// copies of the sound velocity lists that an auto-save writes.
#pragma once

#include <string>
#include <vector>

#include "platform/VclText.h"
#include "tools/SvpLists.h"

// The project files' filter, in the class library's form
// (platform::QtFileFilter turns it into Qt's).
inline constexpr const char* kProjectFilter = "Plovan Helm [*.vlm]|*.vlm|All Files [*.*]|*.*";

// The settings key of the last auto-save, with the 7 blanks that older
// settings files carry; readers find it without them.
inline constexpr const char* kFileSection = "FILE";
inline constexpr const char* kLastFileSavedKey = "Last File Saved       ";

// Hours, minutes and seconds of `at`, two digits each, run together
// ("142501", "090705"); milliseconds dropped.
std::string TimeStampHHMMSS(const platform::DateTime& at);

// `projectDir` (the start day's VLM folder, ending with '/') + the date of
// `at` as "YYYY-MM-DD" + " " + TimeStampHHMMSS(at) + ".vlm": one reading of
// the clock gives both, so a save at midnight never pairs one day's date
// with the next day's "000000".
std::string AutoSaveName(const std::string& projectDir, const platform::DateTime& at);

// Whether a click at `x` (the status bar's client pixels) lies on the
// project panel, panel 3: from the sum of the widths of panels 0 to 2 (as
// many as there are) to that plus panel 3's width when there is a panel 3,
// both edges included.
bool OnProjectPanel(const std::vector<int>& panelWidths, int x);

// The four list copies in `svpDir`, dated `date` ("YYYY-MM-DD"), in the
// order source, extracted, averaged, SV column: the same files the sound
// velocity window reads back.
std::vector<std::string> SvpListCopyPaths(const std::string& svpDir, const std::string& date);

// Writes the four lists to SvpListCopyPaths in order, each replacing its
// file whole (CR LF lines, UTF-8). Stops at the first list that cannot be
// written, leaving the rest unwritten; returns how many were written.
int WriteSvpListCopies(const std::string& svpDir, const std::string& date, const TSvpLists& lists);
