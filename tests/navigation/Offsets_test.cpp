#include "navigation/Offsets.h"

#include <gtest/gtest.h>

#include "foundation/DayPaths.h"
#include "platform/IniFile.h"
#include "tests/support/TempHome.h"

namespace {

OffsetsTexts Good() {
    OffsetsTexts t;
    t.OffsetA = "0.50";
    t.OffsetB = "2.00";
    t.OffsetC = "1.50";
    t.SV = "1500";
    t.TideHt = "0.3";
    t.Location = "Haliç";
    t.SurveyBoat = "Plovan 1";
    t.Surveyor = "Ayşe";
    return t;
}

struct Case {
    const char* name;
    void (*edit)(OffsetsTexts&);
    const char* language;
    OffsetsCheck check;
    const char* message;
    OffsetsField focus;
};

}  // namespace

TEST(Offsets, ChecksInOrderWithTheirMessagesAndFocus) {
    using C = OffsetsCheck;
    using F = OffsetsField;
    const Case cases[] = {
        {"all good", [](OffsetsTexts&) {}, "en", C::Passed, "", F::None},
        {"B 2.03", [](OffsetsTexts& t) { t.OffsetB = "2.03"; }, "en", C::OffsetsDisagree,
         "Measurements contains error: A + C must be close enough to B.", F::OffsetA},
        {"B 2.03 tr", [](OffsetsTexts& t) { t.OffsetB = "2.03"; }, "tr", C::OffsetsDisagree,
         "Ölçümlerde hata var: A + C toplamı B değerine yakın olması gerekir", F::OffsetA},
        {"exactly 0.025",
         [](OffsetsTexts& t) { t.OffsetA = "0.1", t.OffsetC = "0.15", t.OffsetB = "0.275"; }, "en",
         C::Passed, "", F::None},
        {"exactly 0.025 below", [](OffsetsTexts& t) { t.OffsetB = "1.975"; }, "en", C::Passed, "",
         F::None},
        {"B + 0.0249", [](OffsetsTexts& t) { t.OffsetB = "2.0249"; }, "en", C::Passed, "", F::None},
        {"B - 0.0249", [](OffsetsTexts& t) { t.OffsetB = "1.9751"; }, "en", C::Passed, "", F::None},
        {"B + 0.0251", [](OffsetsTexts& t) { t.OffsetB = "2.0251"; }, "en", C::OffsetsDisagree,
         "Measurements contains error: A + C must be close enough to B.", F::OffsetA},
        {"B - 0.0251", [](OffsetsTexts& t) { t.OffsetB = "1.9749"; }, "en", C::OffsetsDisagree,
         "Measurements contains error: A + C must be close enough to B.", F::OffsetA},
        {"SV 1299.9", [](OffsetsTexts& t) { t.SV = "1299.9"; }, "en", C::SVOutOfRange,
         "Error in Sound Velocity (SV) value", F::SV},
        {"SV 1300", [](OffsetsTexts& t) { t.SV = "1300"; }, "en", C::Passed, "", F::None},
        {"SV 1700", [](OffsetsTexts& t) { t.SV = "1700"; }, "en", C::Passed, "", F::None},
        {"SV 1700.1", [](OffsetsTexts& t) { t.SV = "1700.1"; }, "de", C::SVOutOfRange,
         "SV/SE değerinde hata var", F::SV},
        {"A empty", [](OffsetsTexts& t) { t.OffsetA = ""; }, "en", C::OffsetANotANumber,
         "Failed! Recheck offset A", F::OffsetA},
        {"A letters tr", [](OffsetsTexts& t) { t.OffsetA = "x"; }, "tr", C::OffsetANotANumber,
         "Başarısız! A değerini yeniden kontrol ediniz.", F::OffsetA},
        {"B", [](OffsetsTexts& t) { t.OffsetB = "-"; }, "en", C::OffsetBNotANumber,
         "Failed! Recheck offset B", F::OffsetB},
        {"B tr", [](OffsetsTexts& t) { t.OffsetB = ""; }, "TR", C::OffsetBNotANumber,
         "Başarısız! B değerini yeniden kontrol ediniz.", F::OffsetB},
        {"C", [](OffsetsTexts& t) { t.OffsetC = "nan"; }, "en", C::OffsetCNotANumber,
         "Failed! Recheck offset C", F::OffsetC},
        {"SV", [](OffsetsTexts& t) { t.SV = ",5"; }, "en", C::SVNotANumber,
         "Failed! Recheck SV value", F::SV},
        {"SV tr", [](OffsetsTexts& t) { t.SV = ""; }, "tr", C::SVNotANumber,
         "Başarısız! SV/SH değerini yeniden kontrol ediniz.", F::SV},
        {"tide", [](OffsetsTexts& t) { t.TideHt = "inf"; }, "en", C::TideNotANumber,
         "Failed! Recheck tide height", F::TideHt},
        {"tide tr", [](OffsetsTexts& t) { t.TideHt = ""; }, "tr", C::TideNotANumber,
         "Başarısız! Su kotunu kontrol ediniz.", F::TideHt},
        {"location", [](OffsetsTexts& t) { t.Location = ""; }, "en", C::LocationEmpty,
         "Failed! Location cannot be missing", F::Location},
        {"location tr", [](OffsetsTexts& t) { t.Location = ""; }, "tr", C::LocationEmpty,
         "Başarısız! Yer adı boş olamaz", F::Location},
        {"boat", [](OffsetsTexts& t) { t.SurveyBoat = ""; }, "en", C::BoatEmpty,
         "Failed! Name/type of survey boat cannot be missing", F::SurveyBoat},
        {"boat tr", [](OffsetsTexts& t) { t.SurveyBoat = ""; }, "tr", C::BoatEmpty,
         "Başarısız! Ölçme aracının adı boş olamaz", F::SurveyBoat},
        {"surveyor", [](OffsetsTexts& t) { t.Surveyor = ""; }, "en", C::SurveyorEmpty,
         "Failed! Name of surveyor cannot be missing", F::Surveyor},
        {"surveyor tr", [](OffsetsTexts& t) { t.Surveyor = ""; }, "tr", C::SurveyorEmpty,
         "Başarısız! Öçen kişinin adı boş olamaz", F::Surveyor},
        {"first failure wins", [](OffsetsTexts& t) { t.OffsetC = "", t.Surveyor = "", t.SV = "1"; },
         "en", C::OffsetCNotANumber, "Failed! Recheck offset C", F::OffsetC},
        {"1.5m passes %lf, fails the conversion", [](OffsetsTexts& t) { t.OffsetC = "1.5m"; }, "en",
         C::Conversion, "'1.5m' is not a valid floating point value", F::None},
        {"SV with unit", [](OffsetsTexts& t) { t.SV = "1500 m/s"; }, "tr", C::Conversion,
         "'1500 m/s' is not a valid floating point value", F::None},
        {"leading blanks", [](OffsetsTexts& t) { t.OffsetA = "  0.5"; }, "en", C::Passed, "",
         F::None},
    };
    for (const Case& c : cases) {
        OffsetsTexts t = Good();
        c.edit(t);
        const OffsetsCheckResult r = CheckOffsets(t, c.language);
        EXPECT_EQ(r.check, c.check) << c.name;
        EXPECT_EQ(r.message, c.message) << c.name;
        EXPECT_EQ(r.focus, c.focus) << c.name;
    }
}

