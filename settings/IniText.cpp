#include "IniText.h"

#include <clocale>
#include <cmath>
#include <cstdlib>

#include <locale.h>

namespace rm::ini {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string DecodeUtf16(std::string_view bytes, bool aLittleEndian) {
    std::string out;
    out.reserve(bytes.size());
    const auto unit = [&](std::size_t i) -> char16_t {
        const auto b0 = static_cast<unsigned char>(bytes[i]);
        const auto b1 = static_cast<unsigned char>(bytes[i + 1]);
        return static_cast<char16_t>(aLittleEndian ? (b0 | (b1 << 8)) : ((b0 << 8) | b1));
    };
    // An odd last byte is not a character and is dropped.
    const std::size_t n = bytes.size() / 2;
    for (std::size_t k = 0; k < n; ++k) {
        const char16_t u = unit(2 * k);
        if (u >= 0xD800 && u <= 0xDBFF && k + 1 < n) {
            const char16_t v = unit(2 * (k + 1));
            if (v >= 0xDC00 && v <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(v) - 0xDC00));
                ++k;
                continue;
            }
        }
        if (u >= 0xD800 && u <= 0xDFFF) {
            AppendUtf8(out, 0xFFFD);  // a lone surrogate
        } else {
            AppendUtf8(out, u);
        }
    }
    return out;
}

// Length of the UTF-8 sequence that starts at s[i]; an invalid byte counts as one character.
std::size_t SequenceLength(std::string_view s, std::size_t i) {
    const auto b = static_cast<unsigned char>(s[i]);
    std::size_t len = 1;
    if (b >= 0xC2 && b <= 0xDF) {
        len = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
        len = 3;
    } else if (b >= 0xF0 && b <= 0xF4) {
        len = 4;
    }
    if (i + len > s.size())
        return 1;
    for (std::size_t k = 1; k < len; ++k) {
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
            return 1;
    }
    return len;
}

// The code point at s[i] (or the byte itself when it starts no valid sequence).
char32_t CodePoint(std::string_view s, std::size_t i, std::size_t len) {
    const auto b = static_cast<unsigned char>(s[i]);
    if (len == 1)
        return b;
    char32_t cp = b & (0xFF >> (len + 1));
    for (std::size_t k = 1; k < len; ++k) {
        cp = (cp << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    }
    return cp;
}

char32_t FoldCase(char32_t cp) {
    if (cp >= 'A' && cp <= 'Z')
        return cp + 0x20;
    if (cp >= 0x0410 && cp <= 0x042F)
        return cp + 0x20;  // А..Я
    if (cp >= 0x0400 && cp <= 0x040F)
        return cp + 0x50;  // Ѐ..Џ, Ё among them
    return cp;
}

std::string_view CutToChars(std::string_view s, std::size_t aMaxChars) {
    std::size_t i = 0;
    std::size_t chars = 0;
    while (i < s.size() && chars < aMaxChars) {
        i += SequenceLength(s, i);
        ++chars;
    }
    return s.substr(0, i);
}

}  // namespace

std::string_view TrimBlanks(std::string_view s) {
    std::size_t b = 0;
    while (b < s.size() && IsBlank(s[b]))
        ++b;
    return TrimTrailingBlanks(s.substr(b));
}

std::string_view TrimTrailingBlanks(std::string_view s) {
    std::size_t e = s.size();
    while (e > 0 && IsBlank(s[e - 1]))
        --e;
    return s.substr(0, e);
}

std::string DecodeFileBytes(std::string_view bytes) {
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        return DecodeUtf16(bytes.substr(2), true);
    }
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFE &&
        static_cast<unsigned char>(bytes[1]) == 0xFF) {
        return DecodeUtf16(bytes.substr(2), false);
    }
    if (bytes.size() >= 3 && bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        return std::string(bytes.substr(3));
    }
    return std::string(bytes);
}

bool SameName(std::string_view a, std::string_view b) {
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const std::size_t la = SequenceLength(a, i);
        const std::size_t lb = SequenceLength(b, j);
        if (FoldCase(CodePoint(a, i, la)) != FoldCase(CodePoint(b, j, lb)))
            return false;
        // An invalid byte equals only the same invalid byte.
        if ((la == 1) != (lb == 1))
            return false;
        i += la;
        j += lb;
    }
    return i == a.size() && j == b.size();
}

