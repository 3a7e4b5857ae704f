#include "navigation/SettingsImport.h"

#include <filesystem>

#include "platform/TextFiles.h"

std::string SettingsBackupPath(const std::string& target) { return target + ".bak"; }

SettingsImportResult ImportSettingsFile(const std::string& source, const std::string& target) {
    std::error_code ec;
    if (!std::filesystem::exists(source, ec)) return SettingsImportResult::SourceMissing;
    std::string bytes;
    if (!platform::ReadFile(source, bytes)) return SettingsImportResult::CopyFailed;
    // The old file first, so that an import is never left without the file
    // it replaced.
    std::string old;
    if (std::filesystem::exists(target, ec)) {
        if (!platform::ReadFile(target, old) ||
            !platform::WriteFileAtomic(SettingsBackupPath(target), old))
            return SettingsImportResult::CopyFailed;
    }
    return platform::WriteFileAtomic(target, bytes) ? SettingsImportResult::Imported
                                                    : SettingsImportResult::CopyFailed;
}
