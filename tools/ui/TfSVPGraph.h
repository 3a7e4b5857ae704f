// The profile graph editor: the averaged list as a profile (sound velocity
// across, depth downwards) beside a grid of the same values. Points are
// dragged to a new SV, spikes lassoed and deleted, rows edited, added and
// deleted. Used modally by the sound velocity window: LoadPoints, exec(),
// then on Accepted and Modified() WritePoints. The rules live in
// tools/SvpGraph.h; this window paints them and passes the mouse on.
#pragma once

#include <QDialog>
#include <string>
#include <vector>

#include "tools/SvpGraph.h"

class QLabel;
class QPainter;
class QPushButton;
class QSplitter;
class QTableWidget;
class QWheelEvent;
class QMouseEvent;
class TSvpPaintBox;

class TfSVPGraph : public QDialog {
    Q_OBJECT
  public:
    explicit TfSVPGraph(QWidget* parent = nullptr);

    void LoadPoints(const std::vector<std::string>& lines);
    std::vector<std::string> WritePoints() const { return FGraph.WritePoints(); }
    bool Modified() const { return FGraph.modified; }
    const TSvpGraph& Graph() const { return FGraph; }

    void FormCreate();
    void FormResize();
    void PaintBox1Paint(QPainter& canvas);
    void PaintBox1MouseDown(QMouseEvent* event);
    void PaintBox1MouseMove(QMouseEvent* event);
    void PaintBox1MouseUp(QMouseEvent* event);
    void PaintBox1DblClick();
    void FormMouseWheel(QWheelEvent* event);
    void StringGrid1Click();
    void bDeleteSelectedClick();
    void bAddRowClick();
    void bDeleteRowClick();
    void bSaveAndCloseClick();
    void bCancelClick();

    void FitView();
    void FillGrid();
    void ReadGrid();
    void DrawAxes(QPainter& canvas);
    void DrawProfile(QPainter& canvas);
    void DrawLasso(QPainter& canvas);

    TSvpPaintBox* PaintBox1 = nullptr;
    QSplitter* Splitter1 = nullptr;
    QWidget* PanelGrid = nullptr;
    QTableWidget* StringGrid1 = nullptr;
    QPushButton* bAddRow = nullptr;
    QPushButton* bDeleteRow = nullptr;
    QWidget* Panel1 = nullptr;
    QLabel* Label1 = nullptr;
    QPushButton* bDeleteSelected = nullptr;
    QPushButton* bSaveAndClose = nullptr;
    QPushButton* bCancel = nullptr;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void setVisible(bool visible) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void BuildLayout();
    void UpdateDeleteButton();
    void Repaint();

    TSvpGraph FGraph;
};

// The window, created by the program entry (or on first use).
extern TfSVPGraph* fSVPGraph;
