#include "tools/ui/TfSVP.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>
#include <stdexcept>

#include "foundation/DayPaths.h"
#include "foundation/FormPlacement.h"
#include "platform/Dialogs.h"
#include "platform/HandlerGuard.h"
#include "platform/IniFile.h"
#include "tools/SvpHooks.h"
#include "tools/SvpMessages.h"
#include "tools/SvpProcessing.h"
#include "tools/SvpProfile.h"
#include "tools/ui/TfSVPGraph.h"

TfSVP* fSVP = nullptr;

const char* const TfSVP::kSvpFileFilter = "Sound Velocity File [*.*] (*)";

namespace {

constexpr const char* kSection = "SVP";

TSvpList MemoLines(const QPlainTextEdit* memo) {
    const QString text = memo->toPlainText();
    TSvpList lines;
    if (text.isEmpty()) return lines;
    for (const QString& line : text.split(QLatin1Char('\n'))) lines.push_back(line.toStdString());
    return lines;
}

QString Q(const std::string& utf8) { return QString::fromStdString(utf8); }

template <typename Widget>
Widget* Make(QWidget* parent, const char* name) {
    auto* widget = new Widget(parent);
    widget->setObjectName(QString::fromLatin1(name));
    return widget;
}

QPlainTextEdit* MakeMemo(QGroupBox* group, const char* name) {
    auto* memo = Make<QPlainTextEdit>(group, name);
    memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    auto* layout = new QVBoxLayout(group);
    layout->addWidget(memo);
    return memo;
}

QToolButton* MakeArrow(QWidget* parent, const char* name) {
    auto* button = Make<QToolButton>(parent, name);
    button->setArrowType(Qt::RightArrow);
    return button;
}

}  // namespace

TfSVP::TfSVP(TSvpListPlaces places, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::WindowStaysOnTopHint), FPlaces(std::move(places)) {
    BuildLayout();
    platform::GuardHandler([this] { FormCreate(); });
}

