#include "tools/ui/TUpDown.h"

#include <QLineEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/HandlerGuard.h"
#include "platform/VclText.h"

TUpDown::TUpDown(QLineEdit* associate, int min, int max, int position, int increment,
                 QWidget* parent)
    : QWidget(parent),
      FAssociate(associate),
      FMin(min),
      FMax(max),
      FPosition(std::clamp(position, min, max)),
      FIncrement(increment) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    FUp = new QToolButton(this);
    FUp->setArrowType(Qt::UpArrow);
    FDown = new QToolButton(this);
    FDown->setArrowType(Qt::DownArrow);
    for (QToolButton* button : {FUp, FDown}) {
        button->setFixedSize(16, 11);
        button->setAutoRepeat(true);
        button->setFocusPolicy(Qt::NoFocus);
        layout->addWidget(button);
    }
    connect(FUp, &QToolButton::clicked, this,
            [this] { platform::GuardHandler([this] { Click(1); }); });
    connect(FDown, &QToolButton::clicked, this,
            [this] { platform::GuardHandler([this] { Click(-1); }); });
}

void TUpDown::WritePosition() {
    if (!FAssociate) return;
    const QString text = QString::number(FPosition);
    if (FAssociate->text() == text)
        emit FAssociate->textChanged(text);
    else
        FAssociate->setText(text);
}

void TUpDown::Click(int direction) {
    if (FAssociate) {
        const std::string text = FAssociate->text().toStdString();
        FPosition = std::clamp(platform::StrToIntDef(text, FPosition), FMin, FMax);
    }
    const long long next = static_cast<long long>(FPosition) + direction * FIncrement;
    FPosition = static_cast<int>(std::clamp<long long>(next, FMin, FMax));
    WritePosition();
}
