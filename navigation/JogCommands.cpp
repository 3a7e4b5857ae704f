#include "navigation/JogCommands.h"

#include <cstdlib>

JogCounters g_JogCounters;

std::string FormatAxisCommand(char axis, int value) {
    // Through long long, so the magnitude of INT_MIN has a value.
    std::string digits = std::to_string(std::llabs(static_cast<long long>(value)));
    if (digits.size() < 3) digits.insert(0, 3 - digits.size(), '0');
    return std::string("<") + axis + (value >= 0 ? '+' : '-') + digits + ">\n";
}

std::string JogUp(JogCounters& c) {
    ++c.A;
    ++c.B;
    return FormatAxisCommand('A', c.A) + FormatAxisCommand('B', c.B);
}

std::string JogDown(JogCounters& c) {
    --c.A;
    --c.B;
    return FormatAxisCommand('A', c.A) + FormatAxisCommand('B', c.B);
}

std::string JogRight(JogCounters& c) { return FormatAxisCommand('B', c.B++); }

std::string JogLeft(JogCounters& c) { return FormatAxisCommand('A', c.A++); }

std::string JogBack(JogCounters& c) { return FormatAxisCommand('A', c.A--); }

std::string JogCentre(JogCounters& c) {
    c = JogCounters{};
    return FormatAxisCommand('A', 0) + FormatAxisCommand('B', 0);
}
