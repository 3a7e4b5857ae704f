// The RTCM report window on the offscreen platform: its controls, and the
// copy of the report it saves at "Save & Close".
#include "devices/ui/TfRTCMParsing.h"

#include <gtest/gtest.h>

#include <QPlainTextEdit>
#include <QPushButton>
#include <filesystem>
#include <memory>

#include "platform/Clock.h"
#include "platform/Dialogs.h"
#include "platform/Paths.h"
#include "tests/support/TempHome.h"

namespace {

class TfRTCMParsingTest : public ::testing::Test {
  protected:
    void SetUp() override {
        auto scripted = std::make_unique<platform::ScriptedDialogs>();
        dialogs_ = scripted.get();
        platform::SetDialogs(std::move(scripted));
        platform::SetClockForTesting([this] { return now_; });
    }
    void TearDown() override {
        platform::SetClockForTesting(nullptr);
        platform::SetDialogs(nullptr);
    }
    std::string LogPath(const std::string& day) const {
        return platform::VlmRoot() + day + "/LOG/" + day + " Plovan RTCM Parsing.log";
    }

    phxtest::TempHome home_;
    platform::ScriptedDialogs* dialogs_ = nullptr;
    platform::DateTime now_{2026, 3, 5, 23, 59, 59, 999};
    TfRTCMParsing window_;
};

}  // namespace

TEST_F(TfRTCMParsingTest, Controls) {
    EXPECT_EQ(window_.objectName(), "fRTCMParsing");
    EXPECT_EQ(window_.windowTitle(), "RTCM Message Parser");
    EXPECT_EQ(window_.size(), QSize(624, 441));
    auto* memo = window_.findChild<QPlainTextEdit*>("MemoRTCM");
    ASSERT_NE(memo, nullptr);
    EXPECT_TRUE(memo->isReadOnly());
    EXPECT_EQ(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(memo->font().styleHint(), QFont::Monospace);
    EXPECT_EQ(window_.findChild<QPushButton*>("btnClear")->text(), "Clear");
    EXPECT_EQ(window_.findChild<QPushButton*>("btnClose")->text(), "Save && Close");

    window_.AddLine("one");
    window_.AddLine("");
    window_.AddLine("three");
    EXPECT_EQ(memo->toPlainText(), "one\n\nthree");
    window_.btnClear->click();
    EXPECT_EQ(memo->toPlainText(), "");
    EXPECT_TRUE(window_.Lines().empty());
}

TEST_F(TfRTCMParsingTest, SaveAndCloseReplacesTodaysFile) {
    window_.show();
    window_.btnClose->click();  // empty: nothing written
    EXPECT_FALSE(window_.isVisible());
    EXPECT_FALSE(std::filesystem::exists(platform::VlmRoot()));

    window_.AddLine("first report");
    window_.show();
    window_.btnClose->click();
    window_.ClearReport();
    window_.AddLine("second report");
    window_.AddLine("  999 - Unknown (x1)");
    window_.show();
    window_.btnClose->click();
    EXPECT_FALSE(window_.isVisible());
    EXPECT_EQ(phxtest::ReadAll(LogPath("2026-03-05")), "second report\r\n  999 - Unknown (x1)\r\n");
    EXPECT_TRUE(window_.MemoRTCM->toPlainText().contains("second report"));  // kept after the close
    EXPECT_TRUE(dialogs_->messages.isEmpty());
}

TEST_F(TfRTCMParsingTest, AfterMidnightTheNewDaysFolderIsMade) {
    window_.AddLine("report");
    now_ = platform::DateTime{2026, 3, 6, 0, 0, 0, 1};
    window_.show();
    window_.btnClose->click();
    EXPECT_EQ(phxtest::ReadAll(LogPath("2026-03-06")), "report\r\n");
    EXPECT_FALSE(std::filesystem::exists(LogPath("2026-03-05")));
}

TEST_F(TfRTCMParsingTest, CloseBoxHidesWithoutSaving) {
    window_.AddLine("report");
    window_.show();
    window_.close();
    EXPECT_FALSE(window_.isVisible());
    EXPECT_FALSE(std::filesystem::exists(LogPath("2026-03-05")));
}

TEST_F(TfRTCMParsingTest, AFailedSaveShowsOneMessageAndStays) {
    // The day folder cannot be made: a file stands where the root should be.
    phxtest::WriteAll(home_.home() + "VLM", "not a folder");
    window_.AddLine("report");
    window_.show();
    window_.btnClose->click();
    EXPECT_TRUE(window_.isVisible());
    ASSERT_EQ(dialogs_->messages.size(), 1);
    EXPECT_TRUE(dialogs_->messages[0].contains("Plovan RTCM Parsing.log"));
}
