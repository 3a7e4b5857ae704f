#include "devices/ui/TfRTCMParsing.h"

#include <QFont>
#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <filesystem>

#include "foundation/FormPlacement.h"
#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/HandlerGuard.h"
#include "platform/Paths.h"
#include "platform/TextFiles.h"
#include "platform/VclText.h"

TfRTCMParsing* fRTCMParsing = nullptr;

TfRTCMParsing::TfRTCMParsing(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("fRTCMParsing"));
    setWindowTitle(QStringLiteral("RTCM Message Parser"));
    MemoRTCM = new QPlainTextEdit(this);
    MemoRTCM->setObjectName(QStringLiteral("MemoRTCM"));
    MemoRTCM->setReadOnly(true);
    MemoRTCM->setLineWrapMode(QPlainTextEdit::NoWrap);
    MemoRTCM->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    MemoRTCM->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont font(QStringLiteral("Consolas"));
    font.setStyleHint(QFont::Monospace);
    font.setPixelSize(12);
    MemoRTCM->setFont(font);
    btnClear = new QPushButton(QStringLiteral("Clear"), this);
    btnClear->setObjectName(QStringLiteral("btnClear"));
    btnClose = new QPushButton(QStringLiteral("Save && Close"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(btnClear);
    buttons->addStretch(1);
    buttons->addWidget(btnClose);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MemoRTCM, 1);
    layout->addLayout(buttons);
    resize(624, 441);

    connect(btnClear, &QPushButton::clicked, this,
            [this] { platform::GuardHandler([this] { btnClearClick(); }); });
    connect(btnClose, &QPushButton::clicked, this,
            [this] { platform::GuardHandler([this] { btnCloseClick(); }); });
}

TfRTCMParsing::~TfRTCMParsing() {
    if (fRTCMParsing == this) fRTCMParsing = nullptr;
}

void TfRTCMParsing::ClearReport() {
    MemoRTCM->clear();
    FLines.clear();
}

void TfRTCMParsing::AddLine(const std::string& text) {
    FLines.push_back(text);
    MemoRTCM->appendPlainText(QString::fromStdString(text));
}

bool TfRTCMParsing::btnCloseClick() {
    if (!FLines.empty()) {
        const std::string day = platform::FormatDateTime("yyyy-mm-dd", platform::Now());
        const std::string folder = platform::VlmRoot() + day + "/LOG";
        std::string text;
        for (const std::string& line : FLines) text += line + "\r\n";
        std::error_code error;
        std::filesystem::create_directories(folder, error);
        const std::string path = folder + "/" + day + " Plovan RTCM Parsing.log";
        if (error || !platform::WriteFileAtomic(path, text)) {
            platform::ShowMessage("Cannot create file \"" + path + "\"");
            return false;
        }
    }
    hide();
    return true;
}

void TfRTCMParsing::setVisible(bool visible) {
    if (visible && !isVisible()) PlaceWindow(this);
    QDialog::setVisible(visible);
}
