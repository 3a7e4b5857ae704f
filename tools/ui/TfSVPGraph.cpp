#include "tools/ui/TfSVPGraph.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "foundation/FormPlacement.h"
#include "platform/HandlerGuard.h"
#include "platform/VclText.h"

TfSVPGraph* fSVPGraph = nullptr;

// The paint box: paints and passes its mouse to the window.
class TSvpPaintBox : public QWidget {
  public:
    TSvpPaintBox(TfSVPGraph* owner, QWidget* parent) : QWidget(parent), owner_(owner) {
        setMouseTracking(true);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter canvas(this);
        platform::GuardHandler([&] { owner_->PaintBox1Paint(canvas); });
    }
    void mousePressEvent(QMouseEvent* e) override {
        platform::GuardHandler([&] { owner_->PaintBox1MouseDown(e); });
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        platform::GuardHandler([&] { owner_->PaintBox1MouseMove(e); });
    }
    void mouseReleaseEvent(QMouseEvent* e) override {
        platform::GuardHandler([&] { owner_->PaintBox1MouseUp(e); });
    }
    void mouseDoubleClickEvent(QMouseEvent*) override {
        platform::GuardHandler([&] { owner_->PaintBox1DblClick(); });
    }

  private:
    TfSVPGraph* owner_;
};

namespace {

QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }

// Colours of the class library's palette.
const QColor kSilver(0xC0, 0xC0, 0xC0), kMaroon(0x80, 0, 0), kNavy(0, 0, 0x80), kGreen(0, 0x80, 0),
    kLime(0, 0xFF, 0);

QPushButton* MakeButton(QWidget* parent, const char* name, const QString& caption) {
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(QString::fromLatin1(name));
    return button;
}

}  // namespace

TfSVPGraph::TfSVPGraph(QWidget* parent) : QDialog(parent, Qt::Dialog | Qt::WindowStaysOnTopHint) {
    BuildLayout();
    platform::GuardHandler([this] { FormCreate(); });
}

