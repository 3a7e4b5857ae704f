#include "navigation/PlacemarkReader.h"

#include <zip.h>

#include <algorithm>
#include <cmath>
#include <deque>
#include <filesystem>
#include <memory>
#include <set>

#include "navigation/KmlMarkup.h"
#include "platform/TextCodec.h"
#include "platform/TextFiles.h"
#include "platform/VclText.h"

namespace {

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

namespace {

// How often, in bytes of markup, a parse reports its progress.
constexpr size_t kProgressStep = size_t{1} << 20;

// One archive opened from bytes in memory; the bytes must outlive it.
class KmzArchive {
  public:
    explicit KmzArchive(std::string_view bytes) {
        zip_error_t error;
        zip_error_init(&error);
        zip_source_t* source = zip_source_buffer_create(bytes.data(), bytes.size(), 0, &error);
        if (source) {
            zip_.reset(zip_open_from_source(source, ZIP_RDONLY, &error));
            if (!zip_) zip_source_free(source);
        }
        zip_error_fini(&error);
    }
    bool IsOpen() const { return zip_ != nullptr; }

    // "doc.kml" in any case, else the first top-level ".kml" entry in
    // case-insensitive name order; names with a folder (also "../x.kml") are
    // never the main entry. -1 when none.
    zip_int64_t MainEntry() const {
        zip_int64_t chosen = -1;
        std::string chosenKey;
        const zip_int64_t count = zip_get_num_entries(zip_.get(), 0);
        for (zip_int64_t i = 0; i < count; ++i) {
            const char* raw =
                zip_get_name(zip_.get(), static_cast<zip_uint64_t>(i), ZIP_FL_ENC_RAW);
            if (!raw) continue;
            const std::string name = Lower(raw);
            if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos)
                continue;
            if (name == "doc.kml") return i;
            if (name.size() > 4 && name.compare(name.size() - 4, 4, ".kml") == 0 &&
                (chosen < 0 || name < chosenKey)) {
                chosen = i;
                chosenKey = name;
            }
        }
        return chosen;
    }

    // The entry of that exact name, or of that name in another case; -1.
    zip_int64_t Find(const std::string& name) const {
        const zip_int64_t exact = zip_name_locate(zip_.get(), name.c_str(), ZIP_FL_ENC_RAW);
        if (exact >= 0) return exact;
        return zip_name_locate(zip_.get(), name.c_str(), ZIP_FL_NOCASE | ZIP_FL_ENC_RAW);
    }

    std::string Name(zip_int64_t index) const {
        const char* raw =
            zip_get_name(zip_.get(), static_cast<zip_uint64_t>(index), ZIP_FL_ENC_RAW);
        return raw ? raw : "";
    }

    // The entry's bytes, at most `budget` of them; false for an encrypted,
    // unreadable or larger entry.
    bool Read(zip_int64_t index, size_t budget, std::string& bytes) const {
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(zip_.get(), static_cast<zip_uint64_t>(index), 0, &stat) != 0 ||
            ((stat.valid & ZIP_STAT_ENCRYPTION_METHOD) && stat.encryption_method != ZIP_EM_NONE) ||
            ((stat.valid & ZIP_STAT_SIZE) && stat.size > budget))
            return false;
        std::unique_ptr<zip_file_t, ZipFileCloser> file(
            zip_fopen_index(zip_.get(), static_cast<zip_uint64_t>(index), 0));
        if (!file) return false;
        // The stated size may lie: read in blocks and stop past the budget.
        bytes.clear();
        char block[65536];
        for (;;) {
            const zip_int64_t got = zip_fread(file.get(), block, sizeof block);
            if (got < 0 || bytes.size() + static_cast<size_t>(got) > budget) return false;
            if (got == 0) return true;
            bytes.append(block, static_cast<size_t>(got));
        }
    }

  private:
    std::unique_ptr<zip_t, ZipCloser> zip_;
};

