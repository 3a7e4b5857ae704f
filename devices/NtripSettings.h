// The NTRIP settings window's section "NTRIP" of the settings file, and the
// small rules of that window that need no widgets: the output baud rate by
// list index, the status captions, the byte counter texts.
//
// The section holds twelve keys, written in this order: "Server", "Port",
// "Username", "Password" (in clear), "MountPoint", "UseManualPosition",
// "Latitude", "Longitude", "OutputPort", "OutputBaud", "OutputEnabled",
// "AutoConnect". Booleans are stored as "1"/"0" and read as integers, any
// value other than 0 being true.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace platform {
class IniFile;
}

namespace devices {

struct NtripSettings {
    std::string server;  // no public caster is named by default
    std::string port = "2101";
    std::string username, password;
    std::string mountPoint;
    bool useManualPosition = false;
    std::string latitude = "0.0", longitude = "0.0";
    std::string outputPort;  // text of the chosen output port item
    int outputBaud = 5;      // index into kOutputBaudRates
    bool outputEnabled = false;
    bool autoConnect = false;
};

inline constexpr const char* kNtripSection = "NTRIP";

NtripSettings ReadNtripSettings(const platform::IniFile& ini);
// The twelve keys in one write of the file; false when it could not be
// written.
bool WriteNtripSettings(platform::IniFile& ini, const NtripSettings& settings);

// 4800, 9600, 19200, 38400, 57600, 115200 for index 0..5; any other index
// (none chosen, or beyond the list) gives 115200.
inline constexpr int kOutputBaudRates[] = {4800, 9600, 19200, 38400, 57600, 115200};
int OutputBaudRate(int index);

// The connect button's and the window's captions for a client status
// (0..4); std::nullopt for any other value, which changes nothing.
struct NtripStatusCaptions {
    const char* button;
    const char* window;
};
std::optional<NtripStatusCaptions> CaptionsForStatus(int32_t status);

// "1,234,567": a byte counter with ',' between digit groups.
std::string ByteCountText(int64_t bytes);
// The progress bar's position 0..99: it fills once per 5000 received bytes.
int ProgressPosition(int64_t bytesReceived);

}  // namespace devices
