#include "platform/ScanFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace platform {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

// Parses the set of a "%[" conversion starting after '['; returns the index
// after the closing ']' or npos when it never closes.
size_t ScanFormat::ParseSet(std::string_view format, size_t at, Step& step) {
    // As the C library reads a set: ']' or '-' first is a member; a '-'
    // between two characters in ascending order is the range between them,
    // taken from the character written before it; any other '-' is a member.
    const auto end = [&](size_t i) { return i >= format.size() || format[i] == '\0'; };
    if (!end(at) && format[at] == '^') {
        step.setNegated = true;
        ++at;
    }
    if (!end(at) && (format[at] == ']' || format[at] == '-'))
        step.set[static_cast<unsigned char>(format[at++])] = true;
    while (!end(at) && format[at] != ']') {
        const unsigned char c = static_cast<unsigned char>(format[at++]);
        const unsigned char before = static_cast<unsigned char>(format[at - 2]);
        if (c == '-' && !end(at) && format[at] != ']' &&
            before <= static_cast<unsigned char>(format[at])) {
            for (int m = before; m < static_cast<unsigned char>(format[at]); ++m)
                step.set[m] = true;
        } else {
            step.set[c] = true;
        }
    }
    return end(at) ? std::string_view::npos : at + 1;
}

namespace {

// A number field: `consumed` bytes are taken from the input, of which the
// first `valid` are the number in the plain decimal grammar (0: none). As in
// the C library, an exponent mark (and its sign) with no digits after it is
// taken but is not part of the number ("1e," reads 1 and leaves ",").
struct NumberSpan {
    size_t consumed = 0;
    size_t valid = 0;
};

NumberSpan NumberLength(std::string_view text) {
    size_t at = 0;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    size_t digits = 0;
    while (at < text.size() && IsDigit(text[at])) ++at, ++digits;
    if (at < text.size() && text[at] == '.') {
        ++at;
        while (at < text.size() && IsDigit(text[at])) ++at, ++digits;
    }
    if (digits == 0) return {};
    NumberSpan span{at, at};
    if (at < text.size() && (text[at] == 'e' || text[at] == 'E')) {
        size_t exp = at + 1;
        if (exp < text.size() && (text[exp] == '+' || text[exp] == '-')) ++exp;
        span.consumed = exp;
        if (exp < text.size() && IsDigit(text[exp])) {
            while (exp < text.size() && IsDigit(text[exp])) ++exp;
            span.consumed = span.valid = exp;
        }
    }
    return span;
}

// The value of a valid number text; a magnitude below the smallest double
// reads as zero, as the C library reads it. False when it overflows.
bool NumberValue(std::string_view text, double& value) {
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error == std::errc::result_out_of_range) {
        const size_t mark = text.find_first_of("eE");
        if (mark == std::string_view::npos || mark + 1 >= text.size() || text[mark + 1] != '-')
            return false;
        value = text[0] == '-' ? -0.0 : 0.0;
        return true;
    }
    return error == std::errc() && end == text.data() + text.size();
}

size_t IntegerLength(std::string_view text) {
    size_t at = 0;
    if (at < text.size() && (text[at] == '+' || text[at] == '-')) ++at;
    const size_t start = at;
    while (at < text.size() && IsDigit(text[at])) ++at;
    return at == start ? 0 : at;
}

// from_chars takes no leading '+'.
template <typename T>
bool FromChars(std::string_view text, T& value) {
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

}  // namespace

