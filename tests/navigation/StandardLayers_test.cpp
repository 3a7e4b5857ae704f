#include "navigation/StandardLayers.h"

#include <gtest/gtest.h>

#include "canvas/CanvasModel.h"
#include "foundation/SurveyState.h"

namespace {

struct Expected {
    const char* name;
    int SurveyState::*id;
};

const Expected kLayers[] = {
    {"Plovan Grid", &SurveyState::GridLayerId},
    {"track_fix", &SurveyState::TrackFixLayerId},
    {"track_nofix", &SurveyState::TrackNoFixLayerId},
    {"track_float", &SurveyState::TrackFloatLayerId},
    {"plovan_tempshape", &SurveyState::TempShapeLayerId},
    {"plovan_usershape", &SurveyState::UserShapeLayerId},
    {"event_number", &SurveyState::EventNumberLayerId},
    {"~~Plovan Vessel", &SurveyState::VesselLayerId},
};

}  // namespace

TEST(StandardLayers, AddedInOrderOnANewCanvasAndKeptById) {
    ResetSurveyState();
    TCanvasModel canvas;
    EnsureStandardLayers(&canvas);
    ASSERT_EQ(canvas.FLayers.size(), 9u);  // "Default" and the eight
    int expectedId = 1;
    for (const Expected& layer : kLayers) {
        EXPECT_EQ(canvas.FindLayer(QString::fromUtf8(layer.name)), expectedId) << layer.name;
        EXPECT_EQ(g_Survey.*layer.id, expectedId) << layer.name;
        ++expectedId;
    }
    EXPECT_EQ(canvas.FCurrentLayer, g_Survey.VesselLayerId);

    // A second call finds them all: nothing added, the current layer stays.
    canvas.FCurrentLayer = 0;
    EnsureStandardLayers(&canvas);
    EXPECT_EQ(canvas.FLayers.size(), 9u);
    EXPECT_EQ(canvas.FCurrentLayer, 0);
    EXPECT_EQ(g_Survey.VesselLayerId, 8);
}

TEST(StandardLayers, LayersOfALoadedDrawingKeepTheirIds) {
    ResetSurveyState();
    TCanvasModel canvas;
    const int imported = canvas.AddLayer("_dxf_harbour.dxf");
    const int vessel = canvas.AddLayer("~~Plovan Vessel");
    const int fix = canvas.AddLayer("track_fix");
    canvas.AddLayer("plovan vessel");  // names are compared exactly
    EnsureStandardLayers(&canvas);
    EXPECT_EQ(g_Survey.VesselLayerId, vessel);
    EXPECT_EQ(g_Survey.TrackFixLayerId, fix);
    EXPECT_NE(g_Survey.GridLayerId, imported);
    EXPECT_EQ(canvas.FLayers.size(), 11u);  // Default, 4 existing, 6 added
    for (const Expected& layer : kLayers)
        EXPECT_EQ(canvas.FindLayer(QString::fromUtf8(layer.name)), g_Survey.*layer.id)
            << layer.name;
}

TEST(StandardLayers, NoCanvasChangesNothing) {
    ResetSurveyState();
    g_Survey.VesselLayerId = 42;
    EnsureStandardLayers(nullptr);
    EXPECT_EQ(g_Survey.VesselLayerId, 42);
    ResetSurveyState();
}
