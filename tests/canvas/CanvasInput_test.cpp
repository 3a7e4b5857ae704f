// Qt's mouse and key events on a real canvas widget (offscreen): buttons,
// modifiers, hover, double clicks and keys reach the commands as the canvas
// events report them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMouseEvent>
#include <QTest>
#include <algorithm>
#include <string>
#include <vector>

#include "canvas/PlovanCanvas.h"

namespace {

using namespace CanvasInput;

class CanvasInputTest : public ::testing::Test {
  protected:
    TPlovanCanvas canvas;
    std::vector<std::string> events;

    void SetUp() override {
        canvas.resize(400, 400);
        canvas.show();
        canvas.SetView(0, 400, 400, 0);  // one metre a pixel
        canvas.OnWorldMouseDown = [this](TCanvasModel*, short b, short s, short, double x,
                                         double y) {
            events.push_back("down " + std::to_string(b) + " " + std::to_string(s) + " " +
                             std::to_string(static_cast<int>(x)) + "," +
                             std::to_string(static_cast<int>(y)));
        };
        canvas.OnWorldMouseMove = [this](TCanvasModel*, short s, double x, double y, double,
                                         double) {
            events.push_back("move " + std::to_string(s) + " " +
                             std::to_string(static_cast<int>(x)) + "," +
                             std::to_string(static_cast<int>(y)));
        };
        canvas.OnMouseUp = [this](TCanvasModel*, short b, short, int, int) {
            events.push_back("up " + std::to_string(b));
        };
        canvas.OnDblClick = [this](TCanvasModel*) { events.push_back("dbl"); };
    }

    void Send(QEvent::Type type, Qt::MouseButton button, QPoint at,
              Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        QMouseEvent event(type, QPointF(at), canvas.mapToGlobal(QPointF(at)), button, held,
                          modifiers);
        QApplication::sendEvent(&canvas, &event);
    }
    // As a real double click arrives: press, release, double click, release.
    void DoubleClick(Qt::MouseButton button, QPoint at) {
        Send(QEvent::MouseButtonPress, button, at);
        Send(QEvent::MouseButtonRelease, button, at);
        Send(QEvent::MouseButtonDblClick, button, at);
        Send(QEvent::MouseButtonRelease, button, at);
    }
};

TEST_F(CanvasInputTest, ButtonsAndModifiersAreEncoded) {
    const struct {
        Qt::MouseButton button;
        Qt::KeyboardModifiers modifiers;
        const char* down;
    } cases[] = {
        {Qt::LeftButton, Qt::ShiftModifier, "down 1 1 10,390"},
        {Qt::RightButton, Qt::ControlModifier, "down 2 2 10,390"},
        {Qt::MiddleButton, Qt::ControlModifier | Qt::AltModifier, "down 4 6 10,390"},
    };
    for (const auto& k : cases) {
        events.clear();
        Send(QEvent::MouseButtonPress, k.button, {10, 10}, k.modifiers);
        Send(QEvent::MouseButtonRelease, k.button, {10, 10}, k.modifiers);
        ASSERT_EQ(events.size(), 2u);
        EXPECT_EQ(events[0], k.down);
    }
}

TEST_F(CanvasInputTest, HoverIsReportedInWorldCoordinates) {
    EXPECT_TRUE(canvas.hasMouseTracking());
    Send(QEvent::MouseMove, Qt::NoButton, {120, 30});
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0], "move 0 120,370");
    EXPECT_EQ(canvas.FMouseX, 120);
    EXPECT_EQ(canvas.FMouseY, 30);
}

TEST_F(CanvasInputTest, LeftDoubleClickRaisesTheEventThenTheSecondPress) {
    DoubleClick(Qt::LeftButton, {50, 60});
    EXPECT_EQ(events, (std::vector<std::string>{"down 1 0 50,340", "up 1", "dbl", "down 1 0 50,340",
                                                "up 1"}));
    events.clear();
    DoubleClick(Qt::MiddleButton, {50, 60});
    EXPECT_EQ(events,
              (std::vector<std::string>{"down 4 0 50,340", "up 4", "down 4 0 50,340", "up 4"}));
}

TEST_F(CanvasInputTest, ADoubleClickInAPolylineAddsOneVertex) {
    canvas.FCommand = 5;
    Send(QEvent::MouseButtonPress, Qt::LeftButton, {10, 10});
    Send(QEvent::MouseButtonRelease, Qt::LeftButton, {10, 10});
    DoubleClick(Qt::LeftButton, {100, 10});
    Send(QEvent::MouseButtonPress, Qt::RightButton, {0, 0});
    Send(QEvent::MouseButtonRelease, Qt::RightButton, {0, 0});
    ASSERT_EQ(canvas.FShapeCount, 1);
    EXPECT_EQ(canvas.GetDrawnPolyline().size(), 2u);
}

TEST_F(CanvasInputTest, EscapeFromTheKeyboardEndsTheDrawing) {
    EXPECT_TRUE(canvas.focusPolicy() & Qt::ClickFocus);
    canvas.FCommand = 6;
    QTest::mouseClick(&canvas, Qt::LeftButton, Qt::NoModifier, {10, 10});
    ASSERT_NE(canvas.FTempShape, nullptr);
    EXPECT_EQ(canvas.cursor().shape(), Qt::CrossCursor);
    QTest::keyClick(&canvas, Qt::Key_Escape);
    EXPECT_EQ(canvas.FTempShape, nullptr);
    EXPECT_EQ(canvas.FCommand, 6);
    EXPECT_EQ(canvas.cursor().shape(), Qt::ArrowCursor);
}

