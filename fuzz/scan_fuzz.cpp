// The restricted scanner on an arbitrary format and line (the input up to
// its first newline is the format, the rest the line). It must never crash;
// an invalid format scans nothing; a valid one delivers at most its stored
// conversions, of their kinds, with finite numbers. Every valid format with
// at most four stored conversions is also run through the C library, with
// string buffers as long as the line or the widest directive (no conversion
// can outgrow them), and the two must agree, except where the scanner
// differs on purpose: nan, inf and hex numbers, numbers out of range,
// integers that overflow, and a %Nc that finds fewer than N characters (glibc stores the part; the
// scanner, as the C standard reads, fails the conversion).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "platform/ScanFormat.h"

namespace {

using platform::ScanField;
using platform::ScanFormat;
using platform::ScanKind;

constexpr size_t kMaxOracleFields = 4;

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Texts where the scanner refuses what the C library reads.
bool HasDeliberateDifference(std::string_view format, std::string_view line) {
    int digitRun = 0;
    for (size_t i = 0; i < line.size(); ++i) {
        const char c = line[i];
        if (c != '\0' && std::strchr("nNiIxXpP", c))
            return true;  // nan, inf, hex (and its exponent)
        digitRun = IsDigit(c) ? digitRun + 1 : 0;
        if (digitRun >= 10) return true;  // an int that may overflow
    }
    // A %c of more than one character.
    for (size_t i = 0; i + 1 < format.size(); ++i) {
        if (format[i] != '%') continue;
        size_t at = i + 1;
        if (format[at] == '%') {
            i = at;
            continue;
        }
        if (format[at] == '*') ++at;
        size_t width = 0;
        while (at < format.size() && IsDigit(format[at]))
            width = std::min<size_t>(width * 10 + size_t(format[at++] - '0'), 1 << 20);
        if (at < format.size() && format[at] == 'c' && width > 1) return true;
    }
    return false;
}

// The largest width any directive of `format` can name (every digit run
// counts), so the C library's buffers can be sized for it.
size_t LargestWidth(std::string_view format) {
    size_t largest = 0, run = 0;
    for (const char c : format) {
        run = (c >= '0' && c <= '9') ? std::min<size_t>(run * 10 + size_t(c - '0'), 1 << 20) : 0;
        largest = std::max(largest, run);
    }
    return largest;
}
constexpr size_t kMaxOracleWidth = 4096;

struct OracleValue {
    double number = 0;
    float single = 0;
    int integer = 0;
    std::string text;
};

// The C library's result for a format the scanner accepted; false when its
// values fall under a deliberate difference.
bool CScan(const std::string& format, const std::string& line, const std::vector<ScanKind>& kinds,
           int& count, std::vector<OracleValue>& values) {
    values.assign(kMaxOracleFields, {});
    // No conversion stores more than the line holds or its width allows.
    const size_t room = std::max(line.size(), LargestWidth(format)) + 2;
    std::vector<std::vector<char>> buffers(kMaxOracleFields, std::vector<char>(room, '\0'));
    void* args[kMaxOracleFields] = {};
    for (size_t k = 0; k < kMaxOracleFields; ++k) {
        if (k >= kinds.size()) {
            args[k] = buffers[k].data();
            continue;
        }
        switch (kinds[k]) {
            case ScanKind::Double:
                args[k] = &values[k].number;
                break;
            case ScanKind::Float:
                args[k] = &values[k].single;
                break;
            case ScanKind::Int:
                args[k] = &values[k].integer;
                break;
            default:
                args[k] = buffers[k].data();
                break;
        }
    }
    // The format was compiled and accepted by the scanner above; the fuzz
    // build alone hands such a format to the C library, as its oracle.
    count = std::sscanf(line.c_str(), format.c_str(), args[0], args[1], args[2], args[3]);
    for (int k = 0; k < count; ++k) {
        const ScanKind kind = kinds[static_cast<size_t>(k)];
        if (kind == ScanKind::Double && !std::isfinite(values[k].number)) return false;
        if (kind == ScanKind::Float && !std::isfinite(values[k].single)) return false;
        if (kind == ScanKind::String || kind == ScanKind::Set) values[k].text = buffers[k].data();
        if (kind == ScanKind::Char) values[k].text.assign(buffers[k].data());
    }
    return true;
}

bool SameFloat(double ours, float theirs) {
    const float f = static_cast<float>(ours);
    return f == theirs || std::nextafter(f, theirs) == theirs;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t split = input.find('\n');
    const std::string format(input.substr(0, split));
    const std::string line(split == std::string_view::npos ? "" : input.substr(split + 1));

    const ScanFormat compiled =
        ScanFormat::Compile(format, {ScanKind::Double, ScanKind::Float, ScanKind::Int,
                                     ScanKind::String, ScanKind::Char, ScanKind::Set});
    std::vector<ScanField> fields;
    const int n = compiled.Scan(line, fields);
    if (!compiled.Valid()) {
        if (n != -1 || !fields.empty() || compiled.Error().empty()) std::abort();
        return 0;
    }
    const std::vector<ScanKind>& kinds = compiled.Stored();
    if (n < -1 || n > static_cast<int>(kinds.size())) std::abort();
    if (fields.size() != static_cast<size_t>(n < 0 ? 0 : n)) std::abort();
    for (size_t k = 0; k < fields.size(); ++k) {
        if (fields[k].kind != kinds[k]) std::abort();
        if (!std::isfinite(fields[k].number)) std::abort();
    }

    // The differential run: NUL bytes end the text for both, so neither side
    // sees them; %c texts may hold bytes the C buffer cannot tell apart.
    if (kinds.size() > kMaxOracleFields || format.find('\0') != std::string::npos ||
        line.find('\0') != std::string::npos || HasDeliberateDifference(format, line) ||
        LargestWidth(format) > kMaxOracleWidth)
        return 0;
    int count = 0;
    std::vector<OracleValue> values;
    if (!CScan(format, line, kinds, count, values)) return 0;
    if (count != n) std::abort();
    for (int k = 0; k < n; ++k) {
        const ScanField& f = fields[static_cast<size_t>(k)];
        const OracleValue& v = values[static_cast<size_t>(k)];
        switch (f.kind) {
            case ScanKind::Double:
                if (f.number != v.number) std::abort();
                break;
            case ScanKind::Float:
                if (!SameFloat(f.number, v.single)) std::abort();
                break;
            case ScanKind::Int:
                if (f.integer != v.integer) std::abort();
                break;
            case ScanKind::Char:
                // The C buffer ends at the first NUL the conversion stored.
                if (f.text.compare(0, v.text.size(), v.text) != 0) std::abort();
                break;
            default:
                if (f.text != v.text) std::abort();
                break;
        }
    }
    return 0;
}
