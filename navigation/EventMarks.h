// Numbered event marks: the counter in the settings file ("EVENTS" /
// "Event Number", the number of the last event marked) and the line each
// mark appends to the day's events file.
//
// The line, with no line end of its own after it:
//   "\nEvent No:3,Date & Time:2024-05-01 093015250,Easting:512345.68,
//    Northing:4512345.12,True Depth:12.34,True Depth:12.50,Heading:45.00"
// (one line; the date alone at exactly midnight; the depths are the realtime
// window's label texts as they stand). Written through the append helper,
// so the line break is stored as CR LF.
#pragma once

#include <string>

#include "platform/VclText.h"

struct EventMarkValues {
    platform::DateTime now;
    double easting = 0, northing = 0, gridHeading = 0;
    std::string depthHighText = "---", depthLowText = "---";
};

std::string EventLine(int number, const EventMarkValues& values);

struct EventNumber {
    int number = 1;
    bool stored = false;  // the settings file took the new number
};
// The stored number + 1 (1 when missing, not a number, negative or at the
// largest 32-bit value), written back.
EventNumber NextEventNumber(const std::string& settingsPath);
// Stores 0; false when the settings file could not be written.
bool ResetEventNumber(const std::string& settingsPath);
