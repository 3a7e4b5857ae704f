#include "foundation/FormPlacement.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>
#include <climits>

#include "foundation/DayPaths.h"
#include "platform/IniFile.h"
#include "tests/support/TempHome.h"

// Outer positions and sizes as stored, and where they land on a 1920 x 1080
// screen.
TEST(FormPlacement, ClampTable) {
    struct Case {
        const char* what;
        QPoint position;
        QSize size;
        QRect expected;
    };
    const QRect screen(0, 0, 1920, 1080);
    const Case cases[] = {
        {"fits as it is", {100, 200}, {800, 600}, {100, 200, 800, 600}},
        {"fills the screen exactly", {0, 0}, {1920, 1080}, {0, 0, 1920, 1080}},
        {"negative left, top beyond the screen", {-20, 5000}, {800, 600}, {0, 0, 800, 600}},
        {"left at the screen width", {1920, 10}, {800, 600}, {0, 10, 800, 600}},
        {"top at the screen height", {10, 1080}, {800, 600}, {10, 0, 800, 600}},
        {"both negative", {-1, -1}, {800, 600}, {0, 0, 800, 600}},
        {"far too large", {10, 10}, {100000, 100000}, {0, 0, 1920, 1080}},
        {"negative height", {10, 10}, {800, -300}, {10, 10, 800, 240}},
        {"zero size", {10, 10}, {0, 0}, {10, 10, 320, 240}},
        {"just on the screen, corner left visible", {1590, 990}, {800, 600}, {1120, 480, 800, 600}},
        {"last pixel on the screen", {1919, 1079}, {320, 240}, {1600, 840, 320, 240}},
        {"wider than the screen at a far left", {1900, 0}, {5000, 500}, {0, 0, 1920, 500}},
        {"extreme values", {INT_MAX, INT_MIN}, {INT_MAX, INT_MIN}, {0, 0, 1920, 240}},
        {"extreme values", {INT_MIN, INT_MAX}, {INT_MIN, INT_MAX}, {0, 0, 320, 1080}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ClampToScreen(c.position, c.size, screen), c.expected) << c.what;
}

// An available area that does not start at the origin (a panel on the left
// and at the top), and one smaller than the minimum size.
TEST(FormPlacement, ClampToAnAreaAwayFromTheOrigin) {
    const QRect area(60, 30, 1860, 1050);
    EXPECT_EQ(ClampToScreen({0, 0}, {800, 600}, area), QRect(60, 30, 800, 600));
    EXPECT_EQ(ClampToScreen({1920, 1080}, {800, 600}, area), QRect(60, 30, 800, 600));
    EXPECT_EQ(ClampToScreen({1800, 900}, {800, 600}, area), QRect(1120, 480, 800, 600));
    EXPECT_EQ(ClampToScreen({-5, -5}, {99999, 99999}, area), area);
    EXPECT_EQ(ClampToScreen({0, 0}, {800, 600}, {0, 0, 300, 200}), QRect(0, 0, 300, 200));
    EXPECT_EQ(ClampToScreen({5, 5}, {10, 10}, area, {0, 0}), QRect(60, 30, 10, 10));
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
    static QRect Stored() {
        const platform::IniFile ini(SettingsFilePath());
        return {ini.ReadInteger("fTest", "Left", -1), ini.ReadInteger("fTest", "Top", -1),
                ini.ReadInteger("fTest", "Width", -1), ini.ReadInteger("fTest", "Height", -1)};
    }
    static QRect Available() { return QGuiApplication::primaryScreen()->availableGeometry(); }
};

// Left and Top are the frame's corner, Width and Height the client area: the
// same numbers come back after any number of starts.
TEST_F(FormPlacementTest, SaveThenRestoreGivesTheSameGeometry) {
    QWidget form;
    form.setObjectName("fTest");
    form.move(120, 80);
    form.resize(400, 300);
    form.show();
    QCoreApplication::processEvents();
    const QRect saved(form.pos(), form.size());
    ASSERT_EQ(saved, QRect(120, 80, 400, 300));
    SaveFormPlacement(&form);
    EXPECT_EQ(Stored(), saved);
    {
        const platform::IniFile ini(SettingsFilePath());
        EXPECT_EQ(ini.ReadInteger("fTest", "WindowState", -1), 0);
    }
    for (int start = 1; start <= 3; ++start) {
        QWidget again;
        again.setObjectName("fTest");
        RestoreFormPlacement(&again, true);
        again.show();
        QCoreApplication::processEvents();
        EXPECT_EQ(QRect(again.pos(), again.size()), saved) << "start " << start;
        SaveFormPlacement(&again);
        EXPECT_EQ(Stored(), saved) << "start " << start;
    }
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
    unknown.resize(150, 100);
    RestoreFormPlacement(&unknown, true);
    EXPECT_EQ(unknown.pos(), Available().topLeft());
    EXPECT_EQ(unknown.size(), QSize(150, 100));  // its own size, however small
}

// A placement that does not fit is brought onto the screen, and the next save
// writes the healed placement back.
TEST_F(FormPlacementTest, BadStoredPlacementsHealAtTheNextSave) {
    const QRect area = Available();
    struct Case {
        int left, top, width, height;
    };
    for (const Case& c : {Case{10, 10, 100000, 100000}, Case{10, 10, 300, -300}, Case{10, 10, 0, 0},
                          Case{area.right() - 10, area.bottom() - 10, 400, 300}}) {
        Store(0, c.left, c.top, c.width, c.height);
        QWidget form;
        form.setObjectName("fTest");
        RestoreFormPlacement(&form, true);
        form.show();
        QCoreApplication::processEvents();
        const QRect outer = form.frameGeometry();
        EXPECT_TRUE(area.contains(outer))
            << c.left << " " << c.top << " " << c.width << "x" << c.height << " came back as "
            << outer.x() << " " << outer.y() << " " << outer.width() << "x" << outer.height();
        EXPECT_GE(form.width(), std::min(320, area.width()));
        EXPECT_GE(form.height(), std::min(240, area.height()));
        SaveFormPlacement(&form);
        EXPECT_EQ(Stored(), QRect(form.pos(), form.size()));
    }
}

// A window the run never placed nor showed (a close saves every window it
// knows) writes nothing: a stored placement stays, and a window with none
// opens by the rules at the next start rather than at the screen's corner.
TEST_F(FormPlacementTest, AWindowNeverShownLeavesThePlacementAlone) {
    Store(0, 100, 50, 500, 400);
    QWidget stored;
    stored.setObjectName("fTest");
    SaveFormPlacement(&stored);
    EXPECT_EQ(Stored(), QRect(100, 50, 500, 400));
    QWidget unstored;
    unstored.setObjectName("fNoSection");
    SaveFormPlacement(&unstored);
    EXPECT_FALSE(platform::IniFile(SettingsFilePath()).SectionExists("fNoSection"));
    // Placed, or on the screen once, it has a place of its own.
    RestoreFormPlacement(&stored, false);
    stored.move(130, 70);
    SaveFormPlacement(&stored);
    EXPECT_EQ(Stored().topLeft(), QPoint(130, 70));
    unstored.move(40, 30);
    unstored.show();
    QCoreApplication::processEvents();
    unstored.hide();
    SaveFormPlacement(&unstored);
    EXPECT_EQ(platform::IniFile(SettingsFilePath()).ReadInteger("fNoSection", "Left", -1),
              unstored.x());
}

// Without restoreSize a small window keeps its size; only its position moves
// so that it fits.
TEST_F(FormPlacementTest, PositionOnlyKeepsTheSize) {
    const QRect area = Available();
    Store(0, area.right() - 10, area.bottom() - 10, 5000, 5000);
    QWidget form;
    form.setObjectName("fTest");
    form.resize(200, 100);
    RestoreFormPlacement(&form, false);
    EXPECT_EQ(form.size(), QSize(200, 100));
    EXPECT_EQ(form.pos(), QPoint(area.x() + area.width() - 200, area.y() + area.height() - 100));
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

TEST_F(FormPlacementTest, RestoreFromTheShowKeepsTheSize) {
    Store(0, 100, 50, 500, 400);
    RestoresOnShow form;
    form.setObjectName("fTest");
    form.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(QRect(form.pos(), form.size()), QRect(100, 50, 500, 400));
    SaveFormPlacement(&form);
    RestoresOnShow again;
    again.setObjectName("fTest");
    again.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(QRect(again.pos(), again.size()), QRect(100, 50, 500, 400));
    // Shown again later, with its frame known: still the same numbers.
    again.hide();
    again.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(QRect(again.pos(), again.size()), QRect(100, 50, 500, 400));
}

TEST_F(FormPlacementTest, TheLastRestoreBeforeTheFirstShowWins) {
    QWidget form;
    form.setObjectName("fTest");
    Store(0, 10, 20, 330, 250);
    RestoreFormPlacement(&form, true);
    Store(0, 30, 40, 500, 400);
    RestoreFormPlacement(&form, true);
    form.show();
    QCoreApplication::processEvents();
    EXPECT_EQ(QRect(form.pos(), form.size()), QRect(30, 40, 500, 400));
}

// A strip of a window passes its own minimum: its stored size comes back,
// and only sizes below that minimum grow.
TEST_F(FormPlacementTest, OwnMinimumForSmallWindows) {
    Store(0, 40, 30, 300, 120);
    QWidget strip;
    strip.setObjectName("fTest");
    RestoreFormPlacement(&strip, true, QSize(100, 40));
    EXPECT_EQ(QRect(strip.pos(), strip.size()), QRect(40, 30, 300, 120));
    RestoreFormPlacement(&strip, true);
    EXPECT_EQ(strip.size(), QSize(320, 240));  // the usual minimum
    Store(0, 40, 30, 0, -5);
    RestoreFormPlacement(&strip, true, QSize(100, 40));
    EXPECT_EQ(strip.size(), QSize(100, 40));
}

// Where a window without a placement opens in an area of a 1920 x 1080
// screen: at its corner 10 pixels in, or centred; inside the area as far as
// it fits, its top never above the area's.
TEST(FormPlacement, OpeningRectTable) {
    struct Case {
        const char* what;
        QSize size;
        OpeningPlace where;
        QRect area;
        QRect expected;
    };
    const QRect screen(0, 0, 1920, 1080);
    const QRect map(100, 80, 1000, 600);  // below the bars of a main window
    const Case cases[] = {
        {"top left", {300, 200}, OpeningPlace::TopLeft, map, {110, 90, 300, 200}},
        {"top right", {300, 200}, OpeningPlace::TopRight, map, {790, 90, 300, 200}},
        {"bottom left", {300, 200}, OpeningPlace::BottomLeft, map, {110, 470, 300, 200}},
        {"centre", {300, 200}, OpeningPlace::Centre, map, {450, 280, 300, 200}},
        {"wider than the area, top right",
         {1200, 200},
         OpeningPlace::TopRight,
         map,
         {100, 90, 1200, 200}},
        {"taller than the area, bottom left",
         {300, 900},
         OpeningPlace::BottomLeft,
         map,
         {110, 80, 300, 900}},
        {"taller than the area and the screen",
         {300, 1200},
         OpeningPlace::Centre,
         map,
         {450, 80, 300, 1200}},
        {"area partly right of the screen",
         {300, 200},
         OpeningPlace::TopRight,
         {1500, 80, 1000, 600},
         {1620, 90, 300, 200}},
        {"area above the screen",
         {300, 200},
         OpeningPlace::TopLeft,
         {100, -500, 1000, 400},
         {110, 0, 300, 200}},
        {"area below the screen",
         {300, 200},
         OpeningPlace::Centre,
         {100, 1000, 1000, 600},
         {450, 1000, 300, 200}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(OpeningRect(c.size, c.where, c.area, screen), c.expected) << c.what;
    EXPECT_EQ(OpeningRect({300, 200}, OpeningPlace::TopLeft, screen, screen, 0),
              QRect(0, 0, 300, 200));
}

// The opening area of a main window: the windows without a placement open
// in it, at their own size; the main window itself opens on the screen.
class OpeningAreaTest : public FormPlacementTest {
  protected:
    QWidget main;
    QRect area{200, 150, 900, 600};

    void SetUp() override {
        main.setObjectName("fMain");
        SetOpeningArea(&main, [this] { return area; });
    }
    void TearDown() override { SetOpeningArea(nullptr, {}); }
};

TEST_F(OpeningAreaTest, WindowsWithoutAPlacementOpenInTheArea) {
    QWidget restored, placed, centred;
    restored.setObjectName("fNeverSaved");
    restored.resize(150, 100);
    RestoreFormPlacement(&restored, true);
    EXPECT_EQ(QRect(restored.pos(), restored.size()), QRect(210, 160, 150, 100));
    placed.setObjectName("fNoSection");
    placed.resize(300, 200);
    PlaceWindow(&placed, OpeningPlace::BottomLeft);
    EXPECT_EQ(placed.pos(), QPoint(210, 540));
    centred.setObjectName("fCentred");
    centred.resize(300, 200);
    PlaceWindow(&centred, OpeningPlace::Centre);
    EXPECT_EQ(centred.pos(), QPoint(500, 350));

    main.resize(1000, 700);
    RestoreFormPlacement(&main, true);
    EXPECT_EQ(main.pos(), Available().topLeft());
    EXPECT_EQ(main.size(), QSize(1000, 700));
}

// An opened window goes along with the area until somebody moves it.
TEST_F(OpeningAreaTest, OpenedWindowsFollowTheAreaUntilMoved) {
    QWidget follows, moved;
    follows.setObjectName("fFollows");
    moved.setObjectName("fMoved");
    for (QWidget* w : {&follows, &moved}) {
        w->resize(300, 200);
        PlaceWindow(w);
        w->show();
    }
    QCoreApplication::processEvents();
    moved.move(400, 400);
    area.translate(30, 40);
    OpeningAreaChanged();
    EXPECT_EQ(follows.pos(), QPoint(240, 200));
    EXPECT_EQ(moved.pos(), QPoint(400, 400));
}

// Within a run a window comes back where it was hidden, whatever the file
// says; shown, it stays where it is.
TEST_F(FormPlacementTest, HiddenWindowsComeBackWhereTheyWereHidden) {
    Store(0, 100, 50, 500, 400);
    RestoresOnShow stored;
    stored.setObjectName("fTest");
    QWidget unstored;
    unstored.setObjectName("fNoSection");
    unstored.resize(200, 100);
    PlaceWindow(&unstored);
    stored.show();
    unstored.show();
    QCoreApplication::processEvents();
    for (int round = 1; round <= 3; ++round) {
        const QPoint to(300 + 10 * round, 200 + 10 * round);
        stored.move(to);  // the surveyor drags them
        unstored.move(to + QPoint(50, 50));
        RestoreFormPlacement(&stored, true);  // on the screen: stays
        EXPECT_EQ(stored.pos(), to);
        stored.hide();
        unstored.hide();
        QCoreApplication::processEvents();
        Store(0, 100, 50, 500, 400);
        RestoreFormPlacement(&stored, true);  // twice before the show, as a menu may
        stored.show();
        PlaceWindow(&unstored);
        unstored.show();
        QCoreApplication::processEvents();
        EXPECT_EQ(stored.pos(), to) << "round " << round;
        EXPECT_EQ(unstored.pos(), to + QPoint(50, 50)) << "round " << round;
    }
}
