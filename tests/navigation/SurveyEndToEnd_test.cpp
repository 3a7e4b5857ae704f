// The survey end to end (tests/navigation/SurveyRig.h), fed in lockstep from
// survey_golden/steps.txt with the clock set at each step. The day folders'
// LOG and XYZ files must then equal survey_golden/expected/ byte for byte;
// survey_golden/make_golden.py makes both from the documented layouts and
// formulas, and the rows' grid positions with PROJ.
//
// A second run fills the disk under the raw CSV for a while: no row is lost
// and the outage and its end are each said once.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>
#include <QToolButton>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "canvas/PlovanCanvas.h"
#include "devices/TPlovanSerialGPS.h"
#include "devices/ui/TFGPS.h"
#include "navigation/ui/TOffsets.h"
#include "navigation/ui/TfRealtime.h"
#include "navigation/ui/TfWaterfal.h"
#include "platform/Clock.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"
#include "tests/navigation/SurveyRig.h"
#include "tools/ui/TfSVP.h"

namespace {

namespace fs = std::filesystem;

const std::string& kGoldenDir = phxtest::kSurveyGoldenDir;

struct Step {
    platform::DateTime clock;
    std::string verb;
    int lines = 0;  // lines the step hands to its reader
    std::string argument;
};

// "\\", "\r", "\n" and "\xHH" as the script writes them.
std::string Unescape(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 >= text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        if (c == 'r') {
            out += '\r';
        } else if (c == 'n') {
            out += '\n';
        } else if (c == 'x' && i + 2 < text.size()) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += c;
        }
    }
    return out;
}

platform::DateTime ParseClock(const std::string& text) {
    platform::DateTime t;
    std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d.%d", &t.year, &t.month, &t.day, &t.hour, &t.minute,
                &t.second, &t.millisecond);
    return t;
}

std::vector<Step> ReadSteps() {
    std::ifstream in(kGoldenDir + "steps.txt", std::ios::binary);
    std::vector<Step> steps;
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> cells;
        std::stringstream row(line);
        std::string cell;
        while (std::getline(row, cell, '\t')) cells.push_back(cell);
        if (cells.size() < 3) continue;
        cells.resize(4);
        steps.push_back({ParseClock(cells[0]), cells[1], std::stoi(cells[2]), Unescape(cells[3])});
    }
    return steps;
}

// Every file below `root` whose folder is a day folder's LOG or XYZ, by its
// path relative to `root`.
std::map<std::string, std::string> DayFiles(const fs::path& root) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (const auto& entry : fs::recursive_directory_iterator(root, ec)) {
        if (!entry.is_regular_file()) continue;
        const std::string folder = entry.path().parent_path().filename().string();
        if (folder != "LOG" && folder != "XYZ") continue;
        files[fs::relative(entry.path(), root).string()] = phxtest::ReadAll(entry.path().string());
    }
    return files;
}

// The first line where two texts part, for the failure message.
std::string FirstDifference(const std::string& expected, const std::string& actual) {
    std::istringstream a(expected), b(actual);
    std::string la, lb;
    for (int n = 1;; ++n) {
        const bool moreA = static_cast<bool>(std::getline(a, la));
        const bool moreB = static_cast<bool>(std::getline(b, lb));
        if (!moreA && !moreB) return "(the line ends differ)";
        if (la != lb || moreA != moreB)
            return "line " + std::to_string(n) + ":\n  expected: " + (moreA ? la : "(end)") +
                   "\n  actual:   " + (moreB ? lb : "(end)");
    }
}

class SurveyEndToEnd : public phxtest::SurveyRig {
  protected:
    // One step; false with a reason when it could not be carried out.
    bool Run(const Step& step, std::string& why) {
        now = step.clock;
        if (step.verb == "start" || step.verb == "stop") {
            FNav->bRealtime->click();
            if (g_Survey.RealtimeRunning != (step.verb == "start")) why = "realtime did not switch";
        } else if (step.verb == "gnss" || step.verb == "sounder") {
            Feed(step.verb == "gnss" ? Gnss : Sounder, step.argument, step.lines, why);
        } else if (step.verb == "idle") {
            ReportIdle();
        } else if (step.verb == "offsets") {
            if (step.argument == "show")
                Offsets->show();
            else
                Offsets->hide();
        } else if (step.verb == "edit") {
            const size_t eq = step.argument.find('=');
            auto* edit =
                Offsets->findChild<QLineEdit*>(QString::fromStdString(step.argument.substr(0, eq)));
            if (!edit)
                why = "no edit " + step.argument;
            else
                edit->setText(QString::fromStdString(step.argument.substr(eq + 1)));
        } else if (step.verb == "type") {
            FGPS->cSBESMessage->setCurrentText(QString::fromStdString(step.argument));
            FGPS->cSBESMessageChange();
        } else if (step.verb == "profile") {
            // The column typed into its memo, then the switch: "off" clears it.
            if (step.argument != "off")
                fSVP->mSVPColumn->setPlainText(
                    QString::fromStdString(step.argument).replace('|', '\n'));
            fSVP->cUseSVP->setChecked(step.argument != "off");
            if (fSVP->cUseSVP->isChecked() != (step.argument != "off"))
                why = "the profile switch was refused";
        } else if (step.verb == "block-csv") {
            // A folder at the raw CSV's name, its rows kept aside meanwhile.
            const std::string aside = g_CoordinatesCsvPath + ".aside";
            std::error_code ec;
            if (step.argument == "on") {
                fs::rename(g_CoordinatesCsvPath, aside, ec);
                if (!ec) fs::create_directory(g_CoordinatesCsvPath, ec);
            } else {
                fs::remove(g_CoordinatesCsvPath, ec);
                if (!ec) fs::rename(aside, g_CoordinatesCsvPath, ec);
            }
            if (ec) why = ec.message();
        } else if (step.verb == "format") {
            FGPS->eSBESFormat->setText(QString::fromStdString(step.argument));
        } else {
            why = "unknown step " + step.verb;
        }
        return why.empty();
    }
};

