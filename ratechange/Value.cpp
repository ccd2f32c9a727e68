#include "Value.h"

#include <charconv>
#include <cmath>
#include <limits>

namespace rm {

namespace {

bool IsBlank(char c) {
    return static_cast<unsigned char>(c) <= ' ';
}

std::int64_t TextAsInt64(const std::string& text) {
    std::size_t b = 0;
    std::size_t e = text.size();
    while (b < e && IsBlank(text[b])) {
        ++b;
    }
    while (e > b && IsBlank(text[e - 1])) {
        --e;
    }
    if (b < e && text[b] == '+') {
        ++b;  // from_chars takes a minus sign only
        if (b < e && text[b] == '-') {
            return 0;
        }
    }
    std::int64_t result = 0;
    const char* first = text.data() + b;
    const char* last = text.data() + e;
    auto [ptr, ec] = std::from_chars(first, last, result);
    if (ec != std::errc() || ptr != last || first == last) {
        return 0;
    }
    return result;
}

std::int64_t DoubleAsInt64(double d) {
    if (std::isnan(d)) {
        return 0;
    }
    // 2^63 is exactly representable; anything at or beyond it does not fit.
    constexpr double limit = 9223372036854775808.0;
    if (d >= limit) {
        return std::numeric_limits<std::int64_t>::max();
    }
    if (d < -limit) {
        return std::numeric_limits<std::int64_t>::min();
    }
    return static_cast<std::int64_t>(d);  // truncates toward zero
}

}  // namespace

std::int64_t ValueAsInt64(const Value& v) {
    switch (v.index()) {
        case 1:
            return std::get<std::int64_t>(v);
        case 2:
            return DoubleAsInt64(std::get<double>(v));
        case 3:
            return TextAsInt64(std::get<std::string>(v));
        default:
            return 0;
    }
}

std::string ValueAsString(const Value& v) {
    char buf[64];
    switch (v.index()) {
        case 1: {
            auto r = std::to_chars(buf, buf + sizeof buf, std::get<std::int64_t>(v));
            return std::string(buf, r.ptr);
        }
        case 2: {
            // 15 significant digits: what a double holds reliably, so 0.1 + 0.2 reads "0.3".
            auto r = std::to_chars(buf, buf + sizeof buf, std::get<double>(v),
                                   std::chars_format::general, 15);
            return std::string(buf, r.ptr);
        }
        case 3:
            return std::get<std::string>(v);
        default:
            return std::string();
    }
}

}  // namespace rm
