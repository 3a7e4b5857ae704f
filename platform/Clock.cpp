#include "platform/Clock.h"

#include <chrono>
#include <algorithm>
#include <ctime>

namespace platform {
namespace {

std::function<DateTime()>& TestClock() {
    static std::function<DateTime()> clock;
    return clock;
}

std::function<uint32_t()>& TestTickCount() {
    static std::function<uint32_t()> tickCount;
    return tickCount;
}

}  // namespace

DateTime Now() {
    if (auto& test = TestClock()) return test();
    const auto now = std::chrono::system_clock::now();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch());
    const std::time_t seconds = static_cast<std::time_t>(ms.count() / 1000);
    std::tm local{};
    localtime_r(&seconds, &local);
    DateTime t;
    t.year = local.tm_year + 1900;
    t.month = local.tm_mon + 1;
    t.day = local.tm_mday;
    t.hour = local.tm_hour;
    t.minute = local.tm_min;
    t.second = std::min(local.tm_sec, 59);
    t.millisecond = static_cast<int>(ms.count() % 1000);
    return t;
}

uint32_t TickCount() {
    if (auto& test = TestTickCount()) return test();
    const auto since = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<uint32_t>(
        std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
}

int UtcOffsetMinutes() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return static_cast<int>(local.tm_gmtoff / 60);
}

int RemainingMs(std::chrono::steady_clock::time_point deadline) {
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
        deadline - std::chrono::steady_clock::now());
    return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

void SetClockForTesting(std::function<DateTime()> now) { TestClock() = std::move(now); }

void SetTickCountForTesting(std::function<uint32_t()> tickCount) {
    TestTickCount() = std::move(tickCount);
}

}  // namespace platform
