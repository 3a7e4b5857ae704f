#include "tools/ui/TfTheme.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

#include "canvas/PlovanCanvas.h"
#include "foundation/DayPaths.h"
#include "foundation/FormPlacement.h"
#include "platform/HandlerGuard.h"
#include "platform/IniFile.h"
#include "platform/Styles.h"

TfTheme* fTheme = nullptr;
std::string g_ThemeStyleAtShow;

ThemeStyles PlatformThemeStyles() {
    return {platform::StyleNames, platform::ActiveStyleName,
            [](const std::string& name) { return platform::TrySetStyle(name, true); },
            platform::StylePanelColor};
}

TfTheme::TfTheme(TPlovanCanvas* canvas, QWidget* parent) : QWidget(parent), FCanvas(canvas) {
    setObjectName(QStringLiteral("fTheme"));
    setWindowTitle(QStringLiteral("Theme Selection"));
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint | Qt::WindowCloseButtonHint);

    auto* layout = new QVBoxLayout(this);
    GroupBox1 = new QGroupBox(QStringLiteral("Select Theme"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* group = new QVBoxLayout(GroupBox1);
    lInfo = new QLabel(QStringLiteral("Available themes: 0. Select to preview."), GroupBox1);
    lInfo->setObjectName(QStringLiteral("lInfo"));
    lbThemeList = new QListWidget(GroupBox1);
    lbThemeList->setObjectName(QStringLiteral("lbThemeList"));
    group->addWidget(lInfo);
    group->addWidget(lbThemeList);
    layout->addWidget(GroupBox1);

    auto* buttons = new QHBoxLayout();
    bSaveExit = new QPushButton(QStringLiteral("Save && Exit"), this);
    bSaveExit->setObjectName(QStringLiteral("bSaveExit"));
    bCancel = new QPushButton(QStringLiteral("Cancel"), this);
    bCancel->setObjectName(QStringLiteral("bCancel"));
    buttons->addWidget(bSaveExit);
    buttons->addWidget(bCancel);
    layout->addLayout(buttons);
    resize(280, 300);

    connect(lbThemeList, &QListWidget::itemClicked, this,
            [this] { platform::GuardHandler([this] { lbThemeListClick(); }); });
    connect(bSaveExit, &QPushButton::clicked, this,
            [this] { platform::GuardHandler([this] { bSaveExitClick(); }); });
    connect(bCancel, &QPushButton::clicked, this,
            [this] { platform::GuardHandler([this] { bCancelClick(); }); });
}

void TfTheme::FormShow() {
    g_ThemeStyleAtShow = Styles.ActiveName();
    lbThemeList->clear();
    const std::vector<std::string> names = Styles.Names();
    for (const std::string& name : names) lbThemeList->addItem(QString::fromStdString(name));
    lInfo->setText(QStringLiteral("Available themes: %1. Select to preview.").arg(names.size()));
    int row = 0;
    for (size_t i = 0; i < names.size(); ++i)
        if (names[i] == g_ThemeStyleAtShow) {
            row = static_cast<int>(i);
            break;
        }
    if (!names.empty()) lbThemeList->setCurrentRow(row);
}

void TfTheme::lbThemeListClick() {
    const QListWidgetItem* item = lbThemeList->currentItem();
    if (!item || !item->isSelected()) return;
    Styles.TrySet(item->text().toStdString());
    RecolourCanvas();
}

void TfTheme::bSaveExitClick() {
    const QListWidgetItem* item = lbThemeList->currentItem();
    if (item && item->isSelected()) {
        platform::IniFile ini(SettingsFilePath());
        ini.WriteString("APPLICATION", "ThemeStyle", item->text().toStdString());
    }
    close();
}

void TfTheme::bCancelClick() {
    Styles.TrySet(g_ThemeStyleAtShow);
    RecolourCanvas();
    close();
}

void TfTheme::RecolourCanvas() {
    if (!FCanvas) return;
    FCanvas->SetBackgroundColor(static_cast<TColor>(Styles.PanelColor()));
    FCanvas->Repaint();
}

void TfTheme::setVisible(bool visible) {
    if (visible && !isVisible()) {
        platform::GuardHandler([this] { FormShow(); });
        PlaceWindow(this, OpeningPlace::Centre);
    }
    QWidget::setVisible(visible);
}