const char* const kNoKml = "No KML file found in KMZ archive";
const char* const kUnreadable = "Failed to read extracted KML file";

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The geometry elements a placemark may hold, by local name.
struct GeometryKind {
    std::string_view local;
    int type;  // -1: a kind this reader does not take
    const char* reason;
};
constexpr GeometryKind kGeometryKinds[] = {
    {"Point", kPlacemarkPoint, nullptr},
    {"LineString", kPlacemarkLineString, nullptr},
    {"Polygon", kPlacemarkPolygon, nullptr},
    {"LinearRing", kPlacemarkPolygon, nullptr},
    {"Track", -1, "gx:Track"},
    {"MultiTrack", -1, "gx:MultiTrack"},
    {"Model", -1, "Model"},
};

const GeometryKind* FindGeometryKind(std::string_view local) {
    for (const GeometryKind& k : kGeometryKinds)
        if (k.local == local) return &k;
    return nullptr;
}

// The placemarks of one KML text, built from its tags in one pass.
class PlacemarkBuilder {
  public:
    PlacemarkBuilder(TPlacemarkReader& reader, std::string_view text,
                     std::vector<std::string>* links)
        : reader_(reader), text_(text), links_(links) {}

    // False with the reason in `error`.
    bool Run(std::string& error) {
        KmlMarkupScanner scanner(text_);
        KmlTag tag;
        size_t nextReport = kProgressStep;
        while (scanner.Next(tag)) {
            if (tag.kind == KmlTag::Start) {
                Open(tag);
            } else if (tag.kind == KmlTag::Empty) {
                Open(tag);
                CloseTop(tag.end);  // no content
            } else {
                Close(tag);
            }
            if (reader_.FOnProgress && scanner.Position() >= nextReport) {
                nextReport = scanner.Position() + kProgressStep;
                if (!reader_.FOnProgress(scanner.Position(), text_.size())) {
                    error = "Cancelled";
                    return false;
                }
            }
        }
        if (scanner.Truncated() || !open_.empty()) {
            error = placemark_      ? "The file ends inside a placemark (truncated)"
                    : open_.empty() ? std::string("The file ends inside a tag (truncated)")
                                    : "The file ends before </" + std::string(open_.front().name) +
                                          "> (truncated)";
            return false;
        }
        if (reader_.FOnProgress) reader_.FOnProgress(text_.size(), text_.size());
        return true;
    }

  private:
    struct Element {
        std::string_view name, local;
        size_t contentBegin;
    };
    struct Placemark {
        size_t depth;  // index of the Placemark element in open_
        TPlacemark placemark;
        std::vector<TPlacemarkGeometry> byType[3];
        bool haveName = false, haveDescription = false, sawGeometry = false;
        const char* unsupported = nullptr;
        // The geometry being read: its element's index, -1 when none.
        long geometryDepth = -1;
        long ignoredDepth = -1;  // a kind not taken, or an inner boundary
        TPlacemarkGeometry geometry;
        bool haveCoordinates = false;
    };

    bool Inside(std::string_view local) const {
        for (const Element& e : open_)
            if (e.local == local) return true;
        return false;
    }

    void Open(const KmlTag& tag) {
        const size_t depth = open_.size();
        open_.push_back({tag.name, tag.local, tag.end});
        if (!placemark_) {
            if (tag.local == "Placemark") {
                placemark_ = std::make_unique<Placemark>();
                placemark_->depth = depth;
            }
            return;
        }
        Placemark& p = *placemark_;
        if (depth == p.depth + 1 && (tag.local == "name" || tag.local == "description")) return;
        if (p.ignoredDepth >= 0) return;
        if (tag.local == "innerBoundaryIs" && p.geometryDepth >= 0) {
            p.ignoredDepth = static_cast<long>(depth);
            return;
        }
        const GeometryKind* kind = FindGeometryKind(tag.local);
        if (!kind || p.geometryDepth >= 0) return;  // a polygon's rings belong to the polygon
        p.sawGeometry = true;
        if (kind->type < 0) {
            if (!p.unsupported) p.unsupported = kind->reason;
            p.ignoredDepth = static_cast<long>(depth);
            return;
        }
        p.geometryDepth = static_cast<long>(depth);
        p.geometry = TPlacemarkGeometry{kind->type, {}};
        p.haveCoordinates = false;
    }

