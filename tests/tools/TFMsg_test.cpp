#include "tools/ui/TFMsg.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QTimer>
#include <functional>

namespace {

// Runs the event loop until `done` holds or `ms` have passed.
bool WaitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done() && clock.elapsed() < ms) QApplication::processEvents(QEventLoop::AllEvents, 10);
    return done();
}

void Wait(int ms) {
    WaitFor([] { return false; }, ms);
}

void Click(QWidget* widget) {
    const QPointF at(5, 5);
    QMouseEvent press(QEvent::MouseButtonPress, at, widget->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, at, widget->mapToGlobal(at), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QApplication::sendEvent(widget, &release);
}

}  // namespace

TEST(TFMsg, TwoMessagesWithinTheIntervalHideAfterTheFirstShow) {
    TFMsg w;
    EXPECT_EQ(w.windowTitle(), "Message Window");
    EXPECT_EQ(w.Timer1->interval(), 4000);
    EXPECT_FALSE(w.Timer1->isActive());
    w.Timer1->setInterval(400);

    w.AddMessage("GPS is idle!", true);
    ASSERT_TRUE(w.isVisible());
    EXPECT_TRUE(w.Timer1->isActive());
    Wait(200);
    w.AddMessage("Sensor time-out", true);
    EXPECT_TRUE(w.isVisible());
    // The second message did not restart the interval of the first show.
    EXPECT_LT(w.Timer1->remainingTime(), 300);
    EXPECT_TRUE(WaitFor([&w] { return !w.isVisible(); }, 3000));
    EXPECT_FALSE(w.Timer1->isActive());
    EXPECT_EQ(w.Msg->toPlainText(), "GPS is idle!\nSensor time-out");
}

TEST(TFMsg, AMessageWithoutShowOnlyAddsItsLineAndTheMemoKeepsLinesAcrossShows) {
    TFMsg w;
    w.AddMessage("COM3 opened", false);
    EXPECT_FALSE(w.isVisible());
    EXPECT_FALSE(w.Timer1->isActive());
    w.AddMessage("GPS is idle!", true);
    w.hide();
    EXPECT_FALSE(w.Timer1->isActive());
    w.AddMessage("Disconnected", true);
    EXPECT_EQ(w.Msg->toPlainText(), "COM3 opened\nGPS is idle!\nDisconnected");
}

TEST(TFMsg, AClickOnTheMemoHidesAndEmptiesIt) {
    TFMsg w;
    w.AddMessage("GPS is idle!", true);
    Click(w.Msg->viewport());
    EXPECT_FALSE(w.isVisible());
    EXPECT_TRUE(w.Msg->toPlainText().isEmpty());
    EXPECT_FALSE(w.Timer1->isActive());
}

TEST(TFMsg, TheMemoKeepsOnlyTheLatestLines) {
    TFMsg w;
    for (int i = 0; i < TFMsg::kMaxLines + 50; ++i) w.AddMessage(QString::number(i), false);
    EXPECT_EQ(w.Msg->blockCount(), TFMsg::kMaxLines);
    EXPECT_TRUE(w.Msg->toPlainText().endsWith(QString::number(TFMsg::kMaxLines + 49)));
    EXPECT_TRUE(w.Msg->toPlainText().startsWith("50\n"));
}
