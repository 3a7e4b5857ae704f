// Installs ScriptedDialogs for the lifetime of one object and gives its
// record (messages, answers); the dialogs before it come back afterwards.
// Test code only.
#pragma once

#include <memory>

#include "platform/Dialogs.h"

namespace phxtest {

struct ScopedDialogs {
    ScopedDialogs() {
        auto d = std::make_unique<platform::ScriptedDialogs>();
        scripted = d.get();
        old = platform::SetDialogs(std::move(d));
    }
    ~ScopedDialogs() { platform::SetDialogs(std::move(old)); }
    ScopedDialogs(const ScopedDialogs&) = delete;
    ScopedDialogs& operator=(const ScopedDialogs&) = delete;

    platform::ScriptedDialogs* scripted;
    std::unique_ptr<platform::Dialogs> old;
};

}  // namespace phxtest