    void Close(const KmlTag& tag) {
        // The nearest open element of that name, else of that local name.
        for (const bool byLocal : {false, true}) {
            for (size_t i = open_.size(); i-- > 0;) {
                if ((byLocal ? open_[i].local : open_[i].name) != (byLocal ? tag.local : tag.name))
                    continue;
                while (open_.size() > i) CloseTop(tag.begin);
                return;
            }
        }
    }

    // Ends the innermost open element; its content ends at `contentEnd`.
    void CloseTop(size_t contentEnd) {
        const Element e = open_.back();
        open_.pop_back();
        if (placemark_)
            Ended(e, open_.size(), contentEnd);
        else if (links_ && e.local == "href" && Inside("NetworkLink") &&
                 (Inside("Link") || Inside("Url")))
            links_->push_back(std::string(TrimControls(KmlDecodeText(Content(e, contentEnd)))));
    }

    std::string_view Content(const Element& e, size_t contentEnd) const {
        return text_.substr(e.contentBegin, contentEnd - e.contentBegin);
    }

    void Ended(const Element& e, size_t depth, size_t contentEnd) {
        Placemark& p = *placemark_;
        if (depth == p.depth) {
            EndPlacemark();
            return;
        }
        if (depth == p.depth + 1 && (e.local == "name" || e.local == "description")) {
            bool& have = e.local == "name" ? p.haveName : p.haveDescription;
            std::string& target = e.local == "name" ? p.placemark.Name : p.placemark.Description;
            if (!have) target = std::string(TrimControls(KmlDecodeText(Content(e, contentEnd))));
            have = true;
            return;
        }
        if (static_cast<long>(depth) == p.ignoredDepth) {
            p.ignoredDepth = -1;
            return;
        }
        if (p.ignoredDepth >= 0) return;
        if (e.local == "coordinates" && p.geometryDepth >= 0 && !p.haveCoordinates) {
            // Only the first block counts: a polygon's outer boundary.
            p.haveCoordinates = true;
            reader_.ParseCoordinates(Content(e, contentEnd), p.geometry.Coords);
        } else if (static_cast<long>(depth) == p.geometryDepth) {
            p.geometryDepth = -1;
            if (!p.geometry.Coords.empty())
                p.byType[p.geometry.Type].push_back(std::move(p.geometry));
        }
    }

    void EndPlacemark() {
        Placemark& p = *placemark_;
        for (auto& list : p.byType)
            for (TPlacemarkGeometry& g : list) p.placemark.Geometries.push_back(std::move(g));
        if (!p.placemark.Geometries.empty())
            reader_.FPlacemarks.push_back(std::move(p.placemark));
        else
            NotRead(p.unsupported   ? p.unsupported
                    : p.sawGeometry ? "no coordinates"
                                    : "no geometry");
        placemark_.reset();
    }

    void NotRead(const std::string& reason) {
        for (auto& [known, count] : reader_.FNotRead)
            if (known == reason) {
                ++count;
                return;
            }
        reader_.FNotRead.emplace_back(reason, 1);
    }

    TPlacemarkReader& reader_;
    std::string_view text_;
    std::vector<std::string>* links_;
    std::vector<Element> open_;
    std::unique_ptr<Placemark> placemark_;
};

}  // namespace