TEST_F(CanvasInputTest, DeleteKeyDeletesTheSelectionWhenAllowed) {
    const int id = canvas.AddRectangle(0, 0, 50, 50, 0);
    canvas.SelectShape(id, false);
    canvas.FAllowKeyDelete = 1;
    QTest::keyClick(&canvas, Qt::Key_Delete);
    EXPECT_EQ(canvas.FindShape(id), nullptr);
}

TEST_F(CanvasInputTest, ALeftPressReleasedOverTheControlIsAClick) {
    canvas.OnClick = [this](TCanvasModel*) { events.push_back("click"); };
    const auto press = [&](Qt::MouseButton b, QPoint down, QPoint up) {
        Send(QEvent::MouseButtonPress, b, down);
        Send(QEvent::MouseButtonRelease, b, up);
    };
    press(Qt::LeftButton, {10, 10}, {12, 11});
    EXPECT_EQ(events, (std::vector<std::string>{"down 1 0 10,390", "click", "up 1"}));
    events.clear();
    press(Qt::RightButton, {10, 10}, {10, 10});
    press(Qt::MiddleButton, {10, 10}, {10, 10});
    press(Qt::LeftButton, {10, 10}, {450, 10});                  // released beside the control
    Send(QEvent::MouseButtonRelease, Qt::LeftButton, {10, 10});  // no press of its own
    EXPECT_EQ(std::count(events.begin(), events.end(), "click"), 0);
    events.clear();
    DoubleClick(Qt::LeftButton, {50, 60});
    EXPECT_EQ(events, (std::vector<std::string>{"down 1 0 50,340", "click", "up 1", "dbl",
                                                "down 1 0 50,340", "up 1"}));
}

TEST_F(CanvasInputTest, EveryKeyRaisesKeyDownAndKeyUp) {
    canvas.OnKeyDown = [this](TCanvasModel*, int& key, short shift) {
        events.push_back("keydown " + std::to_string(key) + " " + std::to_string(shift));
    };
    canvas.OnKeyUp = [this](TCanvasModel*, int& key, short shift) {
        events.push_back("keyup " + std::to_string(key) + " " + std::to_string(shift));
    };
    const struct {
        Qt::Key key;
        Qt::KeyboardModifiers modifiers;
        int code;
        int shift;
    } keys[] = {
        {Qt::Key_A, Qt::NoModifier, 'A', 0},
        {Qt::Key_5, Qt::ControlModifier, '5', ShiftCtrl},
        {Qt::Key_5, Qt::KeypadModifier, 101, 0},
        {Qt::Key_Plus, Qt::KeypadModifier, 107, 0},
        {Qt::Key_Plus, Qt::ShiftModifier, 187, ShiftShift},
        {Qt::Key_Comma, Qt::NoModifier, 188, 0},
        {Qt::Key_Exclam, Qt::ShiftModifier, '1', ShiftShift},
        {Qt::Key_BracketRight, Qt::NoModifier, 221, 0},
        {Qt::Key_F5, Qt::AltModifier, 116, ShiftAlt},
        {Qt::Key_Escape, Qt::NoModifier, KeyEscape, 0},
        {Qt::Key_Adiaeresis, Qt::NoModifier, 0, 0},  // no virtual-key code
        {Qt::Key_VolumeUp, Qt::NoModifier, 0, 0},
    };
    for (const auto& k : keys) {
        events.clear();
        QTest::keyClick(&canvas, k.key, k.modifiers);
        const std::string codes = std::to_string(k.code) + " " + std::to_string(k.shift);
        std::vector<std::string> expected{"keydown " + codes, "keyup " + codes};
        // A modifier is a key of its own, pressed first and let go last.
        const int modifier = k.shift == ShiftShift  ? 16
                             : k.shift == ShiftCtrl ? 17
                             : k.shift == ShiftAlt  ? 18
                                                    : 0;
        if (modifier) {
            expected.insert(expected.begin(),
                            "keydown " + std::to_string(modifier) + " " + std::to_string(k.shift));
            expected.push_back("keyup " + std::to_string(modifier) + " 0");
        }
        EXPECT_EQ(events, expected) << k.key;
    }
    // A held key repeats its press only.
    events.clear();
    QKeyEvent repeatUp(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(&canvas, &repeatUp);
    EXPECT_TRUE(events.empty());
}

TEST_F(CanvasInputTest, OnResizeComesBeforeTheViewKeepsTheAspect) {
    std::vector<double> spans;
    canvas.OnResize = [&](TCanvasModel* sender) { spans.push_back(sender->GetViewWidth()); };
    canvas.resize(800, 400);
    ASSERT_EQ(spans, std::vector<double>{400});  // the view as it was
    EXPECT_DOUBLE_EQ(canvas.GetViewWidth(), 800);
    canvas.Resize();  // the notification called directly raises it too
    EXPECT_EQ(spans.size(), 2u);
}

}  // namespace
