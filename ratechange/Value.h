// Field values and field descriptions shared by the datasets and the in-memory goods list.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

namespace rm {

// Null, an integer (any exact integer type of the server), a floating-point number
// (also scaled NUMERIC/DECIMAL), or text (UTF-8; date/time values come as text too).
using Value = std::variant<std::monostate, std::int64_t, double, std::string>;

enum class FieldType { Integer, SmallInt, BigInt, Float, Double, Numeric, Text, DateTime, Blob };

struct FieldDef {
    std::string name;      // column alias, made unique ("NdsID", "NdsID1")
    FieldType type = FieldType::Text;
    int size = 0;          // characters for text, 0 otherwise
    int scale = 0;         // digits after the point for Numeric
    bool required = false; // NOT NULL
};

inline bool IsNull(const Value& v) { return std::holds_alternative<std::monostate>(v); }

// Integer reading as the goods list and datasets do it: null -> 0, double truncated,
// text parsed as a decimal integer (0 when it does not convert).
std::int64_t ValueAsInt64(const Value& v);
// Text reading: null -> "", numbers in decimal.
std::string ValueAsString(const Value& v);

}  // namespace rm
