// The settings reader on arbitrary bytes: it must never crash, and a value it
// writes must read back.
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/IniFile.h"
#include "platform/TextFiles.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/phx_ini_fuzz_" + std::to_string(getpid()) + ".ini";
    platform::IniFile::DropCachedModels();
    platform::WriteFileAtomic(path, std::string(reinterpret_cast<const char*>(data), size));
    platform::IniFile ini(path);
    for (const auto& section : ini.ReadSections())
        for (const auto& key : ini.ReadSection(section)) {
            (void)ini.ReadString(section, key, "");
            (void)ini.ReadInteger(section, key, 0);
            (void)ini.ReadFloat(section, key, 0);
        }
    ini.WriteString("FUZZ", "Key", "value");
    if (ini.ReadString("FUZZ", "Key", "") != "value") std::abort();
    ::unlink(path.c_str());
    return 0;
}
