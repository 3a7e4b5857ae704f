// The canvas layers the survey loop draws on, found by name or added, in this
// order, with their ids kept in the live survey state (g_Survey): "Plovan
// Grid", "track_fix", "track_nofix", "track_float", "plovan_tempshape",
// "plovan_usershape", "event_number", "~~Plovan Vessel". A layer that is
// found keeps its id and the current layer stays; one that is added becomes
// the current layer. With no canvas nothing happens.
#pragma once

class TCanvasModel;

void EnsureStandardLayers(TCanvasModel* canvas);

// Names of the grid and vessel layers, which are drawn anew at every map
// tick and never kept in a project file.
inline constexpr const char* kGridLayerName = "Plovan Grid";
inline constexpr const char* kVesselLayerName = "~~Plovan Vessel";
