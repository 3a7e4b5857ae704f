#include "navigation/ui/TOffsets.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>

#include "devices/ui/TfrmNTRIPSettings.h"
#include "foundation/DayPaths.h"
#include "foundation/FormPlacement.h"
#include "foundation/LanguageManager.h"
#include "foundation/SurveyState.h"
#include "navigation/ui/TFNav.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/HandlerGuard.h"
#include "platform/IniFile.h"
#include "platform/TextFiles.h"
#include "platform/VclText.h"
#include "tools/ui/TfSVP.h"

TOffsets* Offsets = nullptr;

namespace {

std::string TextOf(const QLineEdit* edit) { return edit->text().toStdString(); }

std::string Language() { return g_LanguageManager ? g_LanguageManager->FLanguage : "en"; }

// The boat in section with the water line, the transducer under the keel and
// the GNSS antenna on its pole: A from the water line down to the
// transducer, C from the water line up to the antenna, B the whole pole.
class OffsetsSketch : public QWidget {
  public:
    explicit OffsetsSketch(QWidget* parent) : QWidget(parent) { setFixedSize(180, 260); }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.fillRect(rect(), Qt::white);
        const int water = 150, pole = 95, antenna = 30, transducer = 205;
        p.fillRect(QRect(0, water, width(), height() - water), QColor(200, 225, 255));
        p.setPen(QPen(QColor(0, 90, 200), 2));
        p.drawLine(0, water, width(), water);
        QPainterPath hull;
        hull.moveTo(20, 125);
        hull.lineTo(160, 125);
        hull.lineTo(135, 185);
        hull.lineTo(45, 185);
        hull.closeSubpath();
        p.setPen(QPen(Qt::black, 2));
        p.setBrush(QColor(230, 230, 230));
        p.drawPath(hull);
        p.setPen(QPen(Qt::darkGray, 3));
        p.drawLine(pole, antenna, pole, transducer);
        p.setPen(QPen(Qt::black, 1));
        p.setBrush(Qt::black);
        p.drawEllipse(QPoint(pole, antenna), 6, 6);
        p.drawRect(pole - 6, transducer, 12, 8);
        const auto dimension = [&p](int x, int y0, int y1, const char* name) {
            p.setPen(QPen(Qt::red, 1));
            p.drawLine(x, y0, x, y1);
            p.drawLine(x - 4, y0, x + 4, y0);
            p.drawLine(x - 4, y1, x + 4, y1);
            p.drawText(QRect(x - 24, (y0 + y1) / 2 - 8, 18, 16), Qt::AlignCenter,
                       QString::fromLatin1(name));
        };
        dimension(35, water, transducer, "A");
        dimension(165, antenna, transducer, "B");
        dimension(60, antenna, water, "C");
    }
};

}  // namespace

std::string UtcClockText() {
    const platform::DateTime local = platform::Now();
    const double utc = platform::ToSerialDate(local) - platform::UtcOffsetMinutes() / 1440.0;
    return platform::DateTimeToStr(platform::FromSerialDate(utc));
}

TOffsets::TOffsets(QWidget* parent) : QWidget(parent) {
    BuildLayout();
    for (QLineEdit* edit : {OffsetA, OffsetB, OffsetC, SV, TideHt}) edit->installEventFilter(this);
    const struct {
        QLineEdit* edit;
        tools::LiveValue OffsetsValues::*value;
    } numbers[] = {{OffsetA, &OffsetsValues::Draft},
                   {OffsetB, &OffsetsValues::AntennaOffset},
                   {OffsetC, &OffsetsValues::AntennaHeight},
                   {SV, &OffsetsValues::SoundVelocity},
                   {TideHt, &OffsetsValues::Tide}};
    for (const auto& n : numbers) {
        tools::LiveValue* value = &(FValues.*n.value);
        connect(n.edit, &QLineEdit::textChanged, this,
                [value](const QString& text) { value->Take(text.toStdString()); });
    }
    const auto click = [this](QPushButton* button, void (TOffsets::*handler)()) {
        connect(button, &QPushButton::clicked, this, [this, handler] {
            platform::GuardHandler([this, handler] { (this->*handler)(); });
        });
    };
    click(BitBtn1, &TOffsets::BitBtn1Click);
    click(BitBtn3, &TOffsets::BitBtn3Click);
    click(bSVP, &TOffsets::bSVPClick);
    click(bNTRIPShow, &TOffsets::bNTRIPShowClick);
    connect(Timer1, &QTimer::timeout, this,
            [this] { platform::GuardHandler([this] { Timer1Timer(); }); });
    Timer1->start();
    Timer1Timer();
}