std::optional<std::string> FindValue(std::string_view text, std::string_view aSection,
                                     std::string_view aKey) {
    bool inSection = false;
    std::size_t pos = 0;
    while (pos < text.size()) {
        // One line: up to LF, CR LF or CR.
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos)
            end = text.size();
        const std::string_view line = TrimBlanks(text.substr(pos, end - pos));
        pos = end;
        if (pos < text.size() && text[pos] == '\r')
            ++pos;
        if (pos < text.size() && text[pos] == '\n')
            ++pos;

        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[') {
            const std::size_t close = line.find(']');
            if (close == std::string_view::npos)
                continue;  // fits no form
            // Only the first section of that name is searched.
            if (inSection)
                return std::nullopt;
            inSection = SameName(TrimBlanks(line.substr(1, close - 1)), aSection);
            continue;
        }
        if (!inSection)
            continue;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            continue;
        const std::string_view key = TrimBlanks(line.substr(0, eq));
        if (key.empty() || !SameName(key, aKey))
            continue;
        std::string_view value = TrimBlanks(line.substr(eq + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        return std::string(CutToChars(value, kMaxValueChars));
    }
    return std::nullopt;
}

bool ParseInt32(std::string_view text, std::int32_t& out) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < text.size() && text[i] == '$') {
        hex = true;
        i += 1;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= text.size())
        return false;  // no digits
    std::uint64_t v = 0;
    if (hex) {
        for (; i < text.size(); ++i) {
            const int d = HexDigit(text[i]);
            if (d < 0)
                return false;
            v = v * 16 + static_cast<unsigned>(d);
            if (v > 0xFFFFFFFFull)
                return false;
        }
        // A 32-bit pattern; the sign negates the pattern's value.
        std::uint32_t bits = static_cast<std::uint32_t>(v);
        if (negative)
            bits = 0u - bits;
        out = static_cast<std::int32_t>(bits);
        return true;
    }
    const std::uint64_t limit = negative ? 2147483648ull : 2147483647ull;
    for (; i < text.size(); ++i) {
        if (!IsDigit(text[i]))
            return false;
        v = v * 10 + static_cast<unsigned>(text[i] - '0');
        if (v > limit)
            return false;
    }
    out = negative ? static_cast<std::int32_t>(-static_cast<std::int64_t>(v))
                   : static_cast<std::int32_t>(v);
    return true;
}

bool ParseNumber(std::string_view text, std::string_view aSeparator, double& out) {
    if (aSeparator.empty())
        aSeparator = ".";
    const std::string_view t = TrimBlanks(text);
    // Checked here by hand and rewritten with ".", so that the conversion below does not depend
    // on the process's locale.
    std::string norm;
    norm.reserve(t.size() + 1);
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-'))
        norm += t[i++];
    std::size_t digits = 0;
    while (i < t.size() && IsDigit(t[i])) {
        norm += t[i++];
        ++digits;
    }
    if (t.substr(i, aSeparator.size()) == aSeparator) {
        i += aSeparator.size();
        norm += '.';
        while (i < t.size() && IsDigit(t[i])) {
            norm += t[i++];
            ++digits;
        }
    }
    if (digits == 0)
        return false;
    if (i < t.size() && (t[i] == 'e' || t[i] == 'E')) {
        norm += 'e';
        ++i;
        if (i < t.size() && (t[i] == '+' || t[i] == '-'))
            norm += t[i++];
        std::size_t expDigits = 0;
        while (i < t.size() && IsDigit(t[i])) {
            norm += t[i++];
            ++expDigits;
        }
        if (expDigits == 0)
            return false;
    }
    if (i != t.size())
        return false;

#ifdef _WIN32
    static const _locale_t cLocale = _create_locale(LC_NUMERIC, "C");
    if (cLocale == nullptr)
        return false;
    const double v = _strtod_l(norm.c_str(), nullptr, cLocale);
#else
    static const locale_t cLocale = newlocale(LC_NUMERIC_MASK, "C", static_cast<locale_t>(0));
    if (cLocale == static_cast<locale_t>(0))
        return false;
    const double v = strtod_l(norm.c_str(), nullptr, cLocale);
#endif
    if (std::isinf(v) || std::isnan(v))
        return false;  // beyond the range of a double
    out = v;
    return true;
}

}  // namespace rm::ini
