// The runline generator: survey lines along a route the surveyor draws on
// the map canvas. Step 1 draws the route as a polyline on the layer
// "Plovan_Route" (the main window hands it over through SetRoute when the
// drawing ends); step 2 sets the spacing and the length in metres; step 3
// chooses cross lines or offset copies (tools/RunlineGenerator.h). The lines
// go to the layer "Plovan_Runlines", replaced at every generation, and each
// generation writes an event-log line.
//
// Stays on top; closing hides it. The "RUNLINE" section ("Spacing",
// "Length", "Perpendicular") is read at creation and written only by
// Generate. Every handler Qt calls runs through platform::GuardHandler.
#pragma once

#include <QWidget>
#include <cstdint>
#include <vector>

#include "canvas/PlovanShape.h"

class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class TCanvasModel;

class TfRunline1 : public QWidget {
    Q_OBJECT
  public:
    // Works on `canvas` (the main window's), which outlives the window.
    explicit TfRunline1(TCanvasModel* canvas, QWidget* parent = nullptr);

    // Published handlers.
    void FormCreate();
    void FormShow();
    void bDrawRouteClick();
    void eSpacingChange();
    void eLengthChange();
    void rbPerpendicularClick();
    void rbParallelClick();
    void bGenerateClick();
    void bClearClick();

    // The route drawn on the canvas; with 2 points or more it is valid and
    // the lines are generated at once.
    void SetRoute(const std::vector<TPointD>& points);
    // Replaces the lines on the runline layer; false (nothing changed, no
    // log line) without a route or when the settings ask for too many lines.
    bool GenerateRunlines();

    const std::vector<TPointD>& Route() const { return FRoute; }
    bool RouteValid() const { return FRouteValid; }
    int RunlineLayerId() const { return FRunlineLayerId; }
    // lRouteStatus's colour as 0x00BBGGRR.
    std::uint32_t StatusColor() const { return FStatusColor; }

    QGroupBox* GroupBox1 = nullptr;
    QLabel* lRouteStatus = nullptr;
    QPushButton* bDrawRoute = nullptr;
    QGroupBox* GroupBox2 = nullptr;
    QLineEdit* eSpacing = nullptr;
    QLineEdit* eLength = nullptr;
    QGroupBox* GroupBox3 = nullptr;
    QRadioButton* rbPerpendicular = nullptr;
    QRadioButton* rbParallel = nullptr;
    QGroupBox* GroupBox4 = nullptr;
    QPushButton* bGenerate = nullptr;
    QPushButton* bClear = nullptr;
    QPushButton* bClose = nullptr;

  protected:
    void setVisible(bool visible) override;

  private:
    void SetStatus(const QString& text, std::uint32_t bgr);
    void ShowRouteStatus();
    // The runline layer's id while it is still that layer (a project load
    // renumbers the layers); else -1.
    int KnownRunlineLayer();
    void RegenerateIfValid();

    TCanvasModel* FCanvas;
    std::vector<TPointD> FRoute;
    bool FRouteValid = false;
    int FRunlineLayerId = -1;
    std::uint32_t FStatusColor = 0;
    bool FTooMany = false;  // the status shows the refused line count
};

extern TfRunline1* fRunline1;