void TOffsets::BuildLayout() {
    setObjectName(QStringLiteral("Offsets"));
    setWindowTitle(QStringLiteral("Offsets Essential for Post Processing / Recovery"));
    setWindowFlags(Qt::Dialog | Qt::WindowStaysOnTopHint);

    auto* layout = new QHBoxLayout(this);
    Image1 = new OffsetsSketch(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    layout->addWidget(Image1, 0, Qt::AlignTop);

    auto* right = new QVBoxLayout();
    auto* grid = new QGridLayout();
    int row = 0;
    const auto addEdit = [this, grid, &row](const char* name, const char* label, const char* unit) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(QString::fromLatin1(name));
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Base, Qt::white);
        edit->setPalette(palette);
        grid->addWidget(new QLabel(QString::fromUtf8(label), this), row, 0);
        grid->addWidget(edit, row, 1);
        if (*unit) grid->addWidget(new QLabel(QString::fromUtf8(unit), this), row, 2);
        ++row;
        return edit;
    };
    OffsetA = addEdit("OffsetA", "A", "m");
    OffsetB = addEdit("OffsetB", "B", "m");
    OffsetC = addEdit("OffsetC", "C", "m");
    SV = addEdit("SV", "SV", "m/s");
    TideHt = addEdit("TideHt", "Tide Ht", "m");
    Location = addEdit("Location", "Location", "");
    SurveyBoat = addEdit("SurveyBoat", "Vessel", "");
    Surveyor = addEdit("Surveyor", "Surveyor", "");
    Label7 = new QLabel(QStringLiteral("Date and Time (UTC)"), this);
    Label7->setObjectName(QStringLiteral("Label7"));
    time = new QLabel(this);
    time->setObjectName(QStringLiteral("time"));
    grid->addWidget(Label7, row, 0);
    grid->addWidget(time, row, 1, 1, 2);
    right->addLayout(grid);

    const auto addButton = [this](const char* name, const char* caption) {
        auto* button = new QPushButton(QString::fromUtf8(caption), this);
        button->setObjectName(QString::fromLatin1(name));
        return button;
    };
    bSVP = addButton("bSVP", "Sound Velocity Profile");
    bNTRIPShow = addButton("bNTRIPShow", "NTRIP Client");
    BitBtn3 = addButton("BitBtn3", "Cancel");
    BitBtn1 = addButton("BitBtn1", "Realtime");
    auto* tools = new QHBoxLayout();
    tools->addWidget(bSVP);
    tools->addWidget(bNTRIPShow);
    right->addLayout(tools);
    auto* actions = new QHBoxLayout();
    actions->addStretch();
    actions->addWidget(BitBtn3);
    actions->addWidget(BitBtn1);
    right->addLayout(actions);
    right->addStretch();
    layout->addLayout(right);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(1000);
}

OffsetsTexts TOffsets::Texts() const {
    OffsetsTexts t;
    t.OffsetA = TextOf(OffsetA);
    t.OffsetB = TextOf(OffsetB);
    t.OffsetC = TextOf(OffsetC);
    t.SV = TextOf(SV);
    t.TideHt = TextOf(TideHt);
    t.Location = TextOf(Location);
    t.SurveyBoat = TextOf(SurveyBoat);
    t.Surveyor = TextOf(Surveyor);
    return t;
}

QLineEdit* TOffsets::FieldEdit(OffsetsField field) const {
    switch (field) {
        case OffsetsField::OffsetA:
            return OffsetA;
        case OffsetsField::OffsetB:
            return OffsetB;
        case OffsetsField::OffsetC:
            return OffsetC;
        case OffsetsField::SV:
            return SV;
        case OffsetsField::TideHt:
            return TideHt;
        case OffsetsField::Location:
            return Location;
        case OffsetsField::SurveyBoat:
            return SurveyBoat;
        case OffsetsField::Surveyor:
            return Surveyor;
        case OffsetsField::None:
            break;
    }
    return nullptr;
}

