// The echogram window: a small stay-on-top tool window without a frame, on
// which the main window's echogram timer draws the recent depth profile. It
// owns the image drawn into and shows it in its paint event. A left drag
// moves it; a left press in the 6-pixel border band resizes it as a frame
// would. Its two settings, "ECHOGRAM" "DataWidth" (the depths drawn) and
// "Interval" (the echogram timer's milliseconds), are read at every show and
// written at every close. Without a stored placement it opens at the bottom
// left of the main window's map; it never takes the keyboard when it comes up.
#pragma once

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QWidget>

#include "navigation/WindowBands.h"

class QCloseEvent;
class QMouseEvent;
class QPaintEvent;
class QResizeEvent;

class TfWaterfal : public QWidget {
    Q_OBJECT
  public:
    explicit TfWaterfal(QWidget* parent = nullptr);

    // Published handlers. The mouse handlers take client pixels.
    void FormShow();
    bool FormCloseQuery();
    void FormMouseDown(Qt::MouseButton button, QPoint client, QPoint global);
    void FormMouseMove(QPoint client, QPoint global);
    void FormMouseUp(Qt::MouseButton button);
    void Dismiss1Click();

    // The image the echogram is drawn into, the client's size.
    QImage& Image();
    // The resize a band press started (htNone when none), and whether the
    // window follows the mouse itself because the platform refused to.
    BorderHit ResizeInProgress() const { return FResizeHit; }
    bool ManualResize() const { return FManualResize; }

    bool FDragging = false;
    int FDragX = 0;
    int FDragY = 0;
    int FDataWidth = 50;
    int FInterval = 100;

  protected:
    void setVisible(bool visible) override;
    void closeEvent(QCloseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    QImage FImage;
    BorderHit FResizeHit = htNone;
    bool FManualResize = false;
    QPoint FResizeStart;  // global mouse position of the press
    QRect FResizeFrom;    // geometry at the press
};

extern TfWaterfal* fWaterfal;
