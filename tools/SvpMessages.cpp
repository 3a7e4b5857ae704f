#include "tools/SvpMessages.h"

#include "foundation/LanguageManager.h"
#include "platform/VclText.h"

namespace svpmsg {

bool English() { return !g_LanguageManager || g_LanguageManager->FLanguage == "en"; }

std::string SampleOutOfRange(bool english, double sv, int lineNumber) {
    const std::string value = platform::FloatToStr(sv);
    const std::string line = std::to_string(lineNumber);
    if (english)
        return "Value exceeds SV range! Please correct " + value + " value at line " + line +
               " in source file. This line will be skipped.";
    return "Bu değer belkenen ses hızı aralığında değl! Ses hızı " + value +
           "'nin bulunduğu satır " + line + " kullanılmayacaktır.";
}

std::string ZeroDepthBlank(bool english) {
    if (english)
        return "SV value at 0 depth cannot be blank. Consider manually adding a value for 0 "
               "depth.\nExample 0,1500.";
    return "Ses hızı profilinin başlangıcı olan 0 derinlik ve buna ait ses hızı boş olamaz. Bu "
           "değeri kendiniz doldurup yeniden deneyiniz.\nÖrnek: 0,1500.00";
}

std::string ColumnOutOfRange(bool english, int depth) {
    const std::string k = std::to_string(depth);
    if (english) return "SV value at " + k + " is out of range. Please check, correct retry.";
    return "Sıra " + k + " ses hızı değeri hatalı. Lütfen kontrol edin, düzeltin ve tekrar deneyin";
}

std::string ColumnEmpty(bool english) {
    if (english) return "SVP Column is empty. Please load or create an SVP profile first.";
    return "SVP Sütunu boş. Lütfen önce bir SVP profili yükleyin veya oluşturun.";
}

std::string ProfileUsedCaption(bool english) {
    return english ? "SVP Profile Used" : "Ses Hızı Profili Devrede";
}

std::string SingleSvCaption(bool english) {
    return english ? "Single SV Used" : "Tek Ses Hızı Değeri";
}

std::string AutoDetected(bool english, const TSvpDetectedFormat& found) {
    const std::string delimiter =
        found.delimiter == '\t' ? std::string("TAB") : std::string(1, found.delimiter);
    const char* labels[6] = {"Auto-detected format:\n", "- Header at line: ",  "- Delimiter: ",
                             "- SV column: ",           "- Pressure column: ", "- Search string: "};
    const char* turkish[6] = {"Otomatik algilanan format:\n",
                              "- Baslik satiri: ",
                              "- Ayirici: ",
                              "- SV sutunu: ",
                              "- Basinc sutunu: ",
                              "- Arama dizesi: "};
    const char* const* l = english ? labels : turkish;
    return std::string(l[0]) + l[1] + std::to_string(found.headerLine) + "\n" + l[2] + delimiter +
           "\n" + l[3] + std::to_string(found.svColumn + 1) + "\n" + l[4] +
           std::to_string(found.depthColumn + 1) + "\n" + l[5] + found.format;
}

std::string FormatRefused(const std::string& why) {
    return "The format identifier cannot be used: " + why + ".";
}

}  // namespace svpmsg