TEST(Offsets, ClockFormatWarning) {
    EXPECT_EQ(ClockFormatWarning("2025-03-07 093005123", "en"), "");
    EXPECT_EQ(ClockFormatWarning("2025-03-07 09:30:05", "en"),
              "Time format does not fit requirements. The date and time fromat must be "
              "YYYY-DD-MM HHmmssfff");
    EXPECT_EQ(ClockFormatWarning("09:30", "tr"),
              "Tarih ve saat formatı gereksinimleri karşılamıyor. Bilgisayar tarih ve zaman "
              "formatının YYYY-DD-MM HHmmssfff olduguna emin olunuz.");
}

TEST(Offsets, LogBlockInBothLanguages) {
    const OffsetsTexts t = Good();
    EXPECT_EQ(OffsetsLogBlock(t, "2025-03-07 093005123", false, "en"),
              "\n\nPlovan Survey Desk - offsets essential for post processing\n"
              "Time..............................\t=2025-03-07 093005123\n"
              "Survey Location...................\t=Haliç\n"
              "Survey Boat.......................\t=Plovan 1\n"
              "Transducer Draft (A)..............\t=0.50\n"
              "Transducer - Antenna Offset (B)...\t=2.00\n"
              "Antenna Height Above Water (C)....\t=1.50\n"
              "Sound Velocity....................\t=1500\n"
              "Tide Height.......................\t=0.3\n"
              "Surveyor..........................\t=Ayşe");
    EXPECT_EQ(OffsetsLogBlock(t, "2025-03-07 093005123", true, "tr"),
              "\n\nPlovan Olcum Masasi - veri işleme için gerekli değerler\n"
              "Zaman.......................................\t=2025-03-07 093005123\n"
              "Yer.........................................\t=Haliç\n"
              "Ölçme botu..................................\t=Plovan 1\n"
              "Transduser su kesimi (A)....................\t=0.50\n"
              "Transduser ile GPS anteni arası mesafe (B)..\t=2.00\n"
              "Sudan antene olan mesafe (C)................\t=1.50\n"
              "Ses hızı....................................\t=Ses hızı profili kullanıldı\n"
              "Su kotu.....................................\t=0.3\n"
              "Ölçen.......................................\t=Ayşe");
    const std::string profile = OffsetsLogBlock(t, "c", true, "en");
    EXPECT_NE(profile.find("Sound Velocity....................\t=Sound velocity profile used\n"),
              std::string::npos);
}