std::string KmzLinkTarget(std::string_view from, std::string_view href) {
    std::string path;
    for (size_t i = 0; i < href.size(); ++i) {
        const char c = href[i];
        if (c == '#' || c == '?') break;
        if (c == '%' && i + 2 < href.size() && HexDigit(href[i + 1]) >= 0 &&
            HexDigit(href[i + 2]) >= 0) {
            path += static_cast<char>(HexDigit(href[i + 1]) * 16 + HexDigit(href[i + 2]));
            i += 2;
        } else {
            path += c == '\\' ? '/' : c;
        }
    }
    const size_t colon = path.find(':'), slash = path.find('/');
    if (path.empty() || path[0] == '/' || (colon != std::string::npos && colon < slash)) return {};
    const size_t folderEnd = from.rfind('/');
    std::string joined = folderEnd == std::string_view::npos
                             ? path
                             : std::string(from.substr(0, folderEnd + 1)) + path;
    std::vector<std::string> parts;
    for (size_t at = 0; at <= joined.size();) {
        size_t end = joined.find('/', at);
        if (end == std::string::npos) end = joined.size();
        const std::string part = joined.substr(at, end - at);
        at = end + 1;
        if (part.empty() || part == ".") continue;
        if (part == "..") {
            if (parts.empty()) return {};
            parts.pop_back();
        } else {
            parts.push_back(part);
        }
    }
    std::string out;
    for (const std::string& part : parts) out += (out.empty() ? "" : "/") + part;
    return out;
}

int TPlacemarkReader::NotReadCount() const {
    int n = 0;
    for (const auto& [reason, count] : FNotRead) n += count;
    return n;
}

std::string TPlacemarkReader::NotReadSummary() const {
    if (FNotRead.empty()) return {};
    std::string out = " (" + std::to_string(NotReadCount()) + " placemarks not read: ";
    for (size_t i = 0; i < FNotRead.size(); ++i) out += (i ? ", " : "") + FNotRead[i].first;
    return out + ")";
}

bool TPlacemarkReader::ParseInto(std::string_view text, std::vector<std::string>* links) {
    PlacemarkBuilder builder(*this, text, links);
    return builder.Run(FLastError);
}

bool TPlacemarkReader::Finish(bool parsed) {
    if (!parsed) {
        FPlacemarks.clear();
        return false;
    }
    if (FPlacemarks.empty()) {
        FLastError = kNoPlacemarkError + NotReadSummary();
        return false;
    }
    return true;
}

bool TPlacemarkReader::LoadFromFile(const std::string& path) {
    FPlacemarks.clear();
    FNotRead.clear();
    FLastError.clear();
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        FLastError = "File not found: " + path;
        return false;
    }
    if (Lower(std::filesystem::path(path).extension().string()) == ".kmz") return LoadKmz(path);
    std::string bytes;
    const platform::FileReadResult read =
        platform::ReadRegularFile(path, bytes, kKmzMaxEntryBytes);
    if (!read.ok()) {
        FLastError = platform::FileReadProblem(path, read);
        return false;
    }
    const std::string text = KmlBytesToText(bytes);
    if (text.empty()) {
        FLastError = "Empty KML content";
        return false;
    }
    return Finish(ParseInto(text, nullptr));
}

namespace {

// The archive file's bytes; refused when it is not a regular file or too
// large to be a drawing (the entry cap plus its directory).
platform::FileReadResult ReadArchive(const std::string& path, std::string& archive) {
    return platform::ReadRegularFile(path, archive, kKmzMaxEntryBytes * 2);
}

}  // namespace

bool TPlacemarkReader::LoadKmz(const std::string& path) {
    std::string archive;
    if (const platform::FileReadResult read = ReadArchive(path, archive); !read.ok()) {
        FLastError = platform::FileReadProblem(path, read);
        return false;
    }
    return LoadKmzBytes(archive);
}

