// A status bar of fixed-width text panels, addressed by index from the left,
// as the main window's layout uses it. Panel widths are pixels; a click or a
// double-click anywhere on the bar is reported with the bar's own signals; a
// click carries its x in the bar's client pixels.
#pragma once

#include <QStatusBar>
#include <QString>
#include <vector>

class TStatusBar : public QStatusBar {
    Q_OBJECT
  public:
    explicit TStatusBar(QWidget* parent = nullptr);

    int PanelCount() const { return static_cast<int>(panels_.size()); }
    void AddPanel(int width = 50);

    // Unknown indexes read "" and 0 and ignore writes.
    QString PanelText(int index) const;
    void SetPanelText(int index, const QString& text);
    int PanelWidth(int index) const;
    void SetPanelWidth(int index, int width);

    // Width of `text` in the bar's font, pixels.
    int TextWidth(const QString& text) const;

  signals:
    void Click(int x);
    void DblClick();

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

  private:
    struct Panel {
        QString text;
        int width = 50;
    };
    std::vector<Panel> panels_;
};
