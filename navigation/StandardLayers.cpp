#include "navigation/StandardLayers.h"

#include "canvas/CanvasModel.h"
#include "foundation/SurveyState.h"

void EnsureStandardLayers(TCanvasModel* canvas) {
    if (!canvas) return;
    const struct {
        const char* name;
        int SurveyState::*id;
    } layers[] = {
        {kGridLayerName, &SurveyState::GridLayerId},
        {"track_fix", &SurveyState::TrackFixLayerId},
        {"track_nofix", &SurveyState::TrackNoFixLayerId},
        {"track_float", &SurveyState::TrackFloatLayerId},
        {"plovan_tempshape", &SurveyState::TempShapeLayerId},
        {"plovan_usershape", &SurveyState::UserShapeLayerId},
        {"event_number", &SurveyState::EventNumberLayerId},
        {kVesselLayerName, &SurveyState::VesselLayerId},
    };
    for (const auto& layer : layers) {
        const QString name = QString::fromUtf8(layer.name);
        int id = canvas->FindLayer(name);
        if (id < 0) id = canvas->AddLayer(name);
        g_Survey.*layer.id = id;
    }
}
