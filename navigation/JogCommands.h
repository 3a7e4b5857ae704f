// The jog pad's axis commands: text lines for the GNSS port, "<" + axis
// letter + sign + at least three digits + ">" + line feed, and the two axis
// counters (and a spare one) the pad's buttons step.
#pragma once

#include <string>

// "<A+001>\n", "<B-012>\n", "<A+1000>\n": '+' for 0 and up, the absolute
// value padded to three digits.
std::string FormatAxisCommand(char axis, int value);

// The counters, all 1 at start; the spare one is only ever reset.
struct JogCounters {
    int A = 1;
    int B = 1;
    int Spare = 1;
};

// The text each button sends, stepping the counters as the button does:
// up and down step both first and send the new values (A first); right,
// left and back send the current value and step afterwards; centre sends
// both axes at zero and resets all three counters to 1.
std::string JogUp(JogCounters& c);
std::string JogDown(JogCounters& c);
std::string JogRight(JogCounters& c);
std::string JogLeft(JogCounters& c);
std::string JogBack(JogCounters& c);
std::string JogCentre(JogCounters& c);

// The process's counters.
extern JogCounters g_JogCounters;