void TOffsets::FormShow() {
    // 1.
    const platform::IniFile ini(SettingsFilePath());
    const OffsetsTexts t = ReadOffsetsSettings(ini);
    OffsetA->setText(QString::fromStdString(t.OffsetA));
    OffsetB->setText(QString::fromStdString(t.OffsetB));
    OffsetC->setText(QString::fromStdString(t.OffsetC));
    SV->setText(QString::fromStdString(t.SV));
    TideHt->setText(QString::fromStdString(t.TideHt));
    Location->setText(QString::fromStdString(t.Location));
    SurveyBoat->setText(QString::fromStdString(t.SurveyBoat));
    Surveyor->setText(QString::fromStdString(t.Surveyor));
    FStoredNumbers.clear();
    for (const OffsetsField field : {OffsetsField::OffsetA, OffsetsField::OffsetB,
                                     OffsetsField::OffsetC, OffsetsField::SV, OffsetsField::TideHt})
        if (OffsetsNumberStored(ini, field)) FStoredNumbers.insert(field);
    // 2. The number edits open the on-screen numeric keypad, the others the
    // keyboard.
    if (!FHandlersAssigned) {
        FHandlersAssigned = true;
        for (QLineEdit* edit : {Location, SurveyBoat, Surveyor}) edit->installEventFilter(this);
    }
    // 3.
    RestoreFormPlacement(this, false);
}

bool TOffsets::FormCloseQuery() {
    RestoreFormPlacement(this, false);
    return true;
}

// The window's outer height, its frame included.
void TOffsets::FormDblClick() {
    const int frame = frameGeometry().height() - height();
    resize(width(), std::max(0, 410 - frame));
}

void TOffsets::Timer1Timer() { time->setText(QString::fromStdString(UtcClockText())); }

void TOffsets::BitBtn1Click() {
    const std::string language = Language();
    // 1. The project is saved, whatever follows.
    if (FNav) FNav->Save1Click();

    // 2. A warning only.
    const std::string clockText = time->text().toStdString();
    const std::string warning = ClockFormatWarning(clockText, language);
    if (!warning.empty()) platform::ShowMessage(warning);
    // 3.
    EnsureDataFolders();
    // 4.
    const OffsetsTexts texts = Texts();
    const OffsetsCheckResult result = CheckOffsets(texts, language);
    if (result.check != OffsetsCheck::Passed) {
        platform::ShowMessage(result.message);
        if (QLineEdit* edit = FieldEdit(result.focus)) edit->setFocus(Qt::OtherFocusReason);
        return;
    }
    // 5. A log that cannot be written never stops a survey: the folders are
    // made once more, then the surveyor is told and the action goes on.
    const std::string block =
        OffsetsLogBlock(texts, clockText, SoundVelocityProfileUsed(), language);
    const std::string path = OffsetsLogPath();
    if (!platform::AppendText(path, block)) {
        EnsureDataFolders();
        if (!platform::AppendText(path, block))
            platform::ShowMessage(OffsetsLogFailedMessage(path, language));
    }
    // 6.
    platform::IniFile ini(SettingsFilePath());
    WriteOffsetsSettings(ini, texts, clockText);
    // 7. The button's state follows the GNSS port, which may never have
    // connected: whether realtime runs is the survey state's to say.
    if (!g_Survey.RealtimeRunning && FNav && FNav->bRealtime) FNav->bRealtime->click();
    // 8.
    SaveFormPlacement(this);
    close();
    // 9.
    g_Survey.TrackDeleteLock = true;
}

void TOffsets::BitBtn3Click() {
    SaveFormPlacement(this);
    close();
}

// The sound velocity window is shown here.
void TOffsets::bSVPClick() {
    if (!fSVP) return;
    fSVP->show();
    fSVP->raise();
}

void TOffsets::bNTRIPShowClick() {
    if (frmNTRIPSettings) frmNTRIPSettings->ShowModalOrRaise();
}