bool TPlacemarkReader::LoadKmzBytes(std::string_view archive) {
    FPlacemarks.clear();
    FNotRead.clear();
    FLastError.clear();
    const KmzArchive zip(archive);
    const zip_int64_t main = zip.IsOpen() ? zip.MainEntry() : -1;
    if (main < 0) {
        FLastError = kNoKml;
        return false;
    }
    // The main entry, then the entries its links (and theirs) name, each
    // once, all within one byte budget.
    std::deque<zip_int64_t> queue{main};
    std::set<zip_int64_t> seen{main};
    size_t budget = kKmzMaxEntryBytes;
    std::string bytes;
    while (!queue.empty()) {
        const zip_int64_t index = queue.front();
        queue.pop_front();
        if (!zip.Read(index, budget, bytes)) {
            FLastError = kUnreadable;
            return Finish(false);
        }
        budget -= bytes.size();
        const std::string text = KmlBytesToText(bytes);
        if (text.empty() && index == main) {
            FLastError = kUnreadable;
            return false;
        }
        std::vector<std::string> links;
        if (!ParseInto(text, &links)) return Finish(false);
        const std::string from = zip.Name(index);
        for (const std::string& href : links) {
            const std::string target = KmzLinkTarget(from, href);
            const zip_int64_t linked = target.empty() ? -1 : zip.Find(target);
            if (linked >= 0 && seen.size() <= kKmzMaxLinkedFiles && seen.insert(linked).second)
                queue.push_back(linked);
        }
    }
    return Finish(true);
}

std::string TPlacemarkReader::ExtractKmz(const std::string& path) {
    FLastError.clear();
    std::string archive;
    if (const platform::FileReadResult read = ReadArchive(path, archive); !read.ok()) {
        FLastError = platform::FileReadProblem(path, read);
        return {};
    }
    return ExtractKmzBytes(archive);
}

std::string TPlacemarkReader::ExtractKmzBytes(std::string_view archive) {
    FLastError.clear();
    const KmzArchive zip(archive);
    const zip_int64_t main = zip.IsOpen() ? zip.MainEntry() : -1;
    if (main < 0) {
        FLastError = kNoKml;
        return {};
    }
    std::string bytes;
    if (!zip.Read(main, kKmzMaxEntryBytes, bytes)) {
        FLastError = kUnreadable;
        return {};
    }
    std::string text = KmlBytesToText(bytes);
    if (text.empty()) FLastError = kUnreadable;
    return text;
}

bool TPlacemarkReader::ParseKml(std::string_view text) {
    FPlacemarks.clear();
    FNotRead.clear();
    FLastError.clear();
    if (text.empty()) {
        FLastError = "Empty KML content";
        return false;
    }
    return Finish(ParseInto(text, nullptr));
}

void TPlacemarkReader::ParseCoordinates(std::string_view text,
                                        std::vector<TPlacemarkCoord>& target) {
    // A tuple's fields: up to four are told apart (lon, lat, alt, more).
    std::string_view fields[4];
    const size_t n = text.size();
    for (size_t at = 0; at < n;) {
        while (at < n && IsBlank(text[at])) ++at;
        if (at >= n) break;
        size_t count = 0;
        for (;;) {
            const size_t begin = at;
            while (at < n && text[at] != ',' && !IsBlank(text[at])) ++at;
            if (count < 4) fields[count] = text.substr(begin, at - begin);
            ++count;
            // Blanks before or after a comma stay inside the tuple.
            size_t next = at;
            while (next < n && IsBlank(text[next])) ++next;
            if (next >= n || text[next] != ',') break;
            ++next;
            while (next < n && IsBlank(text[next])) ++next;
            at = next;
        }
        if (count < 2) continue;
        const auto lon = platform::ParseFloat(fields[0]);
        const auto lat = platform::ParseFloat(fields[1]);
        if (!lon || !lat || !std::isfinite(*lon) || !std::isfinite(*lat)) continue;
        if (*lon == 0 && *lat == 0) continue;
        TPlacemarkCoord c;
        c.Longitude = *lon;
        c.Latitude = *lat;
        c.Altitude = count == 3 ? platform::ParseFloat(fields[2]).value_or(0) : 0;
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
            if (g.Type == kPlacemarkPoint) out.insert(out.end(), g.Coords.begin(), g.Coords.end());
    return out;
}

std::vector<std::vector<TPlacemarkCoord>> TPlacemarkReader::GetLines() const {
    std::vector<std::vector<TPlacemarkCoord>> out;
    for (const TPlacemark& p : FPlacemarks)
        for (const TPlacemarkGeometry& g : p.Geometries)
            if (g.Type != kPlacemarkPoint && g.Coords.size() >= 2) out.push_back(g.Coords);
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
