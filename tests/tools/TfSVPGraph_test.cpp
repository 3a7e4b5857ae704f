#include "tools/ui/TfSVPGraph.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QWheelEvent>

#include "platform/Dialogs.h"
#include "platform/VclText.h"
#include "tools/SvpGraph.h"

namespace {

using Lines = std::vector<std::string>;

class TfSVPGraphTest : public ::testing::Test {
  protected:
    TfSVPGraph w;

    void SetUp() override {
        w.show();
        QApplication::processEvents();
        w.LoadPoints({"0,1500.00,1", "1,1510.00,2", "2,1520.00,1"});
    }
    QWidget* Box() { return reinterpret_cast<QWidget*>(w.PaintBox1); }
    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, Box()->mapToGlobal(at), Qt::LeftButton, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(Box(), &event);
    }
    void Press(QPoint at) { Mouse(QEvent::MouseButtonPress, at, Qt::LeftButton); }
    void Move(QPoint at) { Mouse(QEvent::MouseMove, at, Qt::LeftButton); }
    void Release(QPoint at) { Mouse(QEvent::MouseButtonRelease, at, Qt::NoButton); }
    QPoint PointOf(int i) {
        const TSvpPoint& p = w.Graph().points[static_cast<size_t>(i)];
        return {w.Graph().SvToX(p.sv), w.Graph().DepthToY(p.depth)};
    }
    std::string Cell(int row, int column) {
        return w.StringGrid1->item(row, column)->text().toStdString();
    }
};

TEST_F(TfSVPGraphTest, LayoutAndGrid) {
    EXPECT_EQ(w.objectName(), "fSVPGraph");
    EXPECT_EQ(w.windowTitle(), "SVP Profile Graph - Drag Points or Lasso Select");
    EXPECT_EQ(w.StringGrid1->horizontalHeaderItem(0)->text(), "Depth (m)");
    EXPECT_EQ(w.StringGrid1->horizontalHeaderItem(1)->text(), "SV (m/s)");
    EXPECT_EQ(w.StringGrid1->horizontalHeaderItem(2)->text(), "Hits");
    EXPECT_EQ(w.StringGrid1->rowCount(), 3);
    EXPECT_EQ(Cell(1, 1), "1510.00");
    EXPECT_EQ(w.bDeleteSelected->text(), "Delete Selected (0)");
    EXPECT_FALSE(w.bDeleteSelected->isEnabled());
    for (const char* name : {"PaintBox1", "PanelGrid", "StringGrid1", "bAddRow", "bDeleteRow",
                             "Panel1", "Label1", "bDeleteSelected", "bSaveAndClose", "bCancel"})
        EXPECT_NE(w.findChild<QWidget*>(name), nullptr) << name;
    EXPECT_FALSE(w.Modified());
}

TEST_F(TfSVPGraphTest, DragMovesOnePointAndOneGridRow) {
    w.StringGrid1->item(2, 1)->setText("typed");  // rows other than the dragged one stay
    const QPoint start = PointOf(1);
    Press(start);
    EXPECT_EQ(Box()->cursor().shape(), Qt::SizeAllCursor);
    const int target = w.Graph().SvToX(1515);
    Move({target, start.y() + 30});
    EXPECT_NEAR(w.Graph().points[1].sv, 1515, 0.2);
    EXPECT_EQ(w.Graph().points[1].depth, 1);
    EXPECT_EQ(Cell(1, 1),
              platform::FloatToStrF(w.Graph().points[1].sv, platform::FloatFormat::Fixed, 15, 2));
    EXPECT_EQ(Cell(2, 1), "typed");
    EXPECT_TRUE(w.Label1->text().startsWith("SV: "));
    EXPECT_TRUE(w.Label1->text().endsWith(" m  (Drag point to edit SV)"));
    Release({target, start.y()});
    EXPECT_EQ(w.Graph().dragIndex, -1);
    EXPECT_TRUE(w.Modified());
}

TEST_F(TfSVPGraphTest, LassoSelectsAndDeletes) {
    const QPoint middle = PointOf(1);
    Press(middle + QPoint(-30, -12));
    Move(middle + QPoint(30, -12));
    Move(middle + QPoint(30, 12));
    Move(middle + QPoint(-30, 12));
    Release(middle + QPoint(-30, 12));
    EXPECT_EQ(w.Graph().SelectedCount(), 1);
    EXPECT_TRUE(w.Graph().points[1].selected);
    EXPECT_EQ(w.bDeleteSelected->text(), "Delete Selected (1)");
    ASSERT_TRUE(w.bDeleteSelected->isEnabled());
    w.bDeleteSelected->click();
    EXPECT_EQ(w.WritePoints(), (Lines{"0,1500.00,1", "2,1520.00,1"}));
    EXPECT_EQ(w.StringGrid1->rowCount(), 2);
    EXPECT_EQ(w.bDeleteSelected->text(), "Delete Selected (0)");
    EXPECT_FALSE(w.bDeleteSelected->isEnabled());
}

