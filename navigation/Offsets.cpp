#include "navigation/Offsets.h"

#include <cmath>

#include "foundation/DayPaths.h"
#include "platform/IniFile.h"
#include "platform/ScanFormat.h"
#include "platform/VclText.h"

namespace {

constexpr const char* kSection = "ECHOSOUNDER_OFFSETS";
// The antenna offset must match draft plus height to this, in metres; the
// slack keeps an exact 0.025 passing whatever the binary rounding of the
// three texts.
constexpr double kOffsetTolerance = 0.025;
constexpr double kRoundingSlack = 1e-9;

struct Message {
    const char* english;
    const char* turkish;
};

const Message kNotANumber[] = {
    {"Failed! Recheck offset A", "Başarısız! A değerini yeniden kontrol ediniz."},
    {"Failed! Recheck offset B", "Başarısız! B değerini yeniden kontrol ediniz."},
    {"Failed! Recheck offset C", "Başarısız! C değerini yeniden kontrol ediniz."},
    {"Failed! Recheck SV value", "Başarısız! SV/SH değerini yeniden kontrol ediniz."},
    {"Failed! Recheck tide height", "Başarısız! Su kotunu kontrol ediniz."},
};
const Message kEmpty[] = {
    {"Failed! Location cannot be missing", "Başarısız! Yer adı boş olamaz"},
    {"Failed! Name/type of survey boat cannot be missing",
     "Başarısız! Ölçme aracının adı boş olamaz"},
    {"Failed! Name of surveyor cannot be missing", "Başarısız! Öçen kişinin adı boş olamaz"},
};
const Message kDisagree = {"Measurements contains error: A + C must be close enough to B.",
                           "Ölçümlerde hata var: A + C toplamı B değerine yakın olması gerekir"};
const Message kSVRange = {"Error in Sound Velocity (SV) value", "SV/SE değerinde hata var"};
const Message kClock = {
    "Time format does not fit requirements. The date and time fromat must be YYYY-DD-MM "
    "HHmmssfff",
    "Tarih ve saat formatı gereksinimleri karşılamıyor. Bilgisayar tarih ve zaman formatının "
    "YYYY-DD-MM HHmmssfff olduguna emin olunuz."};
const Message kLogFailed = {"The offsets log could not be written: ",
                            "Ofset kayıt dosyası yazılamadı: "};

std::string Say(const Message& m, const std::string& language) {
    return IsEnglish(language) ? m.english : m.turkish;
}

bool IsNumber(const std::string& text) {
    double value = 0;
    return platform::ScanDouble(text, value);
}

}  // namespace

bool IsEnglish(const std::string& languageCode) { return languageCode == "en"; }

OffsetsCheckResult CheckOffsets(const OffsetsTexts& t, const std::string& language) {
    const struct {
        const std::string& text;
        OffsetsCheck check;
        OffsetsField field;
    } numbers[] = {
        {t.OffsetA, OffsetsCheck::OffsetANotANumber, OffsetsField::OffsetA},
        {t.OffsetB, OffsetsCheck::OffsetBNotANumber, OffsetsField::OffsetB},
        {t.OffsetC, OffsetsCheck::OffsetCNotANumber, OffsetsField::OffsetC},
        {t.SV, OffsetsCheck::SVNotANumber, OffsetsField::SV},
        {t.TideHt, OffsetsCheck::TideNotANumber, OffsetsField::TideHt},
    };
    for (size_t i = 0; i < std::size(numbers); ++i)
        if (!IsNumber(numbers[i].text))
            return {numbers[i].check, Say(kNotANumber[i], language), numbers[i].field};

    const struct {
        const std::string& text;
        OffsetsCheck check;
        OffsetsField field;
    } names[] = {
        {t.Location, OffsetsCheck::LocationEmpty, OffsetsField::Location},
        {t.SurveyBoat, OffsetsCheck::BoatEmpty, OffsetsField::SurveyBoat},
        {t.Surveyor, OffsetsCheck::SurveyorEmpty, OffsetsField::Surveyor},
    };
    for (size_t i = 0; i < std::size(names); ++i)
        if (names[i].text.empty())
            return {names[i].check, Say(kEmpty[i], language), names[i].field};

    try {
        const double c = platform::StrToFloat(t.OffsetC);
        const double a = platform::StrToFloat(t.OffsetA);
        const double b = platform::StrToFloat(t.OffsetB);
        if (std::fabs(c + a - b) > kOffsetTolerance + kRoundingSlack)
            return {OffsetsCheck::OffsetsDisagree, Say(kDisagree, language), OffsetsField::OffsetA};
        const double sv = platform::StrToFloat(t.SV);
        if (sv > 1700 || sv < 1300)
            return {OffsetsCheck::SVOutOfRange, Say(kSVRange, language), OffsetsField::SV};
    } catch (const platform::EConvertError& e) {
        return {OffsetsCheck::Conversion, e.what(), OffsetsField::None};
    }
    return {};
}