void TfSVP::BuildLayout() {
    setObjectName(QStringLiteral("fSVP"));
    setWindowTitle(QStringLiteral("Sound Velocity"));
    resize(900, 560);
    auto* layout = new QGridLayout(this);

    const char* groupNames[4] = {"GroupBox1", "GroupBox2", "GroupBox3", "GroupBox4"};
    const char* captions[4] = {"Source SVP Data", "Raw SV values", "Averaged SV Values",
                               "SV Column"};
    QGroupBox** groups[4] = {&GroupBox1, &GroupBox2, &GroupBox3, &GroupBox4};
    for (int i = 0; i < 4; ++i) {
        *groups[i] = Make<QGroupBox>(this, groupNames[i]);
        (*groups[i])->setTitle(QString::fromLatin1(captions[i]));
        layout->addWidget(*groups[i], 0, i);
    }
    mRawSVData = MakeMemo(GroupBox1, "mRawSVData");
    mRawSVExtracted = MakeMemo(GroupBox2, "mRawSVExtracted");
    mSortedAveragedSV = MakeMemo(GroupBox3, "mSortedAveragedSV");
    mSVPColumn = MakeMemo(GroupBox4, "mSVPColumn");

    BitBtn1 = Make<QPushButton>(this, "BitBtn1");
    BitBtn1->setText(QStringLiteral("SVP"));
    bRawToSVV = MakeArrow(this, "bRawToSVV");
    bSVVtoAveragedSV = MakeArrow(this, "bSVVtoAveragedSV");
    bGraph = Make<QPushButton>(this, "bGraph");
    bGraph->setText(QStringLiteral("Graph"));
    bAveragedSVtoSVP = MakeArrow(this, "bAveragedSVtoSVP");
    cUseSVP = Make<QCheckBox>(this, "cUseSVP");
    cUseSVP->setText(QStringLiteral("Use Sound Velocity Profile"));
    const auto row = [&](int column, std::initializer_list<QWidget*> widgets) {
        auto* cell = new QHBoxLayout;
        for (QWidget* w : widgets) cell->addWidget(w);
        cell->addStretch();
        layout->addLayout(cell, 1, column);
    };
    row(0, {BitBtn1, bRawToSVV});
    row(1, {bSVVtoAveragedSV});
    row(2, {bGraph, bAveragedSVtoSVP});
    row(3, {cUseSVP});

    GroupBox5 = Make<QGroupBox>(this, "GroupBox5");
    auto* parameters = new QGridLayout(GroupBox5);
    eSearchString = Make<QLineEdit>(GroupBox5, "eSearchString");
    eSearchString->setText(QString::fromLatin1(kSvpDefaultSearchString));
    eMaxDepth = Make<QLineEdit>(GroupBox5, "eMaxDepth");
    eMaxDepth->setText(QStringLiteral("200"));
    auto* searchLabel = new QLabel(QStringLiteral("Format Identifier for SV & P"), GroupBox5);
    searchLabel->setBuddy(eSearchString);
    auto* depthLabel = new QLabel(QStringLiteral("Max Depth"), GroupBox5);
    depthLabel->setBuddy(eMaxDepth);
    rSVFirst = Make<QRadioButton>(GroupBox5, "rSVFirst");
    rSVFirst->setText(QStringLiteral("SV first"));
    rDFirst = Make<QRadioButton>(GroupBox5, "rDFirst");
    rDFirst->setText(QStringLiteral("Depth first"));
    parameters->addWidget(searchLabel, 0, 0);
    parameters->addWidget(eSearchString, 1, 0);
    parameters->addWidget(depthLabel, 0, 1);
    parameters->addWidget(eMaxDepth, 1, 1);
    parameters->addWidget(rSVFirst, 1, 2);
    parameters->addWidget(rDFirst, 1, 3);
    layout->addWidget(GroupBox5, 2, 0, 1, 3);

    bSaveClose = Make<QPushButton>(this, "bSaveClose");
    bSaveClose->setText(
        QStringLiteral("Save && Close").replace(QStringLiteral("&&"), QStringLiteral("&")));
    bSaveClose->setEnabled(false);
    layout->addWidget(bSaveClose, 2, 3);

    mDefault = new QMenu(this);
    mDefault->setObjectName(QStringLiteral("mDefault"));
    Defaults1 = mDefault->addAction(QStringLiteral("Defaults"));
    Defaults1->setObjectName(QStringLiteral("Defaults1"));
    AutoDedetct1 = mDefault->addAction(QStringLiteral("Auto Dedetct"));
    AutoDedetct1->setObjectName(QStringLiteral("AutoDedetct1"));
    for (QWidget* w :
         std::initializer_list<QWidget*>{GroupBox5, eSearchString, eMaxDepth, rSVFirst, rDFirst}) {
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, this,
                [this, w](const QPoint& at) { mDefault->popup(w->mapToGlobal(at)); });
    }
    eSearchString->installEventFilter(this);

    const auto guarded = [this](void (TfSVP::*handler)()) {
        return [this, handler] { platform::GuardHandler([this, handler] { (this->*handler)(); }); };
    };
    connect(BitBtn1, &QPushButton::clicked, this, guarded(&TfSVP::BitBtn1Click));
    connect(bRawToSVV, &QToolButton::clicked, this, guarded(&TfSVP::bRawToSVVClick));
    connect(bSVVtoAveragedSV, &QToolButton::clicked, this, guarded(&TfSVP::bSVVtoAveragedSVClick));
    connect(bAveragedSVtoSVP, &QToolButton::clicked, this, guarded(&TfSVP::bAveragedSVtoSVPClick));
    connect(bSaveClose, &QPushButton::clicked, this, guarded(&TfSVP::BitBtn2Click));
    connect(bGraph, &QPushButton::clicked, this, guarded(&TfSVP::bGraphClick));
    connect(cUseSVP, &QCheckBox::toggled, this, guarded(&TfSVP::cUseSVPClick));
    connect(Defaults1, &QAction::triggered, this, guarded(&TfSVP::Defaults1Click));
    connect(AutoDedetct1, &QAction::triggered, this, guarded(&TfSVP::AutoDedetct1Click));
    const std::pair<QPlainTextEdit*, TSvpList*> memos[4] = {{mRawSVData, &FLists.rawData},
                                                            {mRawSVExtracted, &FLists.extracted},
                                                            {mSortedAveragedSV, &FLists.averaged},
                                                            {mSVPColumn, &FLists.column}};
    for (const auto& [memo, list] : memos) {
        connect(memo, &QPlainTextEdit::textChanged, this, [this, memo = memo, list = list] {
            platform::GuardHandler([&] { MemoEdited(memo, *list); });
        });
    }
}

void TfSVP::ShowList(QPlainTextEdit* memo, TSvpList& list, TSvpList lines) {
    list = std::move(lines);
    std::string text;
    for (size_t i = 0; i < list.size(); ++i) {
        if (i) text += '\n';
        text += list[i];
    }
    FShowing = true;
    memo->setPlainText(Q(text));
    FShowing = false;
}

