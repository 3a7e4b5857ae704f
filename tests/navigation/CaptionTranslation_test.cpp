// Which controls the caption walk translates, on a window holding one of
// each kind, and that a second walk changes nothing more.
#include "navigation/ui/CaptionTranslation.h"

#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QToolBar>
#include <QToolButton>
#include <filesystem>

#include "foundation/LanguageManager.h"
#include "tests/support/TempHome.h"

namespace {

TEST(CaptionTranslation, TranslatesCaptionsAndNeverEnteredTexts) {
    phxtest::TempHome home;
    const std::string folder = home.home() + "Languages/";
    std::filesystem::create_directories(folder);
    phxtest::WriteAll(folder + "tr.json", R"({"Open": "Aç", "&File": "&Dosya"})");
    g_LanguageManager = std::make_unique<TLanguageManager>(folder);
    g_LanguageManager->SetLanguage("tr");

    QMainWindow window;
    window.setWindowTitle("Open");
    QMenu* file = window.menuBar()->addMenu("&File");
    QAction* item = file->addAction("Open");
    QWidget* body = new QWidget(&window);
    window.setCentralWidget(body);
    auto* label = new QLabel("Open", body);
    auto* push = new QPushButton("Open", body);
    auto* check = new QCheckBox("Open", body);
    auto* radio = new QRadioButton("Open", body);
    auto* group = new QGroupBox("Open", body);
    auto* nested = new QLabel("Open", group);
    auto* tabs = new QTabWidget(body);
    tabs->addTab(new QWidget, "Open");
    auto* key = new QToolButton(body);
    key->setText("Open");
    auto* edit = new QLineEdit("Open", body);
    auto* combo = new QComboBox(body);
    combo->addItem("Open");
    auto* table = new QTableWidget(1, 1, body);
    table->setItem(0, 0, new QTableWidgetItem("Open"));
    push->setToolTip("Open");
    QToolBar* bar = window.addToolBar("tools");
    auto* barButton = new QToolButton(bar);
    barButton->setText("Open");
    bar->addWidget(barButton);
    QAction* barAction = bar->addAction("Open");
    auto* panel = new QLabel("Open");
    window.statusBar()->addWidget(panel);

    for (int pass = 0; pass < 2; ++pass) {
        TranslateControlTree(&window);
        TranslateMenu(file);
        const QString open = QString::fromUtf8("Aç");
        EXPECT_EQ(window.windowTitle(), open);
        EXPECT_EQ(file->title(), QString::fromUtf8("&Dosya"));
        EXPECT_EQ(item->text(), open);
        for (const QString& text : {label->text(), push->text(), check->text(), radio->text(),
                                    group->title(), nested->text(), tabs->tabText(0), key->text()})
            EXPECT_EQ(text, open) << pass;
        for (const QString& text :
             {edit->text(), combo->itemText(0), table->item(0, 0)->text(), push->toolTip(),
              barButton->text(), barAction->text(), panel->text()})
            EXPECT_EQ(text, "Open") << pass;
    }
    g_LanguageManager.reset();
}

TEST(CaptionTranslation, NothingWithoutAManager) {
    g_LanguageManager.reset();
    QLabel label("Open");
    TranslateControlTree(&label);
    TranslateControlTree(nullptr);
    TranslateMenu(nullptr);
    EXPECT_EQ(label.text(), "Open");
}

}  // namespace
