// The settings reader on arbitrary bytes: it must never crash, a value it
// writes must read back, and rewriting the file must not change what any
// other key reads, once the rewritten file is read again from the disk. One
// file in the scratch folder is rewritten for every input.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "fuzz/FuzzScratch.h"
#include "platform/IniFile.h"
#include "platform/TextFiles.h"
#include "platform/VclText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = fuzz::ScratchFolder("ini") + "settings.ini";
    platform::IniFile::DropCachedModels();
    platform::WriteFileAtomic(path, std::string(reinterpret_cast<const char*>(data), size));
    std::vector<std::tuple<std::string, std::string, std::string>> before;
    {
        platform::IniFile ini(path);
        for (const auto& section : ini.ReadSections()) {
            if (platform::SameText(section, "FUZZ")) continue;
            for (const auto& key : ini.ReadSection(section)) {
                before.emplace_back(section, key, ini.ReadString(section, key, ""));
                (void)ini.ReadInteger(section, key, 0);
                (void)ini.ReadFloat(section, key, 0);
            }
        }
        ini.WriteString("FUZZ", "Key", "value");
        if (ini.ReadString("FUZZ", "Key", "") != "value") std::abort();
    }
    platform::IniFile::DropCachedModels();
    platform::IniFile reread(path);
    if (reread.ReadString("FUZZ", "Key", "") != "value") std::abort();
    for (const auto& [section, key, value] : before)
        if (reread.ReadString(section, key, "") != value) std::abort();
    return 0;
}