TEST_F(TfSVPGraphTest, WheelOverTheGridZooms) {
    const double span = w.Graph().svMax - w.Graph().svMin;
    const QPoint at = w.StringGrid1->viewport()->rect().center();
    QWheelEvent wheel(at, w.StringGrid1->viewport()->mapToGlobal(at), QPoint(), QPoint(0, 120),
                      Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QApplication::sendEvent(w.StringGrid1->viewport(), &wheel);
    EXPECT_NEAR(w.Graph().svMax - w.Graph().svMin, 0.9 * span, 1e-9);
    QMouseEvent dbl(QEvent::MouseButtonDblClick, QPointF(10, 10), QPointF(10, 10), Qt::LeftButton,
                    Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Box(), &dbl);
    EXPECT_NEAR(w.Graph().svMax - w.Graph().svMin, span, 1e-9);
}

TEST_F(TfSVPGraphTest, RowButtonsAndTheirGridRead) {
    w.bAddRow->click();
    EXPECT_EQ(w.WritePoints(), (Lines{"0,1500.00,1", "1,1510.00,2", "2,1520.00,1", "3,1520.00,0"}));
    w.StringGrid1->setCurrentCell(1, 0);
    w.bDeleteRow->click();
    EXPECT_EQ(w.WritePoints(), (Lines{"0,1500.00,1", "2,1520.00,1", "3,1520.00,0"}));
    w.StringGrid1->setCurrentCell(0, 0);
    w.StringGrid1->item(0, 1)->setText("1501");
    w.bDeleteRow->click();
    w.bDeleteRow->click();
    EXPECT_EQ(w.WritePoints(), Lines{"3,1520.00,0"});
    w.StringGrid1->setCurrentCell(0, 0);
    w.bDeleteRow->click();  // the only data row stays
    EXPECT_EQ(w.StringGrid1->rowCount(), 1);
    // A cell that is not a number: the conversion error, the window stays.
    w.StringGrid1->item(0, 0)->setText("x");
    auto dialogs = std::make_unique<platform::ScriptedDialogs>();
    platform::ScriptedDialogs* seen = dialogs.get();
    platform::SetDialogs(std::move(dialogs));
    w.bSaveAndClose->click();
    EXPECT_TRUE(w.isVisible());
    ASSERT_FALSE(seen->messages.isEmpty());
    EXPECT_EQ(seen->messages.back(), "'x' is not a valid integer value");
    platform::SetDialogs(std::make_unique<platform::ScriptedDialogs>());
}

TEST_F(TfSVPGraphTest, GridClickSelectsOnlyThatPoint) {
    w.StringGrid1->setCurrentCell(2, 0);
    w.StringGrid1Click();
    EXPECT_EQ(w.Graph().SelectedCount(), 1);
    EXPECT_TRUE(w.Graph().points[2].selected);
    EXPECT_EQ(w.bDeleteSelected->text(), "Delete Selected (0)");
}

TEST_F(TfSVPGraphTest, ModalResults) {
    QTimer::singleShot(0, [this] { w.bCancel->click(); });
    EXPECT_EQ(w.exec(), QDialog::Rejected);
    EXPECT_FALSE(w.Modified());
    QTimer::singleShot(0, [this] { w.bSaveAndClose->click(); });
    EXPECT_EQ(w.exec(), QDialog::Accepted);
    EXPECT_TRUE(w.Modified());  // the grid is always read
    EXPECT_EQ(w.WritePoints(), (Lines{"0,1500.00,1", "1,1510.00,2", "2,1520.00,1"}));
}

// A point's marker is 9 pixels across and down, x - 4 to x + 4 around its
// centre (the ellipse from x - 4 to x + 5, right and bottom edges outside):
// here a selected one, red inside a maroon outline.
TEST_F(TfSVPGraphTest, MarkersAreNinePixels) {
    w.LoadPoints({"20,1450.00,1", "80,1550.00,1"});
    w.StringGrid1->setCurrentCell(0, 0);
    w.StringGrid1Click();
    QImage image(Box()->size(), QImage::Format_RGB32);
    Box()->render(&image);
    const QPoint centre = PointOf(0);
    QRect marker;
    for (int y = centre.y() - 12; y <= centre.y() + 12; ++y)
        for (int x = centre.x() - 12; x <= centre.x() + 12; ++x) {
            const QRgb c = image.pixel(x, y);
            if (c == qRgb(255, 0, 0) || c == qRgb(128, 0, 0)) marker |= QRect(x, y, 1, 1);
        }
    EXPECT_EQ(marker, QRect(centre - QPoint(4, 4), QSize(9, 9)));
    EXPECT_EQ(image.pixel(centre), qRgb(255, 0, 0));
    EXPECT_EQ(image.pixel(centre + QPoint(4, 0)), qRgb(128, 0, 0));
    EXPECT_EQ(image.pixel(centre - QPoint(4, 0)), qRgb(128, 0, 0));
}

TEST_F(TfSVPGraphTest, PaintsWithHugeValues) {
    w.LoadPoints({"0,1500.00,1", "2000000000,1000000000,1"});
    QImage image(Box()->size(), QImage::Format_RGB32);
    Box()->render(&image);
    EXPECT_EQ(image.pixelColor(2, 2), QColor(Qt::white));
    w.LoadPoints({});
    Box()->render(&image);
    EXPECT_EQ(w.Graph().svMin, 1300);
}

}  // namespace
