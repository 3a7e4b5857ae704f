#include "navigation/PlacemarkReader.h"

#include <zip.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>

#include "platform/TextCodec.h"
#include "platform/TextFiles.h"
#include "platform/VclText.h"

namespace {

// The text between the first `open` at or after `from` and the next
// `close`; false when either is missing. `next` is set past `close`.
bool Between(std::string_view text, std::string_view open, std::string_view close, size_t from,
             std::string_view& inner, size_t& next) {
    const size_t start = text.find(open, from);
    if (start == std::string_view::npos) return false;
    const size_t begin = start + open.size();
    const size_t end = text.find(close, begin);
    if (end == std::string_view::npos) return false;
    inner = text.substr(begin, end - begin);
    next = end + close.size();
    return true;
}

std::string_view TrimControls(std::string_view text) {
    while (!text.empty() && static_cast<unsigned char>(text.front()) <= 0x20) text.remove_prefix(1);
    while (!text.empty() && static_cast<unsigned char>(text.back()) <= 0x20) text.remove_suffix(1);
    return text;
}

std::string Lower(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = platform::AsciiLower(c);
    return out;
}

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

std::string Utf16ToUtf8(std::string_view bytes, bool bigEndian) {
    std::string out;
    out.reserve(bytes.size() / 2);
    const size_t n = bytes.size() / 2;
    auto unit = [&](size_t i) {
        const unsigned a = static_cast<unsigned char>(bytes[2 * i]);
        const unsigned b = static_cast<unsigned char>(bytes[2 * i + 1]);
        return static_cast<char32_t>(bigEndian ? (a << 8 | b) : (b << 8 | a));
    };
    for (size_t i = 0; i < n; ++i) {
        char32_t c = unit(i);
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < n && unit(i + 1) >= 0xDC00 &&
            unit(i + 1) <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (unit(i + 1) - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = 0xFFFD;
        }
        platform::AppendUtf8(out, c);
    }
    return out;
}

struct ZipCloser {
    void operator()(zip_t* z) const { zip_discard(z); }
};
struct ZipFileCloser {
    void operator()(zip_file_t* f) const { zip_fclose(f); }
};

}  // namespace

std::string KmlBytesToText(std::string_view bytes) {
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") return platform::DecodeText(bytes.substr(3));
    if (bytes.substr(0, 2) == "\xFF\xFE") return Utf16ToUtf8(bytes.substr(2), false);
    if (bytes.substr(0, 2) == "\xFE\xFF") return Utf16ToUtf8(bytes.substr(2), true);
    return platform::DecodeText(bytes);
}

std::string KmlDecodeText(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (text.compare(i, 9, "<![CDATA[") == 0) {
            const size_t end = text.find("]]>", i + 9);
            const size_t stop = end == std::string_view::npos ? text.size() : end;
            out.append(text.substr(i + 9, stop - i - 9));
            i = end == std::string_view::npos ? text.size() : end + 3;
            continue;
        }
        if (text[i] == '&') {
            const size_t semi = text.find(';', i);
            if (semi != std::string_view::npos && semi - i <= 10) {
                const std::string_view name = text.substr(i + 1, semi - i - 1);
                char32_t c = 0;
                if (name == "amp")
                    c = '&';
                else if (name == "lt")
                    c = '<';
                else if (name == "gt")
                    c = '>';
                else if (name == "quot")
                    c = '"';
                else if (name == "apos")
                    c = '\'';
                else if (name.size() >= 2 && name[0] == '#') {
                    const bool hex = name[1] == 'x' || name[1] == 'X';
                    const std::string_view digits = name.substr(hex ? 2 : 1);
                    char32_t v = 0;
                    bool ok = !digits.empty();
                    for (char d : digits) {
                        int k = -1;
                        if (d >= '0' && d <= '9')
                            k = d - '0';
                        else if (hex && d >= 'a' && d <= 'f')
                            k = d - 'a' + 10;
                        else if (hex && d >= 'A' && d <= 'F')
                            k = d - 'A' + 10;
                        if (k < 0 || v > 0x10FFFF)
                            ok = false;
                        else
                            v = v * (hex ? 16 : 10) + static_cast<char32_t>(k);
                    }
                    if (ok && v > 0 && v <= 0x10FFFF && !(v >= 0xD800 && v <= 0xDFFF)) c = v;
                }
                if (c != 0) {
                    platform::AppendUtf8(out, c);
                    i = semi + 1;
                    continue;
                }
            }
        }
        out += text[i++];
    }
    return out;
}

