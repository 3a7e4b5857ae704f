// An old settings file brought in over the program's own: its bytes as they
// are (the settings reader understands a Windows-1254 file), written beside
// the target and renamed over it, so a failure part way leaves the old file
// whole. The old file is kept beside it with ".bak" added to its name. Both
// are private (0600) and a target that is a link stays a link.
#pragma once

#include <string>

enum class SettingsImportResult { Imported, SourceMissing, CopyFailed };

struct SettingsImport {
    SettingsImportResult result = SettingsImportResult::CopyFailed;
    // Why a file was not read: the source, or the settings file it would
    // replace ("<path> (not a regular file)"); empty when nothing was refused.
    std::string problem;
};

// `target` + ".bak": where the replaced settings file is kept.
std::string SettingsBackupPath(const std::string& target);

// Copies `source` over `target`. SourceMissing when `source` is not there;
// CopyFailed when it, or the target it would replace, is not a regular file
// of at most platform::kSettingsMaxFileBytes that can be read, or when
// nothing could be written (the target is then as it was).
SettingsImport ImportSettingsFile(const std::string& source, const std::string& target);
