// The folder that "Open Log Folder" opens: the day folder that holds the
// GNSS port log, or the day folder of program start before any port log
// was named. Paths use '/'; folders end with '/'.
#pragma once

#include <string>

// `portLogName` is the GNSS reader's port log path (empty before the first
// Start), `logDir` the LOG folder of the day the program started. The folder
// is the path part of the port log name, or `logDir` when that name is
// empty; the answer is that folder's parent, or the folder itself when it
// has no parent.
std::string LogFolderToOpen(const std::string& portLogName, const std::string& logDir);
