#include "platform/Dialogs.h"
#include "platform/FileDialogs.h"

#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>

using namespace platform;

namespace {

constexpr const char* kProjectFilter = "Plovan Helm [*.vlm]|*.vlm|All Files [*.*]|*.*";
constexpr const char* kExportFilter =
    "Google Earth KML [*.kml]|*.kml|Google Earth KMZ [*.kmz]|*.kmz|AutoCAD R12 DXF "
    "[*.dxf]|*.dxf|All Files [*.*]|*.*";

}  // namespace

TEST(QtFileFilter, ClassLibraryFiltersInQtForm) {
    struct Row {
        const char* vcl;
        const char* qt;
    };
    const Row rows[] = {
        {kProjectFilter, "Plovan Helm [*.vlm] (*.vlm);;All Files [*.*] (*)"},
        {"KML/KMZ Files [*.kml;*.kmz]|*.kml;*.kmz|XYZ Files [*.xyz;*.txt;*.csv]|*.xyz;*.txt;*.csv",
         "KML/KMZ Files [*.kml;*.kmz] (*.kml *.kmz);;XYZ Files [*.xyz;*.txt;*.csv] (*.xyz *.txt "
         "*.csv)"},
        {"Text|*.txt;*.*", "Text (*.txt *)"},
        {"Nothing after it|", "Nothing after it (*)"},
        {"Odd", "Odd"},  // already Qt's form
        {"Sound Velocity File [*.*] (*)", "Sound Velocity File [*.*] (*)"},
        {"", ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(QtFileFilter(QString::fromUtf8(row.vcl)), QString::fromUtf8(row.qt)) << row.vcl;
}

TEST(QtFileFilter, DefaultSuffixFromTheFirstPattern) {
    struct Row {
        const char* entry;
        const char* suffix;
    };
    const Row rows[] = {
        {"Plovan Helm [*.vlm] (*.vlm)", "vlm"},
        {"KML/KMZ Files [*.kml;*.kmz] (*.kml *.kmz)", "kml"},
        {"All Files [*.*] (*)", ""},
        {"Wild (*.v?m)", ""},
        {"Double (*.tar.gz)", ""},
        {"Named (data.txt)", ""},
        {"No patterns", ""},
    };
    for (const Row& row : rows)
        EXPECT_EQ(DefaultSuffixOf(QString::fromUtf8(row.entry)), QString::fromUtf8(row.suffix))
            << row.entry;
}

// The real dialog, never shown: its suffix follows the filter the surveyor
// picks in its type box.
TEST(SaveDialog, SuffixFollowsTheSelectedFilter) {
    const QString filter = QtFileFilter(QString::fromUtf8(kExportFilter));
    const auto dialog = NewSaveDialog(nullptr, "Dialog Save", QDir::tempPath(), filter);
    EXPECT_EQ(dialog->windowTitle(), "Dialog Save");
    EXPECT_EQ(dialog->acceptMode(), QFileDialog::AcceptSave);
    EXPECT_FALSE(dialog->testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(dialog->nameFilters().size(), 4);
    EXPECT_EQ(dialog->defaultSuffix(), "kml");

    auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
    ASSERT_NE(types, nullptr);
    const auto pick = [&](int steps) {
        for (int i = 0; i < steps; ++i) {
            QKeyEvent down(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier);
            QApplication::sendEvent(types, &down);
        }
    };
    pick(1);
    EXPECT_EQ(dialog->defaultSuffix(), "kmz");
    pick(2);
    EXPECT_EQ(dialog->selectedNameFilter(), "All Files [*.*] (*)");
    EXPECT_EQ(dialog->defaultSuffix(), "");
}

TEST(ScriptedDialogs, SaveReturnsTheNameAsGivenAndTheChosenFilter) {
    ScriptedDialogs d;
    const QString filter = QtFileFilter(QString::fromUtf8(kExportFilter));
    d.fileNames = {"/tmp/bare", "/tmp/x.kmz", ""};
    d.filterIndexes = {2};

    const SaveChoice first = d.SaveFile("Dialog Save", "/tmp/", filter);
    EXPECT_EQ(first.fileName, "/tmp/bare");  // no suffix of its own
    EXPECT_EQ(first.filterIndex, 2);
    EXPECT_EQ(first.selectedFilter, "Google Earth KMZ [*.kmz] (*.kmz)");

    const SaveChoice second = d.SaveFile("Dialog Save", "/tmp/", filter);
    EXPECT_EQ(second.fileName, "/tmp/x.kmz");
    EXPECT_EQ(second.filterIndex, 1);  // the first filter unless told

    const SaveChoice cancelled = d.SaveFile("Dialog Save", "/tmp/", filter);
    EXPECT_TRUE(cancelled.fileName.isEmpty());
    EXPECT_EQ(cancelled.filterIndex, 0);

    ASSERT_EQ(d.fileDialogs.size(), 3u);
    EXPECT_EQ(d.fileDialogs[0].caption, "Dialog Save");
    EXPECT_EQ(d.fileDialogs[0].folder, "/tmp/");
    EXPECT_EQ(d.fileDialogs[0].filter, filter);
}

TEST(FileDialogs, ExecuteShowsTheFilterInQtFormAndKeepsTheChoice) {
    auto previous = SetDialogs(std::make_unique<ScriptedDialogs>());
    auto& scripted = static_cast<ScriptedDialogs&>(dialogs());
    scripted.fileNames = {"/p/a.vlm", "/p/b", ""};
    scripted.filterIndexes = {2};

    TOpenDialog open{"Dialog Open", QString::fromUtf8(kProjectFilter), "/p/", {}};
    EXPECT_TRUE(open.Execute());
    EXPECT_EQ(open.FileName, "/p/a.vlm");

    TSaveDialog save{"Dialog Save", QString::fromUtf8(kProjectFilter), "/q/", {}, 1};
    EXPECT_TRUE(save.Execute());
    EXPECT_EQ(save.FileName, "/p/b");
    EXPECT_EQ(save.FilterIndex, 2);
    EXPECT_FALSE(save.Execute());  // cancelled: the last choice stays
    EXPECT_EQ(save.FileName, "/p/b");

    ASSERT_EQ(scripted.fileDialogs.size(), 3u);
    EXPECT_EQ(scripted.fileDialogs[0].caption, "Dialog Open");
    EXPECT_EQ(scripted.fileDialogs[0].filter, "Plovan Helm [*.vlm] (*.vlm);;All Files [*.*] (*)");
    EXPECT_EQ(scripted.fileDialogs[1].folder, "/q/");
    SetDialogs(std::move(previous));
}
