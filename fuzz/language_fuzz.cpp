// The language file reader and writer on arbitrary bytes: they must never
// crash; text that reads as a file must be written and read back to the same
// pairs; a missed key must reach "missing.log" as exactly one line, once.
// The file texts are read and written in memory; only "missing.log" lies in
// the scratch folder kept for the whole run.
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "foundation/LanguageManager.h"
#include "fuzz/FuzzScratch.h"
#include "platform/TextFiles.h"

namespace {

void Check(bool condition) {
    if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string folder = fuzz::ScratchFolder("language") + "Languages/";
    const std::string input(reinterpret_cast<const char*>(data), size);

    std::map<std::string, std::string> loaded;
    if (ReadLanguageText(input, loaded) == TLanguageLoad::Loaded) {
        std::map<std::string, std::string> again;
        Check(ReadLanguageText(LanguageFileText(loaded), again) == TLanguageLoad::Loaded);
        Check(again == loaded);
    }

    // The input itself as a key that has no translation.
    std::error_code ec;
    TLanguageManager manager(folder);
    std::filesystem::remove(manager.MissingLogPath(), ec);
    manager.SetLanguage("none");
    (void)manager.Translate(input);
    (void)manager.Translate(input);
    std::string log;
    platform::ReadFile(manager.MissingLogPath(), log);
    Check(log == EscapeMissingKey(input) + "\r\n");

    // The pairs read as the current language, translated both ways (a key
    // without a translation would only reach the log again).
    manager.FTexts = loaded;
    manager.RebuildReverseMap();
    for (const auto& [key, translation] : loaded) {
        if (translation.empty()) continue;
        Check(!manager.Translate(key).empty());
        Check(!manager.Translate(translation).empty());
    }
    return 0;
}
