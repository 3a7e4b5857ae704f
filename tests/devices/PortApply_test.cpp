// Apply of one port's eleven texts into the serial reader: the conversions
// in order, the refusals (each stops the apply with one message and keeps
// the fields after it), and the applied settings on a real pseudo-terminal.
#include "devices/PortApply.h"

#include <gtest/gtest.h>
#include <termios.h>

#include "devices/TPlovanSerialGPS.h"
#include "platform/VclText.h"
#include "tests/support/Pty.h"
#include "tests/support/TempHome.h"

namespace {

PortTexts Typical() {
    return {"COM3", "9600", "8", "1", "None", "Normal", "5", "False", "False", "True", "True"};
}

// A reader whose fields differ from anything Apply writes, so a field left
// alone is seen.
void Poison(TPlovanSerialGPS& r) {
    r.FPortNumber = 99;
    r.FBaudRate = -1;
    r.FDataBitsIndex = -1;
    r.FStopBitsCode = -1;
    r.FParity = -1;
    r.FPriority = 0;
    r.FPollInterval = -1;
    r.FLogEnabled = true;
    r.FLogTimestamp = true;
    r.FEnableDTR = false;
    r.FEnableRTS = false;
    r.FLogFileName = "old.log";
}

}  // namespace

TEST(PortApply, EachTextReachesItsField) {
    struct Row {
        const char* what;
        void (*edit)(PortTexts&);
        void (*check)(const TPlovanSerialGPS&);
    };
    const Row rows[] = {
        {"typical", [](PortTexts&) {},
         [](const TPlovanSerialGPS& r) {
             EXPECT_EQ(r.FPortNumber, 3);
             EXPECT_EQ(r.FBaudRate, 9600);
             EXPECT_EQ(r.FDataBitsIndex, 4);
             EXPECT_EQ(r.FStopBitsCode, 1);
             EXPECT_EQ(r.FParity, 0);
             EXPECT_EQ(r.FPriority, 6);
             EXPECT_EQ(r.FPollInterval, 5);
             EXPECT_FALSE(r.FLogEnabled);
             EXPECT_FALSE(r.FLogTimestamp);
             EXPECT_TRUE(r.FEnableDTR);
             EXPECT_TRUE(r.FEnableRTS);
             EXPECT_EQ(r.FLogFileName, "/log/2026-01-02 PHX_GNSS_V3.log");
         }},
        {"stop bits 2", [](PortTexts& t) { t.StopBits = "2"; },
         [](const TPlovanSerialGPS& r) { EXPECT_EQ(r.FStopBitsCode, 3); }},
        {"stop bits 1.5", [](PortTexts& t) { t.StopBits = "1.5"; },
         [](const TPlovanSerialGPS& r) { EXPECT_EQ(r.FStopBitsCode, 2); }},
        {"DTR False", [](PortTexts& t) { t.EnableDTR = "False"; },
         [](const TPlovanSerialGPS& r) { EXPECT_FALSE(r.FEnableDTR); }},
        {"Boolean any case, and numbers",
         [](PortTexts& t) {
             t.NMEALog = "true";
             t.LogTime = "1";
             t.EnableRTS = "0";
         },
         [](const TPlovanSerialGPS& r) {
             EXPECT_TRUE(r.FLogEnabled);
             EXPECT_TRUE(r.FLogTimestamp);
             EXPECT_FALSE(r.FEnableRTS);
         }},
        {"delay 1000", [](PortTexts& t) { t.Delay = "1000"; },
         [](const TPlovanSerialGPS& r) { EXPECT_EQ(r.FPollInterval, 1000); }},
        {"data width 7", [](PortTexts& t) { t.DataWidth = "7"; },
         [](const TPlovanSerialGPS& r) { EXPECT_EQ(r.FDataBitsIndex, 3); }},
        // The parity choice reaches the port (it used to be dropped).
        {"parity Odd", [](PortTexts& t) { t.Parity = "Odd"; },
         [](const TPlovanSerialGPS& r) { EXPECT_EQ(r.FParity, 1); }},
        {"parity Even, Mark, Space", [](PortTexts& t) { t.Parity = "Space"; },
         [](const TPlovanSerialGPS& r) { EXPECT_EQ(r.FParity, 4); }},
        // Every offered port opens as itself (it used to be clamped to 20).
        {"COM25", [](PortTexts& t) { t.Port = "COM25"; },
         [](const TPlovanSerialGPS& r) { EXPECT_EQ(r.FPortNumber, 25); }},
        {"empty port", [](PortTexts& t) { t.Port = ""; },
         [](const TPlovanSerialGPS& r) { EXPECT_EQ(r.FPortNumber, 1); }},
        {"priority TimeCritical", [](PortTexts& t) { t.Priority = "TimeCritical"; },
         [](const TPlovanSerialGPS& r) { EXPECT_EQ(r.FPriority, 7); }},
        {"rate 14400", [](PortTexts& t) { t.BaudRate = "14400"; },
         [](const TPlovanSerialGPS& r) { EXPECT_EQ(r.FBaudRate, 14400); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        PortTexts texts = Typical();
        row.edit(texts);
        TPlovanSerialGPS reader;
        Poison(reader);
        EXPECT_EQ(ApplyPortTexts(texts, "/log/2026-01-02 PHX_GNSS_V3.log", reader), std::nullopt);
        row.check(reader);
    }
}

// Each refusal: its message, and how far the apply got (the fields before
// the refused one take their new values, it and the rest keep the old ones).
TEST(PortApply, RefusalsStopAtTheFirstFailingField) {
    struct Row {
        void (*edit)(PortTexts&);
        const char* message;
        int appliedBefore;  // fields applied, in Apply's order (port = 1)
    };
    const Row rows[] = {
        {[](PortTexts& t) { t.BaudRate = ""; }, "'' is not a valid integer value", 1},
        {[](PortTexts& t) { t.BaudRate = "fast"; }, "'fast' is not a valid integer value", 1},
        // Rates the list offers but the reader would silently replace by 9600.
        {[](PortTexts& t) { t.BaudRate = "56000"; },
         "Baud rate 56000 is not supported by the serial port.", 1},
        {[](PortTexts& t) { t.BaudRate = "128000"; },
         "Baud rate 128000 is not supported by the serial port.", 1},
        {[](PortTexts& t) { t.BaudRate = "256000"; },
         "Baud rate 256000 is not supported by the serial port.", 1},
        // A text that is not an item is refused, never mapped by a stale index.
        {[](PortTexts& t) { t.DataWidth = "9"; }, "'9' is not a valid data width.", 2},
        {[](PortTexts& t) { t.StopBits = "3"; }, "'3' is not a valid number of stop bits.", 3},
        {[](PortTexts& t) { t.Parity = "none"; }, "'none' is not a valid parity.", 4},
        {[](PortTexts& t) { t.Priority = "Fast"; }, "'Fast' is not a valid priority.", 5},
        {[](PortTexts& t) { t.Delay = "x"; }, "'x' is not a valid integer value", 6},
        // A poll slower than the idle watchdog, or no poll at all.
        {[](PortTexts& t) { t.Delay = "2000"; },
         "Delay 2000 is out of range: it must be 1 to 1000 ms.", 6},
        {[](PortTexts& t) { t.Delay = "0"; }, "Delay 0 is out of range: it must be 1 to 1000 ms.",
         6},
        {[](PortTexts& t) { t.NMEALog = "Yes"; }, "'Yes' is not a valid boolean value", 7},
        {[](PortTexts& t) { t.EnableRTS = ""; }, "'' is not a valid boolean value", 7},
    };
    for (const Row& row : rows) {
        PortTexts texts = Typical();
        row.edit(texts);
        SCOPED_TRACE(row.message);
        TPlovanSerialGPS reader;
        Poison(reader);
        EXPECT_EQ(ApplyPortTexts(texts, "new.log", reader), std::string(row.message));
        const bool applied[] = {reader.FPortNumber == 3,    reader.FBaudRate == 9600,
                                reader.FDataBitsIndex == 4, reader.FStopBitsCode == 1,
                                reader.FParity == 0,        reader.FPriority == 6,
                                reader.FPollInterval == 5};
        for (int i = 0; i < 7; ++i) EXPECT_EQ(applied[i], i < row.appliedBefore) << "field " << i;
        EXPECT_EQ(reader.FLogFileName, "old.log");
    }
}

TEST(PortApply, StrToBoolAsTheClassLibrary) {
    EXPECT_TRUE(StrToBool("TRUE"));
    EXPECT_FALSE(StrToBool("false"));
    EXPECT_TRUE(StrToBool("-1"));
    EXPECT_FALSE(StrToBool("0"));
    EXPECT_THROW(StrToBool("T"), platform::EConvertError);
}

// Apply, then the reader's Open on a pseudo-terminal: the termios the port
// got. A pty keeps no data bits or parity of its own, so those are checked
// through the settings the reader asks for.
TEST(PortApply, AppliedSettingsReachThePort) {
    phxtest::TempHome home;
    phxtest::Pty pty;
    ASSERT_TRUE(pty.ok());
    pty.LinkAsCom(25);
    PortTexts texts = Typical();
    texts.Port = "COM25";
    texts.BaudRate = "14400";
    texts.StopBits = "2";
    texts.DataWidth = "7";
    texts.Parity = "Even";
    texts.Delay = "100";
    TPlovanSerialGPS reader;
    ASSERT_EQ(ApplyPortTexts(texts, home.home() + "gnss.log", reader), std::nullopt);
    const platform::SerialSettings asked = reader.PortSettings();
    EXPECT_EQ(asked.dataBits, 7);
    EXPECT_EQ(asked.parity, platform::Parity::Even);
    EXPECT_TRUE(asked.twoStopBits);
    reader.Open();
    ASSERT_TRUE(reader.FOpen);
    EXPECT_NE(pty.SlaveAttributes().c_cflag & CSTOPB, 0u);
    EXPECT_EQ(pty.SlaveSpeed(), 14400);
    reader.Close();
}