TEST(Offsets, NineKeysWrittenPaddedAndReadBackByPlainNames) {
    phxtest::TempHome home;
    OffsetsTexts t = Good();
    t.Location = "  Haliç ";
    {
        platform::IniFile ini(SettingsFilePath());
        WriteOffsetsSettings(ini, t, "2025-03-07 093005123");
    }
    EXPECT_EQ(phxtest::ReadAll(SettingsFilePath()),
              "[ECHOSOUNDER_OFFSETS]\r\n"
              "Offset A     =0.50\r\n"
              "Offset B     =2.00\r\n"
              "Offset C     =1.50\r\n"
              "SV           =1500\r\n"
              "Tide Height  =0.3\r\n"
              "Time         =2025-03-07 093005123\r\n"
              "Surveyor     =Ayşe\r\n"
              "SurveyBoat   =Plovan 1\r\n"
              "SurveyLocation=  Haliç \r\n");
    platform::IniFile::DropCachedModels();
    const platform::IniFile ini(SettingsFilePath());
    const OffsetsTexts back = ReadOffsetsSettings(ini);
    EXPECT_EQ(back.OffsetA, "0.50");
    EXPECT_EQ(back.OffsetB, "2.00");
    EXPECT_EQ(back.OffsetC, "1.50");
    EXPECT_EQ(back.SV, "1500");
    EXPECT_EQ(back.TideHt, "0.3");
    EXPECT_EQ(back.Surveyor, "Ayşe");
    EXPECT_EQ(back.SurveyBoat, "Plovan 1");
    EXPECT_EQ(back.Location, "Haliç");  // the settings file trims what it reads
}

// Leaving a number field: nothing for a number, nor for an empty field the
// settings file never held; otherwise the field's name and the conversion's
// message. Written padded, read plain, the stored keys count.
TEST(Offsets, ExitMessagesNameTheField) {
    const struct {
        OffsetsField field;
        const char* text;
        bool stored;
        const char* message;
    } cases[] = {
        {OffsetsField::OffsetA, "", false, ""},
        {OffsetsField::OffsetA, "", true, "Offset A: '' is not a valid floating point value"},
        {OffsetsField::OffsetB, "2.00", true, ""},
        {OffsetsField::OffsetC, "1.5m", false,
         "Offset C: '1.5m' is not a valid floating point value"},
        {OffsetsField::SV, "1,5", false, "SV: '1,5' is not a valid floating point value"},
        {OffsetsField::TideHt, "-0.3", false, ""},
        {OffsetsField::TideHt, "x", true, "Tide Height: 'x' is not a valid floating point value"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OffsetsExitMessage(c.field, c.text, c.stored), c.message)
            << OffsetsNumberName(c.field) << " '" << c.text << "'";

    phxtest::TempHome home;
    {
        platform::IniFile ini(SettingsFilePath());
        EXPECT_FALSE(OffsetsNumberStored(ini, OffsetsField::OffsetA));
        WriteOffsetsSettings(ini, OffsetsTexts{}, "");
    }
    platform::IniFile::DropCachedModels();
    const platform::IniFile ini(SettingsFilePath());
    for (const OffsetsField field : {OffsetsField::OffsetA, OffsetsField::OffsetB,
                                     OffsetsField::OffsetC, OffsetsField::SV, OffsetsField::TideHt})
        EXPECT_TRUE(OffsetsNumberStored(ini, field)) << OffsetsNumberName(field);
    EXPECT_FALSE(OffsetsNumberStored(ini, OffsetsField::Location));
}
