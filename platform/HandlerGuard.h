// Runs an event handler that Qt calls so that no exception ever reaches Qt.
// An exception becomes one message box through the dialogs seam; while that
// box is open, further exceptions are counted but not shown, so a failing
// timer can never stack boxes on the screen.
#pragma once

#include <functional>

namespace platform {

// True when `handler` returned normally.
bool GuardHandler(const std::function<void()>& handler) noexcept;

// How many exceptions were swallowed while a box was already showing.
int SuppressedHandlerErrors();

// The slot of a control: runs `owner`'s `handler` under GuardHandler.
template <class Owner>
auto Guarded(Owner* owner, void (Owner::*handler)()) {
    return [owner, handler] { GuardHandler([owner, handler] { (owner->*handler)(); }); };
}

}  // namespace platform
