// The theme window: lists the visual styles, previews the one clicked,
// stores the choice ("APPLICATION" / "ThemeStyle") on "Save && Exit" or
// returns to the style active at its show on "Cancel". Closing it otherwise
// keeps the previewed style without storing it. A stay-on-top dialog,
// centred on the main window's map at its first show and where it was left
// at later ones; the map canvas takes the style's
// panel colour as its background at every preview and at Cancel.
#pragma once

#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class TPlovanCanvas;

// The style services the window uses (platform/Styles.h unless replaced).
struct ThemeStyles {
    std::function<std::vector<std::string>()> Names;
    std::function<std::string()> ActiveName;
    std::function<bool(const std::string&)> TrySet;  // with the error dialog
    std::function<std::uint32_t()> PanelColor;
};
ThemeStyles PlatformThemeStyles();

// The style that was active when the theme window was last shown: the one
// Cancel returns to.
extern std::string g_ThemeStyleAtShow;

class TfTheme : public QWidget {
    Q_OBJECT
  public:
    // `canvas` is the main window's (may be null).
    explicit TfTheme(TPlovanCanvas* canvas, QWidget* parent = nullptr);

    ThemeStyles Styles = PlatformThemeStyles();

    // Published handlers.
    void FormShow();
    void lbThemeListClick();
    void bSaveExitClick();
    void bCancelClick();

    QGroupBox* GroupBox1 = nullptr;  // "Select Theme"
    QLabel* lInfo = nullptr;
    QListWidget* lbThemeList = nullptr;
    QPushButton* bSaveExit = nullptr;
    QPushButton* bCancel = nullptr;

  protected:
    void setVisible(bool visible) override;

  private:
    void RecolourCanvas();

    QPointer<TPlovanCanvas> FCanvas;
};

extern TfTheme* fTheme;
