// The day's event log: the record of what happened during a survey. Every
// entry is "\r\nAuto Event:\t" + date and time ("2025-03-07 093005123", the
// date alone at exactly midnight) + "\t" + text, with every line end stored
// as CR LF and no line end after the last entry.
#pragma once

#include <string>

// Appends one entry to `path`. False when it could not be written (the entry
// is then dropped; the caller decides whether to say so). No folder is
// created.
bool AppendEventLog(const std::string& text, const std::string& path);

// The event log of the moment: g_LogDir + DateStamp() + " Events.log".
std::string EventLogPath();
