// The About dialog, reached through the Help menu.
#include "navigation/ui/TformAbout.h"

#include <gtest/gtest.h>

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTimer>

#include "foundation/DayPaths.h"
#include "navigation/ui/TFNav.h"
#include "tests/support/TempHome.h"

namespace {

TEST(TformAbout, HelpMenuShowsItModallyAndOkAccepts) {
    phxtest::TempHome home;
    InitDayPaths();
    TFNav nav;
    FNav = &nav;
    formAbout = new TformAbout();
    EXPECT_EQ(formAbout->windowTitle(), "About Plovan Survey Desk");
    EXPECT_EQ(formAbout->SoftName->text(), "Plovan Olcum Masasi");
    EXPECT_TRUE(formAbout->SoftName->font().bold());
    EXPECT_EQ(formAbout->SoftName->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_FALSE(formAbout->windowFlags() & Qt::WindowCloseButtonHint);
    ASSERT_NE(nav.Help1, nullptr);
    EXPECT_EQ(nav.Help1->title(), "Help");
    EXPECT_EQ(nav.MainMenu1->actions().last(), nav.Help1->menuAction());
    nav.show();
    bool wasModal = false;
    QTimer::singleShot(0, [&] {
        wasModal = formAbout->isVisible() && formAbout->isModal();
        formAbout->BitBtn2->click();
    });
    nav.About1->trigger();  // returns when the dialog is closed
    EXPECT_TRUE(wasModal);
    EXPECT_EQ(formAbout->result(), QDialog::Accepted);
    EXPECT_FALSE(formAbout->isVisible());
    // Shown again by the next click, centred on the main window's map.
    QPoint centre;
    QTimer::singleShot(0, [&] {
        centre = formAbout->frameGeometry().center();
        formAbout->BitBtn1Click();
    });
    nav.About1Click();
    const QRect map(nav.Panel4->mapToGlobal(QPoint(0, 0)), nav.Panel4->size());
    EXPECT_LE((centre - map.center()).manhattanLength(), 2);
    delete formAbout;
    formAbout = nullptr;
}

}  // namespace
