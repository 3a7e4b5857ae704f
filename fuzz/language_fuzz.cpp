// The language file reader and writer on arbitrary bytes: they must never
// crash; a file that loads must save and read back to the same pairs; a
// missed key must reach "missing.log" as exactly one line, once.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>

#include "foundation/LanguageManager.h"
#include "platform/TextFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string folder =
        "/tmp/phx_language_fuzz_" + std::to_string(getpid()) + "/Languages/";
    const std::string input(reinterpret_cast<const char*>(data), size);
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
    std::filesystem::create_directories(folder, ec);
    platform::WriteFileAtomic(folder + "tr.json", input);

    TLanguageManager manager(folder);
    std::map<std::string, std::string> loaded;
    const TLanguageLoad load = manager.LoadLanguageFile("tr", loaded);
    manager.SetLanguage("tr");
    for (const std::string& key : manager.GetKeys()) {
        (void)manager.Translate(key);
        (void)manager.Translate(manager.GetTranslation("tr", key));
    }
    const TSaveLanguageResult saved = manager.SaveLanguage("tr");
    if ((load == TLanguageLoad::Failed) != (saved == TSaveLanguageResult::FileNotLoaded))
        std::abort();
    if (saved == TSaveLanguageResult::Saved) {
        std::map<std::string, std::string> again;
        if (manager.LoadLanguageFile("tr", again) != TLanguageLoad::Loaded) std::abort();
        if (again != manager.FTexts) std::abort();
    }

    // The input itself as a key that has no translation.
    std::filesystem::remove(manager.MissingLogPath(), ec);
    TLanguageManager fresh(folder);
    fresh.SetLanguage("none");
    (void)fresh.Translate(input);
    (void)fresh.Translate(input);
    std::string log;
    platform::ReadFile(fresh.MissingLogPath(), log);
    if (log != EscapeMissingKey(input) + "\r\n") std::abort();

    std::filesystem::remove_all(folder, ec);
    return 0;
}
