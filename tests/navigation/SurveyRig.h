// The survey end to end: the program's windows offscreen, the GNSS receiver
// and the echo sounder on two pseudo-terminals linked as COM3 and COM4, the
// settings of survey_golden/settings.ini, and the clock standing where the
// test puts it, with the tick count following it (a fix is fresh for two
// seconds of that clock).
//
// The map tick and the sounder watchdog run on real time, so their timers are
// cut off here: a test runs the map tick itself, and the GNSS reader's idle
// ticks too.
#pragma once

#include <gtest/gtest.h>

#include <QDateTime>
#include <QTimer>
#include <memory>
#include <string>

#include "devices/TPlovanSerialGPS.h"
#include "foundation/DayPaths.h"
#include "foundation/LanguageManager.h"
#include "foundation/SurveyState.h"
#include "navigation/ui/ProgramEntry.h"
#include "navigation/ui/TFNav.h"
#include "platform/Clock.h"
#include "platform/IniFile.h"
#include "tests/support/Pty.h"
#include "tests/support/TempHome.h"

namespace phxtest {

inline const std::string kSurveyGoldenDir = std::string(PHX_TEST_DATA_DIR) + "/survey_golden/";

// The clock as a UTC date and time, and back.
inline QDateTime AsQDateTime(const platform::DateTime& t) {
    return QDateTime(QDate(t.year, t.month, t.day), QTime(t.hour, t.minute, t.second, t.millisecond),
                     Qt::UTC);
}
inline platform::DateTime FromQDateTime(const QDateTime& q) {
    return {q.date().year(),    q.date().month(),  q.date().day(),       q.time().hour(),
            q.time().minute(), q.time().second(), q.time().msec()};
}

class SurveyRig : public ::testing::Test {
  protected:
    static constexpr int kHandledWithinMs = 20000;  // generous: the machine may be loaded
    enum Port { Gnss = 0, Sounder = 1 };

    TempHome home;
    std::unique_ptr<Pty> gnss, sounder;
    platform::DateTime now{2026, 3, 7, 23, 50, 0, 0};
    int handled[2] = {0, 0}, expected[2] = {0, 0};  // GNSS, sounder

    void SetUp() override {
        ResetSurveyState();
        platform::SetClockForTesting([this] { return now; });
        platform::SetTickCountForTesting(
            [this] { return static_cast<uint32_t>(AsQDateTime(now).toMSecsSinceEpoch()); });
        InitDayPaths(now);
        gnss = std::make_unique<Pty>();
        sounder = std::make_unique<Pty>();
        gnss->LinkAsCom(3);
        sounder->LinkAsCom(4);
        WriteAll(SettingsFilePath(), ReadAll(kSurveyGoldenDir + "settings.ini"));
        platform::IniFile::DropCachedModels();
        g_LanguageManager = std::make_unique<TLanguageManager>(home.home() + "Languages/");
    }
    void TearDown() override {
        FreeApplicationWindows();
        g_LanguageManager.reset();
        platform::SetClockForTesting(nullptr);
        platform::SetTickCountForTesting(nullptr);
        ResetSurveyState();
    }

    void CreateWindows() {
        CreateApplicationWindows();
        for (QTimer* timer : {FNav->tMap, FNav->tEchogram})
            QObject::disconnect(timer, &QTimer::timeout, nullptr, nullptr);
        FNav->ZGPS1->FIdleTimeout = 24 * 3600 * 1000;
        // Count the lines each reader hands on, around the window's handlers.
        TPlovanSerialGPS* readers[] = {FNav->ZGPS1, FNav->ZSENSOR};
        for (int i = 0; i < 2; ++i) {
            auto handler = readers[i]->OnNewCommand;
            readers[i]->OnNewCommand = [this, i, handler](TPlovanSerialGPS* s,
                                                          const std::string& l) {
                handler(s, l);
                ++handled[i];
            };
        }
        FNav->show();
        PumpEventsFor(50);
    }

    // The bytes into a port, then the events run until its reader has handed
    // on `lines` more lines; false with a reason when that did not happen.
    bool Feed(Port port, const std::string& bytes, int lines, std::string& why) {
        Pty& pty = port == Gnss ? *gnss : *sounder;
        if (pty.Write(bytes) != bytes.size()) {
            why = "the pty took too little";
            return false;
        }
        expected[port] += lines;
        if (PumpEventsUntil([&] { return handled[port] >= expected[port]; }, kHandledWithinMs))
            return true;
        why = std::to_string(handled[port]) + " lines handled, " +
              std::to_string(expected[port]) + " expected";
        return false;
    }
    // One GNSS idle report, as the reader's idle timer makes it.
    void ReportIdle() {
        for (int i = 0; i < 2 && !FNav->ZGPS1->FIdleReported; ++i) FNav->ZGPS1->IdleTimerTick();
    }
};

}  // namespace phxtest
