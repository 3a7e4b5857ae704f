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

bool DesktopShell::OpenFolder(const std::string& folder) {
    return QDesktopServices::openUrl(QUrl::fromLocalFile(QString::fromStdString(folder)));
}

bool RecordingShell::OpenFolder(const std::string& folder) {
    opened.push_back(folder);
    return answer;
}

Shell& shell() { return *Current(); }

std::unique_ptr<Shell> SetShell(std::unique_ptr<Shell> replacement) {
    std::unique_ptr<Shell> previous = std::move(Current());
    Current() = replacement ? std::move(replacement) : std::make_unique<DesktopShell>();
    return previous;
}

}  // namespace platform
