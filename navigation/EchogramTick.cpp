#include "navigation/EchogramTick.h"

EchogramTickActions EchogramTick(SurveyState& state, const EchogramTickInputs& in) {
    EchogramTickActions out;
    bool visible = in.windowVisible;
    // 1. Watchdog: armed by Start, fed by every sounder line.
    if (!state.SensorTimedOut && state.SensorStartTick != 0) {
        const uint32_t reference =
            state.LastSensorTick != 0 ? state.LastSensorTick : state.SensorStartTick;
        if (static_cast<uint32_t>(in.now - reference) > kSensorSilenceMs) {
            state.SensorTimedOut = true;
            out.hideWindow = true;
            out.clearDepthTexts = true;
            visible = false;
            state.DepthHigh = 0;
            state.DepthLow = 0;
            state.SensorDisplaysShown = false;
            out.timedOut = true;
        }
    }
    // 2. Visibility follows the depth while the port is open.
    if (in.sensorOpen) {
        if (state.DepthHigh > 0.0001) {
            if (!visible && state.SensorDisplaysShown) {
                out.showWindow = true;
                visible = true;
            }
        } else if (visible) {
            out.hideWindow = true;
            out.clearDepthTexts = true;
            visible = false;
        }
    }
    // 3, 4. At most one history step per tick, whatever number of lines came.
    out.draw = visible && state.NewDepthFlag && in.sensorOpen;
    state.NewDepthFlag = false;
    return out;
}
