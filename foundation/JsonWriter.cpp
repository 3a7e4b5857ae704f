#include "foundation/JsonWriter.h"

#include <QByteArray>
#include <QString>

namespace {

// Qt's decoder replaces every invalid or overlong sequence and every encoded
// surrogate with U+FFFD and keeps embedded NULs.
QByteArray ValidUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())).toUtf8();
}

}  // namespace

std::string JsonQuote(std::string_view text) {
    static const char hex[] = "0123456789abcdef";
    const QByteArray valid = ValidUtf8(text);
    std::string out;
    out.reserve(static_cast<size_t>(valid.size()) + 2);
    out.push_back('"');
    for (const char c : valid) {
        const auto byte = static_cast<unsigned char>(c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (byte < 0x20) {
                    out += "\\u00";
                    out.push_back(hex[byte >> 4]);
                    out.push_back(hex[byte & 0x0F]);
                } else {
                    out.push_back(c);
                }
        }
    }
    out.push_back('"');
    return out;
}

std::string FormatJsonStringObject(const std::map<std::string, std::string>& pairs, int indent) {
    const std::string margin(static_cast<size_t>(indent > 0 ? indent : 0), ' ');
    std::string out = "{\n";
    bool first = true;
    for (const auto& [key, value] : pairs) {
        if (!first) out += ",\n";
        first = false;
        out += margin;
        out += JsonQuote(key);
        out += ": ";
        out += JsonQuote(value);
    }
    if (!first) out += "\n";
    out += "}\n";
    return out;
}
