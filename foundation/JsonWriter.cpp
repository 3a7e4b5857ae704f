#include "foundation/JsonWriter.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>

namespace {

// U+FEFF in UTF-8. Written as the escape "\ufeff": readers (Qt's among them)
// take a raw one at the start of a string for a byte order mark and drop it.
constexpr QByteArrayView kZeroWidthNoBreakSpace("\xEF\xBB\xBF");

// Qt's decoder replaces every invalid or overlong sequence and every encoded
// surrogate with U+FFFD and keeps embedded NULs. It is told to keep a leading
// U+FEFF: by default it takes one for a byte order mark and drops it, and a
// text that starts with one would not read back as it was.
QByteArray ValidUtf8(std::string_view text) {
    QStringDecoder decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                       QStringConverter::Flag::ConvertInitialBom);
    const QString decoded =
        decoder.decode(QByteArrayView(text.data(), static_cast<qsizetype>(text.size())));
    return decoded.toUtf8();
}

}  // namespace

std::string JsonQuote(std::string_view text) {
    static const char hex[] = "0123456789abcdef";
    const QByteArray valid = ValidUtf8(text);
    std::string out;
    out.reserve(static_cast<size_t>(valid.size()) + 2);
    out.push_back('"');
    for (qsizetype i = 0; i < valid.size(); ++i) {
        const char c = valid[i];
        const auto byte = static_cast<unsigned char>(c);
        if (QByteArrayView(valid).sliced(i).startsWith(kZeroWidthNoBreakSpace)) {
            out += "\\ufeff";
            i += kZeroWidthNoBreakSpace.size() - 1;
            continue;
        }
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
