#include "navigation/KmlMarkup.h"

namespace {

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// A name may start with a letter, '_', ':' or any non-ASCII byte.
bool StartsName(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '_' || c == ':' || u >= 0x80;
}

std::string_view LocalName(std::string_view name) {
    const size_t colon = name.rfind(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

}  // namespace

bool KmlMarkupScanner::SkipPast(std::size_t from, std::string_view close) {
    const size_t end = text_.find(close, from);
    if (end == std::string_view::npos) {
        truncated_ = true;
        at_ = text_.size();
        return false;
    }
    at_ = end + close.size();
    return true;
}

bool KmlMarkupScanner::SkipDeclaration(std::size_t from) {
    // "<!DOCTYPE kml [ <!ENTITY x "y>"> ]>": brackets and quotes hold '>'.
    int depth = 0;
    char quote = 0;
    for (size_t i = from; i < text_.size(); ++i) {
        const char c = text_[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '[') {
            ++depth;
        } else if (c == ']') {
            if (depth > 0) --depth;
        } else if (c == '>' && depth == 0) {
            at_ = i + 1;
            return true;
        }
    }
    truncated_ = true;
    at_ = text_.size();
    return false;
}

bool KmlMarkupScanner::ReadTag(std::size_t begin, KmlTag& tag) {
    const bool closing = text_[begin + 1] == '/';
    size_t i = begin + (closing ? 2 : 1);
    const size_t nameBegin = i;
    while (i < text_.size() && !IsSpace(text_[i]) && text_[i] != '>' && text_[i] != '/') ++i;
    tag.name = text_.substr(nameBegin, i - nameBegin);
    tag.local = LocalName(tag.name);
    tag.begin = begin;
    char quote = 0;
    bool slash = false;
    for (; i < text_.size(); ++i) {
        const char c = text_[i];
        if (quote) {
            if (c == quote) quote = 0;
            continue;
        }
        if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            tag.kind = closing ? KmlTag::End : slash ? KmlTag::Empty : KmlTag::Start;
            tag.end = at_ = i + 1;
            return true;
        }
        slash = c == '/';
    }
    truncated_ = true;
    at_ = text_.size();
    return false;
}

bool KmlMarkupScanner::Next(KmlTag& tag) {
    while (!truncated_ && at_ < text_.size()) {
        const size_t lt = text_.find('<', at_);
        if (lt == std::string_view::npos || lt + 1 >= text_.size()) {
            // A lone '<' as the last byte is a tag cut short.
            if (lt != std::string_view::npos) truncated_ = true;
            at_ = text_.size();
            return false;
        }
        const std::string_view rest = text_.substr(lt);
        const char c = rest[1];
        if (rest.substr(0, 4) == "<!--") {
            SkipPast(lt + 4, "-->");
        } else if (rest.substr(0, 9) == "<![CDATA[") {
            SkipPast(lt + 9, "]]>");
        } else if (c == '!') {
            SkipDeclaration(lt + 2);
        } else if (c == '?') {
            SkipPast(lt + 2, "?>");
        } else if (c == '/' || StartsName(c)) {
            if (c == '/' && (lt + 2 >= text_.size() || !StartsName(text_[lt + 2]))) {
                at_ = lt + 1;  // "</" then no name: text
                if (lt + 2 >= text_.size()) truncated_ = true;
                continue;
            }
            return ReadTag(lt, tag);
        } else {
            at_ = lt + 1;  // "a < b": text
        }
    }
    return false;
}