bool TPlacemarkReader::LoadFromFile(const std::string& path) {
    FPlacemarks.clear();
    FLastError.clear();
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        FLastError = "File not found: " + path;
        return false;
    }
    std::string text;
    if (Lower(std::filesystem::path(path).extension().string()) == ".kmz") {
        text = ExtractKmz(path);
        if (text.empty()) return false;
    } else {
        std::string bytes;
        const platform::FileReadResult read =
            platform::ReadRegularFile(path, bytes, kKmzMaxEntryBytes);
        if (!read.ok()) {
            FLastError = platform::FileReadProblem(path, read);
            return false;
        }
        text = KmlBytesToText(bytes);
    }
    const bool result = ParseKml(text);
    CleanupTemp();
    return result;
}

std::string TPlacemarkReader::ExtractKmz(const std::string& path) {
    std::string archive;
    // A KMZ larger than the entry cap plus its directory is no drawing.
    const platform::FileReadResult read =
        platform::ReadRegularFile(path, archive, kKmzMaxEntryBytes * 2);
    if (!read.ok()) {
        FLastError = platform::FileReadProblem(path, read);
        return {};
    }
    return ExtractKmzBytes(archive);
}

std::string TPlacemarkReader::ExtractKmzBytes(std::string_view archive) {
    const std::string noKml = "No KML file found in KMZ archive";
    const std::string unreadable = "Failed to read extracted KML file";
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* source = zip_source_buffer_create(archive.data(), archive.size(), 0, &error);
    if (!source) {
        zip_error_fini(&error);
        FLastError = noKml;
        return {};
    }
    std::unique_ptr<zip_t, ZipCloser> zip(zip_open_from_source(source, ZIP_RDONLY, &error));
    zip_error_fini(&error);
    if (!zip) {
        zip_source_free(source);
        FLastError = noKml;
        return {};
    }
    // Only top-level entries count; names with a folder (also "../x.kml")
    // are never taken.
    zip_int64_t chosen = -1;
    std::string chosenKey;
    const zip_int64_t count = zip_get_num_entries(zip.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* raw = zip_get_name(zip.get(), static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
        if (!raw) continue;
        const std::string name = Lower(raw);
        if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos) continue;
        if (name == "doc.kml") {
            chosen = i;
            break;
        }
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".kml") == 0 &&
            (chosen < 0 || name < chosenKey)) {
            chosen = i;
            chosenKey = name;
        }
    }
    if (chosen < 0) {
        FLastError = noKml;
        return {};
    }
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(zip.get(), static_cast<zip_uint64_t>(chosen), 0, &stat) != 0 ||
        ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE) ||
        ((stat.valid & ZIP_STAT_SIZE) && stat.size > kKmzMaxEntryBytes)) {
        FLastError = unreadable;
        return {};
    }
    std::unique_ptr<zip_file_t, ZipFileCloser> file(
        zip_fopen_index(zip.get(), static_cast<zip_uint64_t>(chosen), 0));
    if (!file) {
        FLastError = unreadable;
        return {};
    }
    // The stated size may lie: read in blocks and stop past the cap.
    std::string bytes;
    char block[65536];
    for (;;) {
        const zip_int64_t got = zip_fread(file.get(), block, sizeof block);
        if (got < 0 || bytes.size() + static_cast<size_t>(got) > kKmzMaxEntryBytes) {
            FLastError = unreadable;
            return {};
        }
        if (got == 0) break;
        bytes.append(block, static_cast<size_t>(got));
    }
    std::string text = KmlBytesToText(bytes);
    if (text.empty()) FLastError = unreadable;
    return text;
}

bool TPlacemarkReader::ParseKml(std::string_view text) {
    FPlacemarks.clear();
    FLastError.clear();
    if (text.empty()) {
        FLastError = "Empty KML content";
        return false;
    }
    std::string_view body;
    for (size_t at = 0, next = 0; Between(text, "<Placemark>", "</Placemark>", at, body, next);
         at = next) {
        TPlacemark placemark;
        std::string_view inner;
        size_t unused;
        if (Between(body, "<name>", "</name>", 0, inner, unused))
            placemark.Name = std::string(TrimControls(KmlDecodeText(inner)));
        if (Between(body, "<description>", "</description>", 0, inner, unused))
            placemark.Description = std::string(TrimControls(KmlDecodeText(inner)));
        ParseGeometries(body, placemark);
        if (!placemark.Geometries.empty()) FPlacemarks.push_back(std::move(placemark));
    }
    return !FPlacemarks.empty();
}

