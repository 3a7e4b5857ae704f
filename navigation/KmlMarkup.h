// The element tags of a KML text, one at a time, for the placemark reader:
// start tags (with any attributes, quoted values may hold '>'), end tags and
// empty-element tags, each with its qualified name as written and its local
// name (after the namespace prefix). Comments, CDATA sections, declarations
// (<!DOCTYPE ...>, with an internal subset) and processing instructions are
// passed over; a '<' that starts no markup (as in "a < b") is text.
//
// Markup cut short by the end of the text (a tag without '>', a comment
// without "-->", a CDATA section without "]]>") ends the scan and is
// reported by Truncated().
#pragma once

#include <cstddef>
#include <string_view>

struct KmlTag {
    enum Kind { Start, End, Empty };
    Kind kind = Start;
    std::string_view name;   // "kml:Placemark"
    std::string_view local;  // "Placemark"
    std::size_t begin = 0;   // the '<'
    std::size_t end = 0;     // one past the '>'
};

class KmlMarkupScanner {
  public:
    explicit KmlMarkupScanner(std::string_view text) : text_(text) {}

    // The next tag; false at the end of the text or at markup cut short.
    bool Next(KmlTag& tag);
    bool Truncated() const { return truncated_; }
    // Bytes of the text scanned so far.
    std::size_t Position() const { return at_; }

  private:
    // Moves past `close` found at or after `from`; false (truncated) without it.
    bool SkipPast(std::size_t from, std::string_view close);
    bool SkipDeclaration(std::size_t from);
    bool ReadTag(std::size_t begin, KmlTag& tag);

    std::string_view text_;
    std::size_t at_ = 0;
    bool truncated_ = false;
};
