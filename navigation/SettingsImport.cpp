#include "navigation/SettingsImport.h"

#include "platform/IniFile.h"
#include "platform/TextFiles.h"

std::string SettingsBackupPath(const std::string& target) { return target + ".bak"; }

SettingsImport ImportSettingsFile(const std::string& source, const std::string& target) {
    using platform::FileReadStatus;
    std::string bytes;
    const platform::FileReadResult read =
        platform::ReadRegularFile(source, bytes, platform::kSettingsMaxFileBytes);
    if (read.status == FileReadStatus::Missing) return {SettingsImportResult::SourceMissing, {}};
    if (!read.ok())
        return {SettingsImportResult::CopyFailed, platform::FileReadProblem(source, read)};
    // The old file first, so that an import is never left without the file
    // it replaced; one that cannot be read is never replaced.
    std::string old;
    const platform::FileReadResult kept =
        platform::ReadRegularFile(target, old, platform::kSettingsMaxFileBytes);
    if (kept.status != FileReadStatus::Missing) {
        if (!kept.ok())
            return {SettingsImportResult::CopyFailed, platform::FileReadProblem(target, kept)};
        if (!platform::ReplaceFile(SettingsBackupPath(target), old, platform::kPrivateFileModes))
            return {SettingsImportResult::CopyFailed, {}};
    }
    if (!platform::ReplaceFile(target, bytes, platform::kPrivateFileModes))
        return {SettingsImportResult::CopyFailed, {}};
    return {SettingsImportResult::Imported, {}};
}
