#include "navigation/ui/TformAbout.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "canvas/GdiCanvas.h"
#include "foundation/FormPlacement.h"
#include "navigation/ui/TFNav.h"

TformAbout* formAbout = nullptr;

TformAbout::TformAbout(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("formAbout"));
    setWindowTitle(QStringLiteral("About Plovan Survey Desk"));
    setModal(true);
    setAutoFillBackground(true);
    QPalette white = palette();
    white.setColor(QPalette::Window, Qt::white);
    setPalette(white);

    auto* column = new QVBoxLayout(this);
    Panel4 = new QFrame(this);
    Panel4->setObjectName(QStringLiteral("Panel4"));
    Panel4->setFrameShape(QFrame::StyledPanel);
    Panel4->setFrameShadow(QFrame::Sunken);
    Panel4->setAutoFillBackground(true);
    Panel4->setPalette(white);
    auto* inside = new QVBoxLayout(Panel4);
    SoftName = new QLabel(QStringLiteral("Plovan Olcum Masasi"), Panel4);
    SoftName->setObjectName(QStringLiteral("SoftName"));
    QFont font(ResolveFontFamily(QStringLiteral("Arial")));
    font.setPointSize(14);
    font.setBold(true);
    SoftName->setFont(font);
    SoftName->setAlignment(Qt::AlignCenter);
    SoftName->setCursor(Qt::PointingHandCursor);
    inside->addWidget(SoftName);
    column->addWidget(Panel4);

    BitBtn2 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn2->setObjectName(QStringLiteral("BitBtn2"));
    BitBtn2->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(BitBtn2);
    buttons->addStretch(1);
    column->addLayout(buttons);
    connect(BitBtn2, &QPushButton::clicked, this, &QDialog::accept);
    resize(320, 160);
}

void TformAbout::BitBtn1Click() { close(); }

void TformAbout::setVisible(bool visible) {
    if (visible && !isVisible()) PlaceWindow(this, OpeningPlace::Centre);
    QDialog::setVisible(visible);
}
