// Test-side RTCM 3 frames: a big-endian bit writer and the frame around a
// payload (preamble, length, CRC-24Q), to make frames the captures lack.
#pragma once

#include <cmath>
#include <cstdint>
#include <string>

#include "devices/Rtcm3.h"

namespace phxtest {

class BitWriter {
  public:
    BitWriter& Put(std::uint64_t value, int bits) {
        for (int i = bits - 1; i >= 0; --i) {
            if (bit_ % 8 == 0) bytes_.push_back('\0');
            if ((value >> i) & 1)
                bytes_.back() = static_cast<char>(bytes_.back() | (0x80 >> (bit_ % 8)));
            ++bit_;
        }
        return *this;
    }
    BitWriter& PutSigned(std::int64_t value, int bits) {
        return Put(static_cast<std::uint64_t>(value) & ((std::uint64_t{1} << bits) - 1), bits);
    }
    BitWriter& PutText(const std::string& text) {
        for (char c : text) Put(static_cast<unsigned char>(c), 8);
        return *this;
    }
    const std::string& Bytes() const { return bytes_; }

  private:
    std::string bytes_;
    std::size_t bit_ = 0;
};

// The whole frame around `payload`; `corruptCrc` flips the CRC's last bit.
inline std::string RtcmFrame(const std::string& payload, bool corruptCrc = false) {
    std::string frame;
    frame += static_cast<char>(0xD3);
    frame += static_cast<char>((payload.size() >> 8) & 0x03);
    frame += static_cast<char>(payload.size() & 0xFF);
    frame += payload;
    std::uint32_t crc =
        rtcm3::Crc24q(reinterpret_cast<const std::uint8_t*>(frame.data()), frame.size());
    if (corruptCrc) crc ^= 1;
    frame += static_cast<char>(crc >> 16);
    frame += static_cast<char>((crc >> 8) & 0xFF);
    frame += static_cast<char>(crc & 0xFF);
    return frame;
}

// A 1005 (or, with an antenna height, 1006) payload for ECEF metres.
inline std::string StationPayload(int station, double x, double y, double z, int number = 1005,
                                  double antennaHeight = 0, bool nonPhysical = false,
                                  int itrfYear = 0) {
    BitWriter w;
    w.Put(number, 12).Put(station, 12).Put(itrfYear, 6).Put(1, 1).Put(0, 1).Put(0, 1);
    w.Put(nonPhysical ? 1 : 0, 1).PutSigned(std::llround(x * 10000), 38).Put(0, 2);
    w.PutSigned(std::llround(y * 10000), 38).Put(0, 2).PutSigned(std::llround(z * 10000), 38);
    if (number == 1006) w.Put(std::llround(antennaHeight * 10000), 16);
    return w.Bytes();
}

// A payload that carries only a message number (and `extra` zero bytes).
inline std::string NumberPayload(int number, int extra = 4) {
    BitWriter w;
    w.Put(number, 12).Put(0, 4);
    for (int i = 0; i < extra; ++i) w.Put(0, 8);
    return w.Bytes();
}

}  // namespace phxtest
