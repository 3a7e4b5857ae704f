// The RTCM 3 scanner, decoders and report on arbitrary bytes: no read out of
// bounds, every frame taken has a valid CRC, frames never overlap, and no
// report line holds a control character. The first eight bytes also choose
// the vessel position of the report.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "devices/Rtcm3.h"
#include "devices/RtcmReport.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    size_t end = 0;
    rtcm3::ScanFrames(bytes, [&](const rtcm3::Frame& frame) {
        if (frame.offset < end || frame.offset + frame.size > bytes.size()) std::abort();
        const auto* start = data + frame.offset;
        const std::uint32_t crc = (std::uint32_t{start[frame.size - 3]} << 16) |
                                  (std::uint32_t{start[frame.size - 2]} << 8) |
                                  start[frame.size - 1];
        if (rtcm3::Crc24q(start, frame.size - 3) != crc) std::abort();
        if (frame.payload.size() + 6 != frame.size) std::abort();
        end = frame.offset + frame.size;
        rtcm3::DecodeStationPosition(frame);
        rtcm3::DecodeDescriptors(frame);
    });

    rtcm3::ReportInput in;
    in.raw = bytes;
    if (size >= 8) {
        std::int32_t lat, lon;
        std::memcpy(&lat, data, 4);
        std::memcpy(&lon, data + 4, 4);
        in.latitude = lat % 90000000 / 1e6;
        in.longitude = lon % 180000000 / 1e6;
    }
    for (const std::string& line : rtcm3::BuildReport(in).lines)
        for (char c : line)
            if (static_cast<unsigned char>(c) < 0x20) std::abort();
    return 0;
}
