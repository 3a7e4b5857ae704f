#include "foundation/FormPlacement.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QWidget>

#include "foundation/DayPaths.h"
#include "platform/IniFile.h"
#include "tests/support/TempHome.h"

TEST(FormPlacement, ClampTable) {
    struct Case {
        QPoint stored;
        QPoint expected;
    };
    const QSize screen(1920, 1080);
    for (const Case& c : std::initializer_list<Case>{{{-20, 5000}, {0, 0}},
                                                     {{100, 200}, {100, 200}},
                                                     {{1920, 10}, {0, 10}},
                                                     {{1919, 1079}, {1919, 1079}},
                                                     {{10, 1080}, {10, 0}},
                                                     {{-1, -1}, {0, 0}}})
        EXPECT_EQ(ClampToScreen(c.stored, screen), c.expected)
            << c.stored.x() << "," << c.stored.y();
}

class FormPlacementTest : public ::testing::Test {
  protected:
    phxtest::TempHome home;
    void Store(int state, int left, int top, int width, int height) {
        platform::IniFile ini(SettingsFilePath());
        ini.WriteInteger("fTest", "WindowState", state);
        ini.WriteInteger("fTest", "Left", left);
        ini.WriteInteger("fTest", "Top", top);
        ini.WriteInteger("fTest", "Width", width);
        ini.WriteInteger("fTest", "Height", height);
    }
};

TEST_F(FormPlacementTest, SaveThenRestoreGivesTheSameGeometry) {
    QWidget form;
    form.setObjectName("fTest");
    form.setGeometry(120, 80, 640, 480);
    form.show();
    const QRect saved = form.frameGeometry();
    SaveFormPlacement(&form);
    platform::IniFile ini(SettingsFilePath());
    EXPECT_EQ(ini.ReadInteger("fTest", "WindowState", -1), 0);
    EXPECT_EQ(ini.ReadInteger("fTest", "Width", -1), saved.width());

    QWidget again;
    again.setObjectName("fTest");
    RestoreFormPlacement(&again, true);
    again.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(again.frameGeometry(), saved);
    // A second cycle must not grow the window.
    SaveFormPlacement(&again);
    QWidget third;
    third.setObjectName("fTest");
    RestoreFormPlacement(&third, true);
    third.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(third.frameGeometry().size(), saved.size());
}

TEST_F(FormPlacementTest, StoredStates) {
    Store(2, -5000, -5000, 300, 200);
    QWidget maximised;
    maximised.setObjectName("fTest");
    RestoreFormPlacement(&maximised, true);
    EXPECT_TRUE(maximised.windowState() & Qt::WindowMaximized);

    Store(1, 50, 60, 300, 200);
    QWidget normal;
    normal.setObjectName("fTest");
    normal.resize(400, 300);
    RestoreFormPlacement(&normal, false);
    EXPECT_FALSE(normal.windowState() & Qt::WindowMinimized);
    EXPECT_EQ(normal.pos(), QPoint(50, 60));
    EXPECT_EQ(normal.size(), QSize(400, 300));  // size not restored

    QWidget unknown;
    unknown.setObjectName("fNeverSaved");
    unknown.move(300, 300);
    RestoreFormPlacement(&unknown, false);
    EXPECT_EQ(unknown.pos(), QPoint(0, 0));
}

namespace {
// A window that restores its placement from its own show, as most windows do.
class RestoresOnShow : public QWidget {
  public:
    bool restoreSize = true;

  protected:
    void showEvent(QShowEvent* event) override {
        QWidget::showEvent(event);
        RestoreFormPlacement(this, restoreSize);
    }
};
}  // namespace

TEST_F(FormPlacementTest, RestoreFromTheShowKeepsTheFrameSize) {
    Store(0, 100, 50, 500, 400);
    RestoresOnShow form;
    form.setObjectName("fTest");
    form.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(form.frameGeometry(), QRect(100, 50, 500, 400));
    SaveFormPlacement(&form);
    RestoresOnShow again;
    again.setObjectName("fTest");
    again.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(again.frameGeometry(), QRect(100, 50, 500, 400));
}

TEST_F(FormPlacementTest, TheLastRestoreBeforeTheFirstShowWins) {
    QWidget form;
    form.setObjectName("fTest");
    Store(0, 10, 20, 300, 200);
    RestoreFormPlacement(&form, true);
    Store(0, 30, 40, 500, 400);
    RestoreFormPlacement(&form, true);
    form.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(form.frameGeometry(), QRect(30, 40, 500, 400));
}