ScanFormat ScanFormat::Compile(std::string_view format, std::initializer_list<ScanKind> accepted) {
    ScanFormat result;
    auto fail = [&](std::string why) {
        result.valid_ = false;
        result.error_ = std::move(why);
        result.stored_.clear();
        result.steps_.clear();
        return result;
    };
    size_t at = 0;
    while (at < format.size()) {
        const char c = format[at];
        if (c == '\0') break;
        Step step;
        if (IsBlank(c)) {
            step.type = Step::Blanks;
            while (at < format.size() && IsBlank(format[at])) ++at;
            result.steps_.push_back(step);
            continue;
        }
        if (c != '%') {
            step.literal = c;
            result.steps_.push_back(step);
            ++at;
            continue;
        }
        ++at;
        if (at < format.size() && format[at] == '%') {
            step.type = Step::Blanks;  // "%%" skips blanks, then matches '%'
            result.steps_.push_back(step);
            Step percent;
            percent.literal = '%';
            result.steps_.push_back(percent);
            ++at;
            continue;
        }
        step.type = Step::Convert;
        if (at < format.size() && format[at] == '*') {
            step.store = false;
            ++at;
        }
        size_t width = 0;
        bool hasWidth = false;
        while (at < format.size() && IsDigit(format[at])) {
            width = std::min<size_t>(width * 10 + (format[at] - '0'), 1u << 20);
            hasWidth = true;
            ++at;
        }
        if (hasWidth && width == 0) return fail("a field width of 0");
        step.width = width;
        if (at >= format.size()) return fail("the format ends inside a conversion");
        std::string spec(1, format[at]);
        if (format[at] == 'l' && at + 1 < format.size()) spec += format[at + 1];
        if (spec == "lf") {
            step.kind = ScanKind::Double;
            at += 2;
        } else if (spec == "f") {
            step.kind = ScanKind::Float;
            ++at;
        } else if (spec == "d") {
            step.kind = ScanKind::Int;
            ++at;
        } else if (spec == "s") {
            step.kind = ScanKind::String;
            ++at;
        } else if (spec == "c") {
            step.kind = ScanKind::Char;
            ++at;
        } else if (spec == "[") {
            step.kind = ScanKind::Set;
            at = ParseSet(format, at + 1, step);
            if (at == std::string_view::npos) return fail("a '[' set that never closes");
        } else {
            return fail("the conversion \"%" + spec + "\" is not supported");
        }
        if (step.store) {
            if (std::find(accepted.begin(), accepted.end(), step.kind) == accepted.end())
                return fail("a conversion of a kind this format cannot store");
            result.stored_.push_back(step.kind);
        }
        result.steps_.push_back(step);
    }
    result.valid_ = true;
    return result;
}

int ScanFormat::Scan(std::string_view input, std::vector<ScanField>& fields) const {
    fields.clear();
    if (!valid_) return -1;
    input = input.substr(0, std::min(input.size(), input.find('\0')));
    size_t at = 0;
    const auto inputFailure = [&]() {
        return fields.empty() ? -1 : static_cast<int>(fields.size());
    };
    const auto skipBlanks = [&]() {
        while (at < input.size() && IsBlank(input[at])) ++at;
    };
    for (const Step& step : steps_) {
        if (step.type == Step::Blanks) {
            skipBlanks();
            continue;
        }
        if (step.type == Step::Literal) {
            if (at >= input.size()) return inputFailure();
            if (input[at] != step.literal) return static_cast<int>(fields.size());
            ++at;
            continue;
        }
        if (step.kind != ScanKind::Char && step.kind != ScanKind::Set) skipBlanks();
        if (at >= input.size()) return inputFailure();
        const size_t limit =
            step.width == 0 ? input.size() - at : std::min(step.width, input.size() - at);
        const std::string_view window = input.substr(at, limit);
        ScanField field;
        field.kind = step.kind;
        size_t used = 0;
        switch (step.kind) {
            case ScanKind::Double:
            case ScanKind::Float: {
                const NumberSpan span = NumberLength(window);
                if (span.valid == 0) return static_cast<int>(fields.size());
                used = span.consumed;
                double value = 0;
                const bool inRange = NumberValue(window.substr(0, span.valid), value) &&
                                     (step.kind == ScanKind::Double ||
                                      std::fabs(value) <= std::numeric_limits<float>::max());
                // Only stored numbers must be finite: a skipped one is read and dropped.
                if (!inRange) {
                    if (step.store) return static_cast<int>(fields.size());
                    break;
                }
                field.number = step.kind == ScanKind::Float ? static_cast<float>(value) : value;
                break;
            }
            case ScanKind::Int: {
                used = IntegerLength(window);
                if (used == 0 || !FromChars(window.substr(0, used), field.integer))
                    return static_cast<int>(fields.size());
                break;
            }
            case ScanKind::String:
                while (used < window.size() && !IsBlank(window[used])) ++used;
                field.text = std::string(window.substr(0, used));
                break;
            case ScanKind::Char: {
                const size_t count = step.width == 0 ? 1 : step.width;
                if (input.size() - at < count) return inputFailure();
                used = count;
                field.text = std::string(input.substr(at, count));
                break;
            }
            case ScanKind::Set:
                while (used < window.size() &&
                       step.set[static_cast<unsigned char>(window[used])] != step.setNegated)
                    ++used;
                if (used == 0) return static_cast<int>(fields.size());
                field.text = std::string(window.substr(0, used));
                break;
        }
        at += used;
        if (step.store) fields.push_back(std::move(field));
    }
    return static_cast<int>(fields.size());
}

bool ScanDouble(std::string_view text, double& value) {
    static const ScanFormat format = ScanFormat::Compile("%lf", {ScanKind::Double});
    std::vector<ScanField> fields;
    if (format.Scan(text, fields) != 1) return false;
    value = fields[0].number;
    return true;
}

}  // namespace platform
