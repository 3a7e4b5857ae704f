#include "platform/Shell.h"

#include <QDesktopServices>
#include <QString>
#include <QUrl>

namespace platform {
namespace {

std::unique_ptr<Shell>& Current() {
    static std::unique_ptr<Shell> current = std::make_unique<DesktopShell>();
    return current;
}

}  // namespace

bool DesktopShell::Open(const std::string& path) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(path)));
}

bool RecordingShell::Open(const std::string& path) {
    opened.push_back(path);
    return true;
}

Shell& shell() { return *Current(); }

std::unique_ptr<Shell> SetShell(std::unique_ptr<Shell> replacement) {
    if (!replacement) replacement = std::make_unique<DesktopShell>();
    std::swap(Current(), replacement);
    return replacement;
}

bool ShellOpen(const std::string& path) { return shell().Open(path); }

}  // namespace platform
