// One tick of the echogram timer without its windows: the sounder watchdog
// (a line at least every 5 s once the port was opened at Start), whether the
// echogram window is shown, and whether a history step is drawn. Tick
// counts are 32-bit milliseconds, compared by unsigned difference so the
// wrap of the counter does not matter.
#pragma once

#include <cstdint>

#include "foundation/SurveyState.h"

inline constexpr uint32_t kSensorSilenceMs = 5000;

struct EchogramTickInputs {
    uint32_t now = 0;            // the tick count of this tick
    bool sensorOpen = false;     // the sounder port is open
    bool windowVisible = false;  // the echogram window is on the screen
};

// What the window side does, in this order: hide the echogram window and
// show "--.--" in both depth labels when asked, report the time-out, show the
// window, draw one history step with the state's high depth.
struct EchogramTickActions {
    bool timedOut = false;  // report "Sensor TimeOut." (once per silence)
    bool hideWindow = false;
    bool clearDepthTexts = false;  // both depth labels "--.--"
    bool showWindow = false;
    bool draw = false;
};

// Updates the watchdog fields, the depths on a time-out and the new-depth
// flag of `state`.
EchogramTickActions EchogramTick(SurveyState& state, const EchogramTickInputs& in);