void TfSVP::MemoEdited(QPlainTextEdit* memo, TSvpList& list) {
    if (FShowing) return;
    list = MemoLines(memo);
    // A hand edit of the column takes effect once every line is valid.
    if (memo == mSVPColumn) g_SvpProfile.SetColumn(list);
}

void TfSVP::ShowColumnInUse() { ShowList(mSVPColumn, FLists.column, g_SvpProfile.ColumnLines()); }

TSvpLists TfSVP::ListsForSave() const {
    TSvpLists lists = FLists;
    if (g_SvpProfile.HasColumn()) lists.column = g_SvpProfile.ColumnLines();
    return lists;
}

void TfSVP::FormCreate() {
    TSvpLists loaded;
    LoadSvpLists(FPlaces, loaded);
    ShowList(mRawSVData, FLists.rawData, loaded.rawData);
    ShowList(mRawSVExtracted, FLists.extracted, loaded.extracted);
    ShowList(mSortedAveragedSV, FLists.averaged, loaded.averaged);
    ShowList(mSVPColumn, FLists.column, loaded.column);

    const platform::IniFile ini(SettingsFilePath());
    eSearchString->setText(
        Q(ini.ReadString(kSection, "eSearchString", eSearchString->text().toStdString())));
    eMaxDepth->setText(Q(ini.ReadString(kSection, "eMaxDepth", eMaxDepth->text().toStdString())));
    rSVFirst->setChecked(ini.ReadBool(kSection, "rSVFirst", true));
    rDFirst->setChecked(ini.ReadBool(kSection, "rDFirst", false));
    bool hasText = false;
    for (const std::string& line : FLists.column)
        hasText = hasText || line.find_first_not_of(" \t") != std::string::npos;
    if (ini.ReadBool(kSection, "cUseSVP", false) && hasText) cUseSVP->setChecked(true);
}

void TfSVP::FormShow() { RestoreFormPlacement(this, false); }

void TfSVP::FormCloseQuery() {
    platform::IniFile ini(SettingsFilePath());
    platform::IniFile::Batch batch(ini);
    ini.WriteBool(kSection, "cUseSVP", cUseSVP->isChecked());
    ini.WriteString(kSection, "eSearchString", eSearchString->text().toStdString());
    ini.WriteString(kSection, "eMaxDepth", eMaxDepth->text().toStdString());
    ini.WriteBool(kSection, "rSVFirst", rSVFirst->isChecked());
    ini.WriteBool(kSection, "rDFirst", rDFirst->isChecked());
}

void TfSVP::BitBtn1Click() {
    const QString name =
        platform::dialogs().OpenFileName(QString(), QString(), QString::fromLatin1(kSvpFileFilter));
    if (name.isEmpty()) return;
    TSvpList source;
    const platform::FileReadResult read = ReadListFile(name.toStdString(), source);
    if (!read.ok())
        throw std::runtime_error("Cannot open file \"" + name.toStdString() + "\" (" +
                                 platform::FileReadReason(read) + ").");
    ShowList(mRawSVExtracted, FLists.extracted, {});
    ShowList(mSortedAveragedSV, FLists.averaged, {});
    ShowList(mRawSVData, FLists.rawData, std::move(source));
}

void TfSVP::bRawToSVVClick() {
    ShowList(mRawSVExtracted, FLists.extracted, {});
    ShowList(mSortedAveragedSV, FLists.averaged, {});
    const bool english = svpmsg::English();
    const TSvpExtraction result = ExtractSamples(
        FLists.rawData, eSearchString->text().toStdString(), rSVFirst->isChecked(),
        [english](double sv, int line) {
            return platform::dialogs().MessageBox(Q(svpmsg::SampleOutOfRange(english, sv, line)),
                                                  QStringLiteral("Warning"), platform::mbOKCancel,
                                                  platform::iconWarning) == platform::idOK;
        });
    if (!result.formatError.empty()) {
        platform::ShowMessage(svpmsg::FormatRefused(result.formatError));
        return;
    }
    ShowList(mRawSVExtracted, FLists.extracted, result.extracted);
}

void TfSVP::bSVVtoAveragedSVClick() {
    ShowList(mSortedAveragedSV, FLists.averaged, {});
    const std::optional<int> maxDepth = ReadMaxDepth(eMaxDepth->text().toStdString());
    if (!maxDepth) {
        platform::ShowMessage(std::string(svpmsg::kMaxDepthRange));
        return;
    }
    ShowList(mSortedAveragedSV, FLists.averaged, AverageByMetre(FLists.extracted, *maxDepth));
}

