// The text rules of the INI reader, on text already in memory. Used by the reader and by the
// fuzz target; none of these functions touches a file.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rm::ini {

// Longest value a text read yields, in characters.
inline constexpr std::size_t kMaxValueChars = 2047;

// The file's bytes as UTF-8 text: UTF-16 (LE or BE, by its byte-order mark) converted, an UTF-8
// byte-order mark dropped, anything else kept as it is.
std::string DecodeFileBytes(std::string_view bytes);

// The value of aKey in the first section named aSection, or nothing when either is missing.
std::optional<std::string> FindValue(std::string_view text, std::string_view aSection,
                                     std::string_view aKey);

// Names compared without regard to letter case (ASCII and Cyrillic).
bool SameName(std::string_view a, std::string_view b);

// Leading/trailing blanks (space, tab).
std::string_view TrimBlanks(std::string_view s);
std::string_view TrimTrailingBlanks(std::string_view s);

// The integer rule: blanks, optional sign, decimal digits or hexadecimal digits after "$" or
// "0x" (a 32-bit pattern). False when the text does not convert.
bool ParseInt32(std::string_view text, std::int32_t& out);

// The number rule with the given decimal separator. False when the text does not convert or
// the number lies beyond the range of a double.
bool ParseNumber(std::string_view text, std::string_view aSeparator, double& out);

}  // namespace rm::ini
