// An old settings file brought in over the program's own: its bytes as they
// are (the settings reader understands a Windows-1254 file), written beside
// the target and renamed over it, so a failure part way leaves the old file
// whole. The old file is kept beside it with ".bak" added to its name.
#pragma once

#include <string>

enum class SettingsImportResult { Imported, SourceMissing, CopyFailed };

// `target` + ".bak": where the replaced settings file is kept.
std::string SettingsBackupPath(const std::string& target);

// Copies `source` over `target`. SourceMissing when `source` is not there;
// CopyFailed when it cannot be read or nothing could be written (the target
// is then as it was).
SettingsImportResult ImportSettingsFile(const std::string& source, const std::string& target);
