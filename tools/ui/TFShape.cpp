#include "tools/ui/TFShape.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "foundation/DayPaths.h"
#include "foundation/FormPlacement.h"
#include "platform/HandlerGuard.h"
#include "platform/IniFile.h"

TFShape* FShape = nullptr;

namespace {

using LiveSlot = tools::LiveValue tools::VesselShapeValues::*;

std::string TextOf(const QLineEdit* edit) { return edit->text().toStdString(); }

}  // namespace

TFShape::TFShape(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("FShape"));
    setWindowTitle(QStringLiteral("Vessel Geometry"));
    setWindowFlags(Qt::Window | Qt::WindowStaysOnTopHint | Qt::CustomizeWindowHint |
                   Qt::WindowTitleHint);

    auto* layout = new QVBoxLayout(this);
    GroupBox1 = new QGroupBox(QStringLiteral("All in one pole"), this);
    GroupBox1->setObjectName(QStringLiteral("GroupBox1"));
    auto* form = new QFormLayout(GroupBox1);
    const auto addEdit = [this, form](const char* name, const char* label, const char* text,
                                      LiveSlot slot) {
        auto* edit = new QLineEdit(QString::fromLatin1(text), GroupBox1);
        edit->setObjectName(QString::fromLatin1(name));
        form->addRow(QString::fromUtf8(label), edit);
        tools::LiveValue& value = FValues.*slot;
        value.Take(text);
        connect(edit, &QLineEdit::textChanged, this,
                [&value](const QString& t) { value.Take(t.toStdString()); });
        return edit;
    };
    edRadious =
        addEdit("edRadious", "Radious of first circle", "10", &tools::VesselShapeValues::Radius);
    edInterval =
        addEdit("edInterval", "Offset to next circle", "10", &tools::VesselShapeValues::Interval);
    edAmount =
        addEdit("edAmount", "Total number of circles", "2", &tools::VesselShapeValues::Circles);
    edLArrow =
        addEdit("edLArrow", "Arrow's sideward length", "10", &tools::VesselShapeValues::Side);
    edBArrow =
        addEdit("edBArrow", "Arrow's longitudal length", "100", &tools::VesselShapeValues::Bow);
    layout->addWidget(GroupBox1);

    bDefault = new QPushButton(QStringLiteral("Default"), this);
    bDefault->setObjectName(QStringLiteral("bDefault"));
    layout->addWidget(bDefault);
    Label1 = new QLabel(QStringLiteral("Changes requires restart of program."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    layout->addWidget(Label1);
    BitBtn1 = new QPushButton(QStringLiteral("Save && Hide"), this);
    BitBtn1->setObjectName(QStringLiteral("BitBtn1"));
    layout->addWidget(BitBtn1);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(bDefault, &QPushButton::clicked, this,
            [this] { platform::GuardHandler([this] { bDefaultClick(); }); });
    connect(BitBtn1, &QPushButton::clicked, this,
            [this] { platform::GuardHandler([this] { BitBtn1Click(); }); });

    platform::GuardHandler([this] { FormCreate(); });
}

void TFShape::FormCreate() {
    const platform::IniFile ini(SettingsFilePath());
    const tools::VesselShapeTexts t = tools::ReadVesselShape(ini);
    edAmount->setText(QString::fromStdString(t.Circles));
    edInterval->setText(QString::fromStdString(t.Interval));
    edRadious->setText(QString::fromStdString(t.Radius));
    edBArrow->setText(QString::fromStdString(t.Bow));
    edLArrow->setText(QString::fromStdString(t.Side));
}

void TFShape::BitBtn1Click() {
    tools::VesselShapeTexts t;
    t.Circles = TextOf(edAmount);
    t.Interval = TextOf(edInterval);
    t.Radius = TextOf(edRadious);
    t.Bow = TextOf(edBArrow);
    t.Side = TextOf(edLArrow);
    platform::IniFile ini(SettingsFilePath());
    tools::WriteVesselShape(ini, t);
    hide();
}

void TFShape::bDefaultClick() {
    edRadious->setText(QStringLiteral("10"));
    edInterval->setText(QStringLiteral("10"));
    edBArrow->setText(QStringLiteral("100"));
    edAmount->setText(QStringLiteral("2"));
    edLArrow->setText(QStringLiteral("10"));
}

void TFShape::setVisible(bool visible) {
    if (visible && !isVisible()) PlaceWindow(this);
    QWidget::setVisible(visible);
}
