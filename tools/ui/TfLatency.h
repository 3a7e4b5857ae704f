// The latency window: how long each map tick takes, in milliseconds, against
// a tolerance. The map tick writes the duration of the tick it just ran into
// eCurrentLatency (a whole number) and the running mean into
// eLatencyAveraged while the window is visible; each change of the current
// value colours the group lime below the tolerance and red otherwise. The
// tolerance is read from "LATENCY" at creation and written at every change.
//
// Tolerance() is the last whole number the tolerance edit held (500 until
// there was one); nothing here raises at a tick, whatever is typed.
#pragma once

#include <QWidget>
#include <cstdint>

#include "tools/LiveValue.h"

class QGroupBox;
class QLineEdit;

class TfLatency : public QWidget {
    Q_OBJECT
  public:
    explicit TfLatency(QWidget* parent = nullptr);

    int Tolerance() const noexcept;
    // The group's colour as 0x00BBGGRR (clLime or clRed once coloured).
    std::uint32_t GroupColor() const noexcept { return FGroupColor; }

    // Published handlers.
    void FormCreate();
    void eLatencyTolChange();
    void eCurrentLatencyChange();

    QGroupBox* gLatency = nullptr;
    QLineEdit* eCurrentLatency = nullptr;
    QLineEdit* eLatencyAveraged = nullptr;
    QLineEdit* eLatencyTol = nullptr;

  protected:
    void setVisible(bool visible) override;

  private:
    void SetGroupColor(std::uint32_t bgr);

    tools::LiveValue FTolerance{-2147483648.0, 2147483647.0, true};
    std::uint32_t FGroupColor = 0;
};

extern TfLatency* fLatency;
