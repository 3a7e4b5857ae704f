// GDAL's reading of a vector file as the oracle of the KML tests: the
// features `ogrinfo -al` prints, each with its Name field and its geometry
// split into parts (a multi-geometry or collection into its members, a
// polygon into its outer ring).
#pragma once

#include <cctype>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "tests/support/RunTool.h"

namespace phxtest {

struct OgrPart {
    std::string kind;  // "POINT", "LINESTRING", "LINEARRING" or "POLYGON"
    std::vector<std::pair<double, double>> points;  // lon, lat
};

struct OgrFeature {
    std::string name, geometry;  // geometry: the WKT keyword, "POINT", "MULTIPOINT", ...
    std::vector<OgrPart> parts;
    std::vector<std::pair<double, double>> points;  // the first part's
};

// ogrinfo's well-known text, read into parts.
class WktParts {
  public:
    explicit WktParts(std::string_view text) : text_(text) {}
    bool Read(std::string& keyword, std::vector<OgrPart>& parts) {
        keyword = Word();
        return Body(keyword, parts) && (Skip(), at_ == text_.size());
    }

  private:
    void Skip() {
        while (at_ < text_.size() && text_[at_] == ' ') ++at_;
    }
    bool Eat(char c) {
        Skip();
        if (at_ >= text_.size() || text_[at_] != c) return false;
        ++at_;
        return true;
    }
    bool Peek(char c) {
        Skip();
        return at_ < text_.size() && text_[at_] == c;
    }
    std::string Word() {
        Skip();
        std::string word;
        while (at_ < text_.size() && std::isalpha(static_cast<unsigned char>(text_[at_])))
            word += text_[at_++];
        Skip();
        // " Z", " M", " ZM" after the keyword
        for (const char* suffix : {"ZM ", "Z ", "M "}) {
            const std::string_view s(suffix);
            if (text_.substr(at_, s.size()) == s) at_ += s.size();
        }
        return word;
    }
    // "x y [z]" up to ',' or ')'.
    bool Point(std::vector<std::pair<double, double>>& out) {
        Skip();
        const size_t end = text_.find_first_of(",)", at_);
        if (end == std::string_view::npos) return false;
        std::istringstream in{std::string(text_.substr(at_, end - at_))};
        double x = 0, y = 0;
        if (!(in >> x >> y)) return false;
        out.emplace_back(x, y);
        at_ = end;
        return true;
    }
    bool List(std::vector<std::pair<double, double>>& out) {
        if (!Eat('(')) return false;
        do {
            if (!Point(out)) return false;
        } while (Eat(','));
        return Eat(')');
    }
    bool Polygon(std::vector<OgrPart>& parts) {
        OgrPart ring{"POLYGON", {}};
        std::vector<std::pair<double, double>> inner;
        if (!Eat('(') || !List(ring.points)) return false;
        while (Eat(','))
            if (!List(inner)) return false;
        parts.push_back(std::move(ring));
        return Eat(')');
    }
    bool Body(const std::string& keyword, std::vector<OgrPart>& parts) {
        if (keyword == "POINT" || keyword == "LINESTRING" || keyword == "LINEARRING") {
            parts.push_back({keyword, {}});
            return List(parts.back().points);
        }
        if (keyword == "POLYGON") return Polygon(parts);
        if (!Eat('(')) return false;
        do {
            if (keyword == "MULTIPOINT") {
                parts.push_back({"POINT", {}});
                const bool wrapped = Eat('(');
                if (!Point(parts.back().points) || (wrapped && !Eat(')'))) return false;
            } else if (keyword == "MULTILINESTRING") {
                parts.push_back({"LINESTRING", {}});
                if (!List(parts.back().points)) return false;
            } else if (keyword == "MULTIPOLYGON") {
                if (!Polygon(parts)) return false;
            } else if (keyword == "GEOMETRYCOLLECTION") {
                if (!Body(Word(), parts)) return false;
            } else {
                return false;
            }
        } while (Eat(','));
        return Eat(')');
    }

    std::string_view text_;
    size_t at_ = 0;
};

// The features ogrinfo reads from the file, or nothing when it cannot.
inline std::vector<OgrFeature> OgrFeatures(const std::string& path,
                                           const std::string& options = "") {
    std::vector<OgrFeature> out;
    std::istringstream in(RunTool("ogrinfo -al " + options + " '" + path + "' 2>/dev/null"));
    auto startsWith = [](std::string_view text, std::string_view prefix) {
        return text.substr(0, prefix.size()) == prefix;
    };
    for (std::string line; std::getline(in, line);) {
        if (startsWith(line, "OGRFeature(")) out.emplace_back();
        if (out.empty() || line.empty() || (line[0] != ' ' && line[0] != '\t')) continue;
        std::string_view field(line);
        field.remove_prefix(std::min(field.find_first_not_of(" \t"), field.size()));
        if (startsWith(field, "Name (String) = ")) {
            out.back().name = std::string(field.substr(16));
            continue;
        }
        if (field.empty() || !std::isupper(static_cast<unsigned char>(field[0])) ||
            field.back() != ')' || field.find(" (") == std::string_view::npos ||
            field.find(" = ") != std::string_view::npos)
            continue;
        std::string keyword;
        std::vector<OgrPart> parts;
        if (!WktParts(field).Read(keyword, parts)) continue;
        out.back().geometry = keyword;
        out.back().parts = std::move(parts);
        if (!out.back().parts.empty()) out.back().points = out.back().parts[0].points;
    }
    return out;
}

}  // namespace phxtest