std::string ClockFormatWarning(const std::string& clockText, const std::string& language) {
    if (clockText.find(':') == std::string::npos) return {};
    return Say(kClock, language);
}

std::string OffsetsLogBlock(const OffsetsTexts& t, const std::string& clockText, bool profileUsed,
                            const std::string& language) {
    if (IsEnglish(language)) {
        const std::string sv = profileUsed ? "Sound velocity profile used" : t.SV;
        return "\n\nPlovan Survey Desk - offsets essential for post processing"
               "\nTime..............................\t=" +
               clockText + "\nSurvey Location...................\t=" + t.Location +
               "\nSurvey Boat.......................\t=" + t.SurveyBoat +
               "\nTransducer Draft (A)..............\t=" + t.OffsetA + "\n" +
               "Transducer - Antenna Offset (B)...\t=" + t.OffsetB + "\n" +
               "Antenna Height Above Water (C)....\t=" + t.OffsetC + "\n" +
               "Sound Velocity....................\t=" + sv + "\n" +
               "Tide Height.......................\t=" + t.TideHt + "\n" +
               "Surveyor..........................\t=" + t.Surveyor;
    }
    const std::string sv = profileUsed ? "Ses hızı profili kullanıldı" : t.SV;
    return "\n\nPlovan Olcum Masasi - veri işleme için gerekli değerler"
           "\nZaman.......................................\t=" +
           clockText + "\nYer.........................................\t=" + t.Location +
           "\nÖlçme botu..................................\t=" + t.SurveyBoat +
           "\nTransduser su kesimi (A)....................\t=" + t.OffsetA + "\n" +
           "Transduser ile GPS anteni arası mesafe (B)..\t=" + t.OffsetB + "\n" +
           "Sudan antene olan mesafe (C)................\t=" + t.OffsetC + "\n" +
           "Ses hızı....................................\t=" + sv + "\n" +
           "Su kotu.....................................\t=" + t.TideHt + "\n" +
           "Ölçen.......................................\t=" + t.Surveyor;
}

std::string OffsetsLogPath() { return g_LogDir + DateStamp() + " Offsets.log"; }

std::string OffsetsLogFailedMessage(const std::string& path, const std::string& language) {
    return Say(kLogFailed, language) + path;
}

std::string OffsetsNumberName(OffsetsField field) {
    switch (field) {
        case OffsetsField::OffsetA:
            return "Offset A";
        case OffsetsField::OffsetB:
            return "Offset B";
        case OffsetsField::OffsetC:
            return "Offset C";
        case OffsetsField::SV:
            return "SV";
        case OffsetsField::TideHt:
            return "Tide Height";
        default:
            return {};
    }
}

std::string OffsetsExitMessage(OffsetsField field, const std::string& text, bool stored) {
    if (text.empty() && !stored) return {};
    try {
        platform::StrToFloat(text);
        return {};
    } catch (const platform::EConvertError& e) {
        return OffsetsNumberName(field) + ": " + e.what();
    }
}

bool OffsetsNumberStored(const platform::IniFile& ini, OffsetsField field) {
    const std::string name = OffsetsNumberName(field);
    return !name.empty() && ini.ValueExists(kSection, name);
}

OffsetsTexts ReadOffsetsSettings(const platform::IniFile& ini) {
    OffsetsTexts t;
    t.OffsetA = ini.ReadString(kSection, "Offset A", "");
    t.OffsetB = ini.ReadString(kSection, "Offset B", "");
    t.OffsetC = ini.ReadString(kSection, "Offset C", "");
    t.SV = ini.ReadString(kSection, "SV", "");
    t.TideHt = ini.ReadString(kSection, "Tide Height", "");
    t.Surveyor = ini.ReadString(kSection, "Surveyor", "");
    t.SurveyBoat = ini.ReadString(kSection, "SurveyBoat", "");
    t.Location = ini.ReadString(kSection, "SurveyLocation", "");
    return t;
}

void WriteOffsetsSettings(platform::IniFile& ini, const OffsetsTexts& t,
                          const std::string& clockText) {
    platform::IniFile::Batch batch(ini);
    ini.WriteString(kSection, "Offset A     ", t.OffsetA);
    ini.WriteString(kSection, "Offset B     ", t.OffsetB);
    ini.WriteString(kSection, "Offset C     ", t.OffsetC);
    ini.WriteString(kSection, "SV           ", t.SV);
    ini.WriteString(kSection, "Tide Height  ", t.TideHt);
    ini.WriteString(kSection, "Time         ", clockText);
    ini.WriteString(kSection, "Surveyor     ", t.Surveyor);
    ini.WriteString(kSection, "SurveyBoat   ", t.SurveyBoat);
    ini.WriteString(kSection, "SurveyLocation", t.Location);
}