TEST_F(SurveyEndToEnd, FilesEqualTheGoldenFiles) {
    const std::vector<Step> steps = ReadSteps();
    ASSERT_GT(steps.size(), 100u);
    CreateWindows();
    for (size_t i = 0; i < steps.size(); ++i) {
        std::string why;
        ASSERT_TRUE(Run(steps[i], why))
            << "step " << i + 1 << " (" << steps[i].verb << "): " << why;
    }
    EXPECT_FALSE(g_Survey.RealtimeRunning);

    const auto wanted = DayFiles(kGoldenDir + "expected");
    const auto got = DayFiles(platform::VlmRoot());
    ASSERT_FALSE(wanted.empty());
    for (const auto& [path, bytes] : wanted) {
        const auto it = got.find(path);
        if (it == got.end()) {
            ADD_FAILURE() << path << " was not written";
            continue;
        }
        EXPECT_TRUE(it->second == bytes)
            << path << " differs at " << FirstDifference(bytes, it->second);
    }
    for (const auto& [path, bytes] : got)
        EXPECT_TRUE(wanted.count(path)) << path << " was written, but no golden file says so";
}

size_t Count(const std::string& text, const std::string& part) {
    size_t n = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

TEST_F(SurveyEndToEnd, FullDiskMidRunHoldsRowsAndSaysSoOnce) {
    if (!fs::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    CreateWindows();
    Offsets->hide();
    FNav->bRealtime->click();
    ASSERT_TRUE(g_Survey.RealtimeRunning);
    const auto depth = [&](const std::string& metres) {
        std::string why;
        // Each depth with its own fix, so every row goes to the XYZ file too.
        ASSERT_TRUE(Run({now, "gnss", 1,
                         "$GNGGA,000001.00,4221.0380,N,07101.1000,W,4,12,0.8,12.3,M,35.1,M,,\r\n"},
                        why))
            << why;
        now.millisecond += 100;
        ASSERT_TRUE(Run({now, "sounder", 1, "$SDDPT," + metres + ",0.5\r\n"}, why)) << why;
    };
    const std::string csv = g_CoordinatesCsvPath, aside = csv + ".aside";
    const std::string events = g_LogDir + DateStamp() + " Events.log";
    depth("1.5");
    fs::rename(csv, aside);
    fs::create_symlink("/dev/full", csv);
    depth("2.5");
    depth("3.5");
    EXPECT_EQ(Count(phxtest::ReadAll(events), "Sounding rows cannot be written"), 1u);
    EXPECT_EQ(Count(phxtest::ReadAll(events), "No space left on device"), 1u);
    fs::remove(csv);
    fs::rename(aside, csv);
    depth("4.5");
    FNav->bRealtime->click();

    const std::string rows = phxtest::ReadAll(csv);
    size_t at = 0;
    for (const char* raw : {",1.5,", ",2.5,", ",3.5,", ",4.5,"}) {
        at = rows.find(raw, at);
        ASSERT_NE(at, std::string::npos) << raw << " is missing or out of order:\n" << rows;
    }
    EXPECT_EQ(Count(rows, "\r\n"), 5u);  // the header and four rows
    EXPECT_EQ(Count(phxtest::ReadAll(events), "Sounding rows written again"), 1u);
    // The simple XYZ file never stopped.
    EXPECT_EQ(Count(phxtest::ReadAll(g_XyzDir + g_SessionDate + " Simple XYZ.csv"), "\r\n"), 5u);
}

// Numbers of any size in every number field: each reaches a cast to an
// integer (a profile line, an echogram row, a pixel) only within its bound.
// The sanitizer tree traps any cast that overflows.
TEST_F(SurveyEndToEnd, HostileNumbersReachNoCastWithoutABound) {
    CreateWindows();
    Offsets->hide();
    std::string why;
    ASSERT_TRUE(Run({now, "profile", 0, "1500|1510|1520"}, why)) << why;
    // The stored set gives no grid ("0,35", an inverse flattening): one that does.
    FGPS->edRX->setText("0.35");
    FGPS->edIF->setText("0.0033528106647474");
    FNav->bRealtime->click();
    ASSERT_TRUE(g_Survey.RealtimeRunning);
    const auto tick = [&] {
        FNav->tMapTimer();
        FNav->tEchogramTimer();
        (void)FNav->fcad->grab();
        if (fWaterfal) (void)fWaterfal->grab();
    };
    for (const char* line :
         {"$GPZDA,193913.00,07,09,2018,00,00\n", "$GPHDT,1e25,T\n", "$GPRMC,,A,,,,,1e300,1e25,,,\n",
          "$GPVTG,1e25,T,,M,1e300,N,,K,N\n",
          "$GPGGA,235009,4100.000,N,03300.000,E,4,1e25,0.9,1e25,M,1e308,M,,\n"}) {
        ASSERT_TRUE(Run({now, "gnss", 1, line}, why)) << line << why;
        tick();
    }
    EXPECT_NE(g_Survey.GridEasting, 0);  // the map tick projected the fix

    // A raw depth, the sound velocity its row names and the depth shown: a
    // depth beyond the column takes its deepest line, one whose correction
    // overflows is no depth.
    const struct {
        const char* raw;
        const char* velocity;
        bool shown;
    } depths[] = {
        {"0.7", "1510.00", true},
        {"1.5", "1520.00", true},
        {"1e25", "1520.00", true},
        {"2.5", "1520.00", true},
        {"4294967296.5", "1520.00", true},
        {"1e308", "1520.00", false},
        {"1.7976931348623157e308", "1520.00", false},
        {"-1e25", "1530.00", false},  // no depth: the single sound velocity
        {"0.7", "1510.00", true},
    };
    for (const auto& d : depths) {
        SCOPED_TRACE(d.raw);
        now.millisecond += 10;
        ASSERT_TRUE(Run({now, "sounder", 1, "$SDDPT," + std::string(d.raw) + ",0.0\r\n"}, why))
            << why;
        tick();
        const std::string rows = phxtest::ReadAll(g_CoordinatesCsvPath);
        const std::string last = rows.substr(rows.rfind("\r\n", rows.size() - 3) + 2);
        std::vector<std::string> fields;
        std::stringstream cells(last);
        for (std::string cell; std::getline(cells, cell, ',');) fields.push_back(cell);
        ASSERT_EQ(fields.size(), 18u) << last;
        EXPECT_EQ(fields[12], d.velocity) << last;
        EXPECT_EQ(fRealtime->lDepthHi->text() != "--.--", d.shown);
        EXPECT_EQ(g_Survey.DepthHigh != 0, d.shown);
    }
    // The echogram drew the huge depths among the small ones.
    const auto& history = FNav->FDepthHistory.depths;
    EXPECT_NE(std::find(history.begin(), history.end(), g_Survey.DepthHigh), history.end());
    EXPECT_NE(std::find_if(history.begin(), history.end(), [](double d) { return d > 1e24; }),
              history.end());

    // The second number of the two-number types (the battery, the low
    // depth), a GGA with every number field huge, and huge offsets taken
    // with the next GNSS line while their window is hidden.
    const std::pair<const char*, const char*> more[] = {
        {"type", "Plovan SMT"},
        {"sounder", "$PSMT001,12.5,1e25\r\n$PSMT001,1e25,-1e300\r\n"},
        {"type", "Plovan XDR H/L"},
        {"sounder", "XDHI0001,1e25,XDLO0001,1e25\r\nXDHI0001,12.5,XDLO0001,-1e25\r\n"},
        {"type", "Plovan XDR LO"},
        {"sounder", "XDHI0001,1e25,XDLO0001,1e300\r\n"},
        {"gnss", "$GPGGA,1e25,1e25,N,1e25,E,1e25,1e25,1e25,1e25,M,1e25,M,1e25,1e25\n"},
        {"gnss", "$GPGGA,235010,4100.000,N,03300.000,E,99999999999,99999999999,1e308,-1e308,M,"
                 "-1e25,M,1e25,\n"},
        {"edit", "OffsetA=1e25"},
        {"edit", "OffsetC=-1e300"},
        {"edit", "TideHt=1e25"},
        {"gnss", "$GPGGA,235011,4100.000,N,03300.000,E,4,12,0.9,20,M,30,M,,\n"},
        {"type", "NMEA DPT"},
        {"sounder", "$SDDPT,12.5,0.0\r\n$SDDPT,1e25,1e25\r\n"},
    };
    for (const auto& [verb, argument] : more) {
        SCOPED_TRACE(argument);
        now.millisecond += 10;
        const std::string text = argument;
        const int lines = verb == std::string("type") || verb == std::string("edit")
                              ? 0
                              : static_cast<int>(std::count(text.begin(), text.end(), '\n'));
        ASSERT_TRUE(Run({now, verb, lines, text}, why)) << why;
        tick();
    }
    EXPECT_TRUE(g_Survey.RealtimeRunning);
    FNav->bRealtime->click();
}

}  // namespace
