#include "platform/Launcher.h"

#include <QProcess>
#include <QString>
#include <QStringList>

namespace platform {
namespace {

std::unique_ptr<Launcher>& Current() {
    static std::unique_ptr<Launcher> current = std::make_unique<ProcessLauncher>();
    return current;
}

}  // namespace

bool ProcessLauncher::StartDetached(const std::string& program,
                                    const std::vector<std::string>& arguments) {
    QStringList list;
    for (const std::string& argument : arguments) list << QString::fromStdString(argument);
    return QProcess::startDetached(QString::fromStdString(program), list);
}

bool RecordingLauncher::StartDetached(const std::string& program,
                                      const std::vector<std::string>& arguments) {
    started.push_back({program, arguments});
    if (onStart) onStart(started.back());
    return answer;
}

Launcher& launcher() { return *Current(); }

std::unique_ptr<Launcher> SetLauncher(std::unique_ptr<Launcher> replacement) {
    std::unique_ptr<Launcher> previous = std::move(Current());
    Current() = replacement ? std::move(replacement) : std::make_unique<ProcessLauncher>();
    return previous;
}

}  // namespace platform
