#include "tools/ui/TfLatency.h"

#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLineEdit>

#include "foundation/DayPaths.h"
#include "platform/Dialogs.h"
#include "platform/IniFile.h"
#include "tests/support/TempHome.h"

namespace {

constexpr std::uint32_t kLime = 0x00FF00, kRed = 0x0000FF;

std::string StoredTolerance() {
    platform::IniFile::DropCachedModels();
    const platform::IniFile ini(SettingsFilePath());
    return ini.ReadString("LATENCY", "eLatencyTol", "<missing>");
}

}  // namespace

TEST(TfLatency, LayoutAndStoredTolerance) {
    phxtest::TempHome home;
    {
        platform::IniFile ini(SettingsFilePath());
        ini.WriteString("LATENCY", "eLatencyTol", "250");
    }
    TfLatency w;
    EXPECT_EQ(w.windowTitle(), "Latency");
    EXPECT_EQ(w.gLatency->title(), "Latency (milisecond)");
    EXPECT_FALSE(w.eCurrentLatency->isEnabled());
    EXPECT_FALSE(w.eLatencyAveraged->isEnabled());
    EXPECT_TRUE(w.eLatencyTol->isEnabled());
    EXPECT_EQ(w.eLatencyTol->text(), "250");
    EXPECT_EQ(w.Tolerance(), 250);
}

TEST(TfLatency, UnreadableStoredToleranceReads500AndEveryChangeIsStored) {
    phxtest::TempHome home;
    {
        platform::IniFile ini(SettingsFilePath());
        ini.WriteString("LATENCY", "eLatencyTol", "fast");
    }
    TfLatency w;
    EXPECT_EQ(w.eLatencyTol->text(), "500");
    w.eLatencyTol->setText("7");
    EXPECT_EQ(StoredTolerance(), "7");
    w.eLatencyTol->setText("");
    EXPECT_EQ(StoredTolerance(), "");
    EXPECT_EQ(w.Tolerance(), 7);
}

TEST(TfLatency, GroupColourAgainstTheTolerance) {
    phxtest::TempHome home;
    auto& dialogs = dynamic_cast<platform::ScriptedDialogs&>(platform::dialogs());
    dialogs.messages.clear();
    TfLatency w;
    const struct {
        const char* tolerance;
        const char* current;
        std::uint32_t colour;
    } cases[] = {
        {"500", "499", kLime}, {"500", "500", kRed}, {"500", "12", kLime},  {"", "499", kLime},
        {"1O", "501", kRed},   {"600", "abc", kRed}, {"600", "550", kLime},
    };
    for (const auto& c : cases) {
        w.eLatencyTol->setText(QString::fromLatin1(c.tolerance));
        w.eCurrentLatency->setText(QString::fromLatin1(c.current));
        EXPECT_EQ(w.GroupColor(), c.colour) << c.tolerance << " / " << c.current;
        const QColor shown = w.gLatency->palette().color(QPalette::Window);
        EXPECT_EQ(static_cast<std::uint32_t>(shown.red() | shown.green() << 8 | shown.blue() << 16),
                  c.colour);
    }
    EXPECT_TRUE(dialogs.messages.isEmpty());
}
