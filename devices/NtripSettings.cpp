#include "devices/NtripSettings.h"

#include <iterator>

#include "platform/IniFile.h"
#include "platform/VclText.h"

namespace devices {

NtripSettings ReadNtripSettings(const platform::IniFile& ini) {
    const NtripSettings d;
    NtripSettings s;
    s.server = ini.ReadString(kNtripSection, "Server", d.server);
    s.port = ini.ReadString(kNtripSection, "Port", d.port);
    s.username = ini.ReadString(kNtripSection, "Username", d.username);
    s.password = ini.ReadString(kNtripSection, "Password", d.password);
    s.mountPoint = ini.ReadString(kNtripSection, "MountPoint", d.mountPoint);
    s.useManualPosition = ini.ReadBool(kNtripSection, "UseManualPosition", d.useManualPosition);
    s.latitude = ini.ReadString(kNtripSection, "Latitude", d.latitude);
    s.longitude = ini.ReadString(kNtripSection, "Longitude", d.longitude);
    s.outputPort = ini.ReadString(kNtripSection, "OutputPort", d.outputPort);
    s.outputBaud = ini.ReadInteger(kNtripSection, "OutputBaud", d.outputBaud);
    s.outputEnabled = ini.ReadBool(kNtripSection, "OutputEnabled", d.outputEnabled);
    s.autoConnect = ini.ReadBool(kNtripSection, "AutoConnect", d.autoConnect);
    return s;
}

bool WriteNtripSettings(platform::IniFile& ini, const NtripSettings& s) {
    platform::IniFile::Batch batch(ini);
    bool ok = ini.WriteString(kNtripSection, "Server", s.server);
    ok &= ini.WriteString(kNtripSection, "Port", s.port);
    ok &= ini.WriteString(kNtripSection, "Username", s.username);
    ok &= ini.WriteString(kNtripSection, "Password", s.password);
    ok &= ini.WriteString(kNtripSection, "MountPoint", s.mountPoint);
    ok &= ini.WriteBool(kNtripSection, "UseManualPosition", s.useManualPosition);
    ok &= ini.WriteString(kNtripSection, "Latitude", s.latitude);
    ok &= ini.WriteString(kNtripSection, "Longitude", s.longitude);
    ok &= ini.WriteString(kNtripSection, "OutputPort", s.outputPort);
    ok &= ini.WriteInteger(kNtripSection, "OutputBaud", s.outputBaud);
    ok &= ini.WriteBool(kNtripSection, "OutputEnabled", s.outputEnabled);
    ok &= ini.WriteBool(kNtripSection, "AutoConnect", s.autoConnect);
    return batch.Commit() && ok;
}

int OutputBaudRate(int index) {
    constexpr int count = static_cast<int>(std::size(kOutputBaudRates));
    return index >= 0 && index < count ? kOutputBaudRates[index] : 115200;
}

std::optional<NtripStatusCaptions> CaptionsForStatus(int32_t status) {
    switch (status) {
        case 0:
            return NtripStatusCaptions{"Connect", "Plovan NTRIP Client - Disconnected"};
        case 1:
            return NtripStatusCaptions{"Connecting...", "Plovan NTRIP Client - Connecting..."};
        case 2:
            return NtripStatusCaptions{"Disconnect", "Plovan NTRIP Client - Connected"};
        case 3:
            return NtripStatusCaptions{"Disconnect", "Plovan NTRIP Client - Receiving Data"};
        case 4:
            return NtripStatusCaptions{"Connect", "Plovan NTRIP Client - Error"};
        default:
            return std::nullopt;
    }
}

std::string ByteCountText(int64_t bytes) {
    return platform::FormatFloat("###,###,###,##0", static_cast<double>(bytes));
}

int ProgressPosition(int64_t bytesReceived) {
    if (bytesReceived < 0) return 0;
    return static_cast<int>((bytesReceived % 5000) / 50);
}

}  // namespace devices