void TPlacemarkReader::ParseGeometries(std::string_view body, TPlacemark& placemark) {
    static constexpr struct {
        std::string_view open, close;
        int type;
    } kinds[] = {{"<Point>", "</Point>", 0},
                 {"<LineString>", "</LineString>", 1},
                 {"<Polygon>", "</Polygon>", 2}};
    for (const auto& kind : kinds) {
        std::string_view element;
        for (size_t at = 0, next = 0; Between(body, kind.open, kind.close, at, element, next);
             at = next) {
            std::string_view coords;
            size_t unused;
            if (!Between(element, "<coordinates>", "</coordinates>", 0, coords, unused)) continue;
            TPlacemarkGeometry geometry;
            geometry.Type = kind.type;
            ParseCoordinates(coords, geometry.Coords);
            if (!geometry.Coords.empty()) placemark.Geometries.push_back(std::move(geometry));
        }
    }
}

void TPlacemarkReader::ParseCoordinates(std::string_view text,
                                        std::vector<TPlacemarkCoord>& target) {
    for (size_t at = 0; at < text.size();) {
        while (at < text.size() && IsBlank(text[at])) ++at;
        size_t end = at;
        while (end < text.size() && !IsBlank(text[end])) ++end;
        const std::string_view tuple = text.substr(at, end - at);
        at = end;
        const size_t first = tuple.find(',');
        if (tuple.empty() || first == std::string_view::npos) continue;
        const std::string_view lonText = tuple.substr(0, first);
        std::string_view rest = tuple.substr(first + 1);
        const size_t second = rest.find(',');
        const std::string_view latText = rest.substr(0, second);
        const std::string_view altText =
            second == std::string_view::npos ? std::string_view("0") : rest.substr(second + 1);
        const auto lon = platform::ParseFloat(lonText);
        const auto lat = platform::ParseFloat(latText);
        if (!lon || !lat) continue;
        if (*lon == 0 && *lat == 0) continue;
        TPlacemarkCoord c;
        c.Longitude = *lon;
        c.Latitude = *lat;
        c.Altitude = platform::ParseFloat(altText).value_or(0);
        if (FOnProject) FOnProject(c.Latitude, c.Longitude, c.X, c.Y);
        target.push_back(c);
    }
}

void TPlacemarkReader::ProjectAll() {
    if (!FOnProject) return;
    for (TPlacemark& p : FPlacemarks)
        for (TPlacemarkGeometry& g : p.Geometries)
            for (TPlacemarkCoord& c : g.Coords) FOnProject(c.Latitude, c.Longitude, c.X, c.Y);
}

std::vector<TPlacemarkCoord> TPlacemarkReader::GetPoints() const {
    std::vector<TPlacemarkCoord> out;
    for (const TPlacemark& p : FPlacemarks)
        for (const TPlacemarkGeometry& g : p.Geometries)
            if (g.Type == 0) out.insert(out.end(), g.Coords.begin(), g.Coords.end());
    return out;
}

std::vector<std::vector<TPlacemarkCoord>> TPlacemarkReader::GetLines() const {
    std::vector<std::vector<TPlacemarkCoord>> out;
    for (const TPlacemark& p : FPlacemarks)
        for (const TPlacemarkGeometry& g : p.Geometries)
            if (g.Type != 0 && g.Coords.size() >= 2) out.push_back(g.Coords);
    return out;
}

std::vector<TPointD> TPlacemarkReader::GetProjectedPoints() const {
    std::vector<TPointD> out;
    for (const TPlacemarkCoord& c : GetPoints())
        if (c.X != 0 || c.Y != 0) out.push_back({c.X, c.Y});
    return out;
}

std::vector<std::vector<TPointD>> TPlacemarkReader::GetProjectedLines() const {
    std::vector<std::vector<TPointD>> out;
    for (const auto& line : GetLines()) {
        std::vector<TPointD> points;
        for (const TPlacemarkCoord& c : line)
            if (c.X != 0 || c.Y != 0) points.push_back({c.X, c.Y});
        if (points.size() >= 2) out.push_back(std::move(points));
    }
    return out;
}
