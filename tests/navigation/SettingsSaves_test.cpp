// The saves of several settings keys at once (the offsets, the stored view,
// the navigation section, the vessel shape, a window's placement): each is
// one write of the settings file, never one per key.
#include <gtest/gtest.h>

#include <QWidget>
#include <filesystem>
#include <functional>

#include "foundation/DayPaths.h"
#include "foundation/FormPlacement.h"
#include "navigation/CanvasViewSettings.h"
#include "navigation/Offsets.h"
#include "platform/IniFile.h"
#include "tests/support/Renames.h"
#include "tests/support/TempHome.h"
#include "tools/NavigationSettings.h"
#include "tools/VesselShape.h"

namespace {

TEST(SettingsSaves, EachSaveOfSeveralKeysIsOneWriteOfTheFile) {
    phxtest::TempHome home;
    const std::string path = SettingsFilePath();
    const std::string folder = std::filesystem::path(path).parent_path().string();
    phxtest::WriteAll(path, "[FILE]\r\nLast File Saved=/x/a.vlm\r\n");
    QWidget form;
    form.setObjectName("fRealtime");
    form.setGeometry(40, 50, 300, 200);
    form.show();  // a window never on the screen stores no placement
    const std::pair<const char*, std::function<void(platform::IniFile&)>> saves[] = {
        {"offsets",
         [](platform::IniFile& ini) {
             WriteOffsetsSettings(
                 ini, OffsetsTexts{"0.7", "0", "1.6", "1480", "0.35", "A", "B", "C"}, "12:00:00");
         }},
        {"view",
         [](platform::IniFile& ini) { WriteCanvasViewSettings(ini, CanvasViewSettings{}); }},
        {"navigation",
         [](platform::IniFile& ini) {
             tools::WriteNavigationSection(ini, tools::NavigationSection{});
         }},
        {"vessel",
         [](platform::IniFile& ini) { tools::WriteVesselShape(ini, tools::VesselShapeTexts{}); }},
        {"placement", [&form](platform::IniFile&) { SaveFormPlacement(&form); }},
    };
    for (const auto& [name, save] : saves) {
        platform::IniFile ini(path);
        const size_t before = phxtest::ReadAll(path).size();
        EXPECT_EQ(phxtest::RenamesOnto(folder, "PlovanHX.ini", [&] { save(ini); }), 1) << name;
        EXPECT_GT(phxtest::ReadAll(path).size(), before) << name;
    }
    const platform::IniFile ini(path);
    EXPECT_EQ(ini.ReadString("FILE", "Last File Saved", ""), "/x/a.vlm");
    EXPECT_EQ(ini.ReadInteger("fRealtime", "Width", 0), 300);
    EXPECT_EQ(ini.ReadString("ECHOSOUNDER_OFFSETS", "SV", ""), "1480");
}

}  // namespace
