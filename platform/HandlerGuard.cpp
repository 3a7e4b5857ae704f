#include "platform/HandlerGuard.h"

#include <QString>
#include <exception>

#include "platform/Dialogs.h"

namespace platform {
namespace {

bool g_showing = false;
int g_suppressed = 0;

void Report(const QString& text) noexcept {
    if (g_showing) {
        ++g_suppressed;
        return;
    }
    g_showing = true;
    try {
        dialogs().ShowMessage(text);
    } catch (...) {
    }
    g_showing = false;
}

}  // namespace

bool GuardHandler(const std::function<void()>& handler) noexcept {
    try {
        handler();
        return true;
    } catch (const std::exception& e) {
        Report(QString::fromUtf8(e.what()));
    } catch (...) {
        Report(QStringLiteral("Unknown error"));
    }
    return false;
}

int SuppressedHandlerErrors() { return g_suppressed; }

}  // namespace platform