// The main window's on-screen numeric keypad, for `sender`.
void TOffsets::NumericEditClick(QWidget* sender) {
    if (FNav && sender) FNav->ShowNumericKeypad(sender);
}

// The main window's on-screen keyboard, for `sender`.
void TOffsets::TextEditClick(QWidget* sender) {
    if (FNav && sender) FNav->ShowSimpleKeyboard(sender);
}

bool TOffsets::SoundVelocityProfileUsed() const { return fSVP && fSVP->cUseSVP->isChecked(); }

OffsetsField TOffsets::NumberFieldOf(const QLineEdit* edit) const {
    if (edit == OffsetA) return OffsetsField::OffsetA;
    if (edit == OffsetB) return OffsetsField::OffsetB;
    if (edit == OffsetC) return OffsetsField::OffsetC;
    if (edit == SV) return OffsetsField::SV;
    if (edit == TideHt) return OffsetsField::TideHt;
    return OffsetsField::None;
}

void TOffsets::CheckNumberOnExit(QLineEdit* edit) {
    // The check that was on its way runs now; the box it may show and the
    // focus it puts back start no other.
    FInExitCheck = true;
    // A window that closed meanwhile is not left for another control.
    if (isVisible()) {
        const OffsetsField field = NumberFieldOf(edit);
        const std::string message =
            OffsetsExitMessage(field, TextOf(edit), FStoredNumbers.count(field) != 0);
        if (!message.empty()) {
            platform::ShowMessage(message);
            FFocusingBack = true;
            edit->setFocus(Qt::OtherFocusReason);
            FFocusingBack = false;
        }
    }
    FInExitCheck = false;
}

void TOffsets::OffsetAExit() { CheckNumberOnExit(OffsetA); }
void TOffsets::OffsetBExit() { CheckNumberOnExit(OffsetB); }
void TOffsets::OffsetCExit() { CheckNumberOnExit(OffsetC); }
void TOffsets::SVExit() { CheckNumberOnExit(SV); }
void TOffsets::TideHtExit() { CheckNumberOnExit(TideHt); }

void TOffsets::setVisible(bool visible) {
    if (visible && !isVisible()) platform::GuardHandler([this] { FormShow(); });
    QWidget::setVisible(visible);
}

void TOffsets::closeEvent(QCloseEvent* event) {
    bool allowed = true;
    platform::GuardHandler([this, &allowed] { allowed = FormCloseQuery(); });
    if (allowed)
        event->accept();
    else
        event->ignore();
}

void TOffsets::mouseDoubleClickEvent(QMouseEvent* event) {
    QWidget::mouseDoubleClickEvent(event);
    platform::GuardHandler([this] { FormDblClick(); });
}

bool TOffsets::eventFilter(QObject* watched, QEvent* event) {
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (!edit) return QWidget::eventFilter(watched, event);
    const bool number =
        edit == OffsetA || edit == OffsetB || edit == OffsetC || edit == SV || edit == TideHt;
    if (event->type() == QEvent::FocusOut && number) {
        // A box that opens or a window that comes forward takes the focus for
        // a moment; only a move to another control is leaving the edit.
        // Nor is the focus put back by a check, and while one is on its way
        // no other starts.
        const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason &&
            !FFocusingBack && !FInExitCheck) {
            FInExitCheck = true;
            void (TOffsets::*handler)() = edit == OffsetA   ? &TOffsets::OffsetAExit
                                          : edit == OffsetB ? &TOffsets::OffsetBExit
                                          : edit == OffsetC ? &TOffsets::OffsetCExit
                                          : edit == SV      ? &TOffsets::SVExit
                                                            : &TOffsets::TideHtExit;
            QTimer::singleShot(0, this, [this, handler] {
                platform::GuardHandler([this, handler] { (this->*handler)(); });
                FInExitCheck = false;
            });
        }
    } else if (event->type() == QEvent::MouseButtonRelease && FHandlersAssigned) {
        if (number)
            platform::GuardHandler([this, edit] { NumericEditClick(edit); });
        else
            platform::GuardHandler([this, edit] { TextEditClick(edit); });
    }
    return QWidget::eventFilter(watched, event);
}