void TfSVP::bAveragedSVtoSVPClick() {
    const std::optional<int> maxDepth = ReadMaxDepth(eMaxDepth->text().toStdString());
    if (!maxDepth) {
        platform::ShowMessage(std::string(svpmsg::kMaxDepthRange));
        return;
    }
    const bool english = svpmsg::English();
    const TSvpColumnBuild built = BuildSvColumn(FLists.averaged, *maxDepth);
    if (built.status == TSvpColumnBuild::Done && g_SvpProfile.SetColumn(built.column)) {
        ShowColumnInUse();
        bSaveClose->setEnabled(true);
        cUseSVP->setEnabled(true);
        return;
    }
    bSaveClose->setEnabled(false);
    platform::ShowMessage(built.status == TSvpColumnBuild::ZeroDepthBlank
                              ? svpmsg::ZeroDepthBlank(english)
                              : svpmsg::ColumnOutOfRange(english, built.failedDepth));
}

void TfSVP::BitBtn2Click() {
    if (g_SvpHooks.MainWindowSave) g_SvpHooks.MainWindowSave();
    const TSvpLists lists = ListsForSave();
    WriteSvpDayCopies(FPlaces, lists);
    WriteSvpBesideExecutable(FPlaces, lists);
    close();
}

void TfSVP::cUseSVPClick() {
    const bool english = svpmsg::English();
    if (cUseSVP->isChecked()) {
        // The memo's column must be valid as a whole to be switched on.
        if (!g_SvpProfile.SetColumn(FLists.column) || !g_SvpProfile.SetInUse(true)) {
            cUseSVP->setChecked(false);
            platform::ShowMessage(svpmsg::ColumnEmpty(english));
            return;
        }
        if (g_SvpHooks.SetManualSvEnabled) g_SvpHooks.SetManualSvEnabled(false);
        if (g_SvpHooks.SetProfileButtonCaption)
            g_SvpHooks.SetProfileButtonCaption(Q(svpmsg::ProfileUsedCaption(english)));
        return;
    }
    g_SvpProfile.SetInUse(false);
    if (g_SvpHooks.SetManualSvEnabled) g_SvpHooks.SetManualSvEnabled(true);
    if (g_SvpHooks.SetProfileButtonCaption)
        g_SvpHooks.SetProfileButtonCaption(Q(svpmsg::SingleSvCaption(english)));
}

void TfSVP::bGraphClick() {
    if (FLists.averaged.empty()) {
        platform::ShowMessage(std::string(svpmsg::kNoGraphData));
        return;
    }
    if (!fSVPGraph) fSVPGraph = new TfSVPGraph();
    fSVPGraph->LoadPoints(FLists.averaged);
    if (fSVPGraph->exec() != QDialog::Accepted || !fSVPGraph->Modified()) return;
    ShowList(mSortedAveragedSV, FLists.averaged, fSVPGraph->WritePoints());
    bSaveClose->setEnabled(false);
    platform::ShowMessage(std::string(svpmsg::kDataUpdated));
}

void TfSVP::eSearchStringDblClick() {
    eSearchString->setText(QString::fromLatin1(kSvpDefaultSearchString));
}

void TfSVP::Defaults1Click() {
    eSearchString->setText(QString::fromLatin1(kSvpDefaultSearchString));
    eMaxDepth->setText(QStringLiteral("200"));
    rSVFirst->setChecked(true);
}

void TfSVP::AutoDedetct1Click() {
    if (FLists.rawData.empty()) {
        platform::ShowMessage(std::string(svpmsg::kNoData));
        return;
    }
    const std::optional<TSvpDetectedFormat> found = DetectScanFormat(FLists.rawData);
    if (!found) {
        platform::ShowMessage(std::string(svpmsg::kNoHeader));
        return;
    }
    eSearchString->setText(Q(found->format));
    (found->svFirst ? rSVFirst : rDFirst)->setChecked(true);
    platform::ShowMessage(svpmsg::AutoDetected(svpmsg::English(), *found));
}

void TfSVP::setVisible(bool visible) {
    if (visible && !isVisible()) platform::GuardHandler([this] { FormShow(); });
    QWidget::setVisible(visible);
}

void TfSVP::closeEvent(QCloseEvent* event) {
    platform::GuardHandler([this] { FormCloseQuery(); });
    event->accept();
}

bool TfSVP::eventFilter(QObject* watched, QEvent* event) {
    if (watched == eSearchString && event->type() == QEvent::MouseButtonDblClick) {
        platform::GuardHandler([this] { eSearchStringDblClick(); });
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