void TfSVPGraph::BuildLayout() {
    setObjectName(QStringLiteral("fSVPGraph"));
    setWindowTitle(QStringLiteral("SVP Profile Graph - Drag Points or Lasso Select"));
    setModal(true);
    resize(900, 550);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    Splitter1 = new QSplitter(Qt::Horizontal, this);
    Splitter1->setObjectName(QStringLiteral("Splitter1"));
    PaintBox1 = new TSvpPaintBox(this, Splitter1);
    PaintBox1->setObjectName(QStringLiteral("PaintBox1"));
    PanelGrid = new QWidget(Splitter1);
    PanelGrid->setObjectName(QStringLiteral("PanelGrid"));
    auto* gridLayout = new QVBoxLayout(PanelGrid);
    StringGrid1 = new QTableWidget(0, 3, PanelGrid);
    StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
    StringGrid1->verticalHeader()->hide();
    for (int c = 0; c < 3; ++c) StringGrid1->setColumnWidth(c, 60);
    StringGrid1->setShowGrid(true);
    gridLayout->addWidget(StringGrid1);
    auto* rowButtons = new QHBoxLayout;
    bAddRow = MakeButton(PanelGrid, "bAddRow", QStringLiteral("Add Row"));
    bDeleteRow = MakeButton(PanelGrid, "bDeleteRow", QStringLiteral("Delete Row"));
    rowButtons->addWidget(bAddRow);
    rowButtons->addWidget(bDeleteRow);
    gridLayout->addLayout(rowButtons);
    Splitter1->addWidget(PaintBox1);
    Splitter1->addWidget(PanelGrid);
    Splitter1->setStretchFactor(0, 1);
    Splitter1->setSizes({680, 220});
    layout->addWidget(Splitter1, 1);

    Panel1 = new QWidget(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    auto* bottom = new QHBoxLayout(Panel1);
    Label1 = new QLabel(QStringLiteral("Drag points to edit SV, or draw lasso to select spikes"),
                        Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    bDeleteSelected = MakeButton(Panel1, "bDeleteSelected", QStringLiteral("Delete Selected (0)"));
    bDeleteSelected->setEnabled(false);
    bSaveAndClose = MakeButton(Panel1, "bSaveAndClose", QStringLiteral("Save & Close"));
    bCancel = MakeButton(Panel1, "bCancel", QStringLiteral("Cancel"));
    bottom->addWidget(Label1, 1);
    bottom->addWidget(bDeleteSelected);
    bottom->addWidget(bSaveAndClose);
    bottom->addWidget(bCancel);
    layout->addWidget(Panel1);
    for (QPushButton* b : {bAddRow, bDeleteRow, bDeleteSelected, bSaveAndClose, bCancel})
        b->setAutoDefault(false);

    const auto guarded = [this](void (TfSVPGraph::*handler)()) {
        return [this, handler] { platform::GuardHandler([this, handler] { (this->*handler)(); }); };
    };
    connect(bAddRow, &QPushButton::clicked, this, guarded(&TfSVPGraph::bAddRowClick));
    connect(bDeleteRow, &QPushButton::clicked, this, guarded(&TfSVPGraph::bDeleteRowClick));
    connect(bDeleteSelected, &QPushButton::clicked, this,
            guarded(&TfSVPGraph::bDeleteSelectedClick));
    connect(bSaveAndClose, &QPushButton::clicked, this, guarded(&TfSVPGraph::bSaveAndCloseClick));
    connect(bCancel, &QPushButton::clicked, this, guarded(&TfSVPGraph::bCancelClick));
    connect(StringGrid1, &QTableWidget::cellClicked, this, guarded(&TfSVPGraph::StringGrid1Click));
}

void TfSVPGraph::FormCreate() {
    StringGrid1->setHorizontalHeaderLabels(
        {QStringLiteral("Depth (m)"), QStringLiteral("SV (m/s)"), QStringLiteral("Hits")});
    // The wheel zooms wherever it turns over the window.
    installEventFilter(this);
    for (QWidget* child : findChildren<QWidget*>()) child->installEventFilter(this);
}

void TfSVPGraph::LoadPoints(const std::vector<std::string>& lines) {
    FGraph.SetSize(PaintBox1->width(), PaintBox1->height());
    FGraph.LoadPoints(lines);
    FGraph.lasso.clear();
    FGraph.lassoActive = false;
    FGraph.dragging = false;
    FGraph.dragIndex = -1;
    FillGrid();
    UpdateDeleteButton();
    Repaint();
}

void TfSVPGraph::FitView() { FGraph.FitView(); }

void TfSVPGraph::FormResize() { Repaint(); }

void TfSVPGraph::Repaint() {
    FGraph.SetSize(PaintBox1->width(), PaintBox1->height());
    PaintBox1->update();
}

void TfSVPGraph::UpdateDeleteButton() {
    const int selected = FGraph.SelectedCount();
    bDeleteSelected->setText(QStringLiteral("Delete Selected (%1)").arg(selected));
    bDeleteSelected->setEnabled(selected > 0);
}

void TfSVPGraph::PaintBox1Paint(QPainter& canvas) {
    FGraph.SetSize(PaintBox1->width(), PaintBox1->height());
    canvas.fillRect(PaintBox1->rect(), Qt::white);
    DrawAxes(canvas);
    DrawProfile(canvas);
    DrawLasso(canvas);
}

void TfSVPGraph::DrawAxes(QPainter& canvas) {
    const int w = PaintBox1->width(), h = PaintBox1->height();
    const int left = TSvpGraph::kMarginLeft, right = w - TSvpGraph::kMarginRight;
    const int top = TSvpGraph::kMarginTop, bottom = h - TSvpGraph::kMarginBottom;
    canvas.setPen(QPen(kSilver, 1, Qt::DotLine));
    for (const TSvpGridLine& line : FGraph.SvGridLines()) {
        canvas.setPen(QPen(kSilver, 1, Qt::DotLine));
        canvas.drawLine(line.pixel, top, line.pixel, bottom);
        canvas.setPen(Qt::black);
        canvas.drawText(line.pixel - 15, bottom + 5 + canvas.fontMetrics().ascent(),
                        Q(platform::FormatFloat("0", line.value)));
    }
    for (const TSvpGridLine& line : FGraph.DepthGridLines()) {
        canvas.setPen(QPen(kSilver, 1, Qt::DotLine));
        canvas.drawLine(left, line.pixel, right, line.pixel);
        canvas.setPen(Qt::black);
        canvas.drawText(5, line.pixel - 6 + canvas.fontMetrics().ascent(),
                        Q(platform::FormatFloat("0", line.value) + "m"));
    }
    canvas.setPen(QPen(Qt::black, 1, Qt::SolidLine));
    canvas.drawLine(left, top, left, bottom);
    canvas.drawLine(left, bottom, right, bottom);
    QFont bold = canvas.font();
    bold.setBold(true);
    canvas.setFont(bold);
    canvas.drawText(w / 2 - 30, h - 18 + canvas.fontMetrics().ascent(), QStringLiteral("SV (m/s)"));
    bold.setBold(false);
    canvas.setFont(bold);
}

void TfSVPGraph::DrawProfile(QPainter& canvas) {
    if (FGraph.points.empty()) return;
    QPolygon line;
    for (const TSvpPoint& p : FGraph.points)
        line << QPoint(FGraph.SvToX(p.sv), FGraph.DepthToY(p.depth));
    canvas.setPen(QPen(Qt::blue, 1, Qt::SolidLine));
    canvas.drawPolyline(line);
    for (size_t i = 0; i < FGraph.points.size(); ++i) {
        const TSvpPoint& p = FGraph.points[i];
        if (p.selected) {
            canvas.setPen(kMaroon);
            canvas.setBrush(Qt::red);
        } else if (FGraph.dragging && static_cast<int>(i) == FGraph.dragIndex) {
            canvas.setPen(kGreen);
            canvas.setBrush(kLime);
        } else {
            canvas.setPen(kNavy);
            canvas.setBrush(Qt::blue);
        }
        // The outline of a one-pixel pen runs on the rectangle's edges, the
        // right and bottom ones included: the marker covers 9 pixels, x - 4 to
        // x + 4, as the ellipse from (x - 4, y - 4) to (x + 5, y + 5) whose
        // right and bottom edges are outside.
        canvas.drawEllipse(QRect(line[static_cast<int>(i)] - QPoint(4, 4), QSize(8, 8)));
    }
    canvas.setBrush(Qt::NoBrush);
}

void TfSVPGraph::DrawLasso(QPainter& canvas) {
    if (FGraph.lasso.size() < 2) return;
    QPolygon path;
    for (const TSvpPixel& p : FGraph.lasso) path << QPoint(p.x, p.y);
    if (FGraph.lassoActive) path << path.front();
    canvas.setPen(QPen(Qt::red, 1, Qt::DashLine));
    canvas.setBrush(Qt::NoBrush);
    canvas.drawPolyline(path);
}

void TfSVPGraph::PaintBox1MouseDown(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    FGraph.SetSize(PaintBox1->width(), PaintBox1->height());
    const QPoint at = event->position().toPoint();
    if (FGraph.Press(at.x(), at.y())) PaintBox1->setCursor(Qt::SizeAllCursor);
    Repaint();
}

void TfSVPGraph::PaintBox1MouseMove(QMouseEvent* event) {
    FGraph.SetSize(PaintBox1->width(), PaintBox1->height());
    const QPoint at = event->position().toPoint();
    if (FGraph.dragging) {
        if (FGraph.DragTo(at.x())) {
            // Only the dragged row changes in the grid.
            const int row = FGraph.dragIndex;
            if (row < StringGrid1->rowCount()) {
                const TSvpGridRow cells =
                    TSvpGraph::GridRowOf(FGraph.points[static_cast<size_t>(row)]);
                StringGrid1->setItem(row, 1, new QTableWidgetItem(Q(cells[1])));
            }
            Repaint();
        }
    } else if (FGraph.lassoActive) {
        FGraph.ExtendLasso(at.x(), at.y());
        Repaint();
    } else if (FGraph.HitTestPoint(at.x(), at.y()) >= 0) {
        PaintBox1->setCursor(Qt::PointingHandCursor);
    } else {
        PaintBox1->unsetCursor();
    }
    Label1->setText(Q(FGraph.PositionText(at.x(), at.y())));
}

void TfSVPGraph::PaintBox1MouseUp(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return;
    if (FGraph.dragging) {
        FGraph.EndDrag();
        PaintBox1->unsetCursor();
        Repaint();
        return;
    }
    if (FGraph.lassoActive) {
        if (FGraph.EndLasso()) UpdateDeleteButton();
        Repaint();
    }
}

void TfSVPGraph::PaintBox1DblClick() {
    FitView();
    Repaint();
}

void TfSVPGraph::FormMouseWheel(QWheelEvent* event) {
    FGraph.SetSize(PaintBox1->width(), PaintBox1->height());
    const QPoint at = PaintBox1->mapFromGlobal(event->globalPosition().toPoint());
    FGraph.Zoom(at.x(), at.y(), event->angleDelta().y());
    Repaint();
}

void TfSVPGraph::StringGrid1Click() {
    const int row = StringGrid1->currentRow();
    if (row < 0 || row >= static_cast<int>(FGraph.points.size())) return;
    FGraph.SelectOnly(row);
    Repaint();
}

void TfSVPGraph::bDeleteSelectedClick() {
    FGraph.DeleteSelected();
    UpdateDeleteButton();
    FillGrid();
    FitView();
    Repaint();
}

void TfSVPGraph::FillGrid() {
    const std::vector<TSvpGridRow> rows = FGraph.GridRows();
    StringGrid1->setRowCount(static_cast<int>(rows.size()));
    for (int r = 0; r < static_cast<int>(rows.size()); ++r)
        for (int c = 0; c < 3; ++c)
            StringGrid1->setItem(
                r, c,
                new QTableWidgetItem(Q(rows[static_cast<size_t>(r)][static_cast<size_t>(c)])));
}

void TfSVPGraph::ReadGrid() {
    std::vector<TSvpGridRow> rows(static_cast<size_t>(StringGrid1->rowCount()));
    for (int r = 0; r < StringGrid1->rowCount(); ++r)
        for (int c = 0; c < 3; ++c) {
            const QTableWidgetItem* item = StringGrid1->item(r, c);
            rows[static_cast<size_t>(r)][static_cast<size_t>(c)] =
                item ? item->text().toStdString() : std::string();
        }
    FGraph.ReadGrid(rows);
}

void TfSVPGraph::bAddRowClick() {
    const TSvpGridRow cells = FGraph.NewRow();
    const int row = StringGrid1->rowCount();
    StringGrid1->setRowCount(row + 1);
    for (int c = 0; c < 3; ++c)
        StringGrid1->setItem(row, c, new QTableWidgetItem(Q(cells[static_cast<size_t>(c)])));
    ReadGrid();
    Repaint();
}

void TfSVPGraph::bDeleteRowClick() {
    const int row = StringGrid1->currentRow();
    if (row >= 0 && row < StringGrid1->rowCount() && StringGrid1->rowCount() > 1)
        StringGrid1->removeRow(row);
    ReadGrid();
    Repaint();
}

void TfSVPGraph::bSaveAndCloseClick() {
    ReadGrid();
    accept();
}

void TfSVPGraph::bCancelClick() { reject(); }

bool TfSVPGraph::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        platform::GuardHandler([&] { FormMouseWheel(wheel); });
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void TfSVPGraph::setVisible(bool visible) {
    if (visible && !isVisible()) PlaceWindow(this, OpeningPlace::Centre);
    QDialog::setVisible(visible);
}

void TfSVPGraph::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    platform::GuardHandler([this] { FormResize(); });
}
