#include "MemTable.h"

#include <charconv>
#include <limits>
#include <utility>

namespace rm {

namespace {

const Value kNullValue;

bool IsBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsNameChar(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '_';
}

char LowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (LowerAscii(a[i]) != LowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

struct FilterExpr {
    std::string field;  // "" for the filter that shows every row
    std::int64_t value = 0;
};

// Reads "Field = integer", optionally in one pair of parentheses, blanks anywhere between the
// tokens. False for anything else.
bool ParseFilter(const std::string& text, FilterExpr& out) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    auto skipBlanks = [&] {
        while (i < n && IsBlank(text[i])) {
            ++i;
        }
    };
    skipBlanks();
    if (i == n) {
        out = FilterExpr{};
        return true;
    }
    bool paren = false;
    if (text[i] == '(') {
        paren = true;
        ++i;
        skipBlanks();
    }
    const std::size_t nameStart = i;
    while (i < n && IsNameChar(text[i])) {
        ++i;
    }
    if (i == nameStart || (text[nameStart] >= '0' && text[nameStart] <= '9')) {
        return false;
    }
    std::string field = text.substr(nameStart, i - nameStart);
    skipBlanks();
    if (i == n || text[i] != '=') {
        return false;
    }
    ++i;
    skipBlanks();
    const std::size_t numStart = i;
    if (i < n && (text[i] == '-' || text[i] == '+')) {
        ++i;
    }
    while (i < n && text[i] >= '0' && text[i] <= '9') {
        ++i;
    }
    const char* first = text.data() + numStart;
    const char* last = text.data() + i;
    if (first < last && *first == '+') {
        ++first;  // from_chars takes a minus sign only
    }
    std::int64_t value = 0;
    auto [ptr, ec] = std::from_chars(first, last, value);
    if (ec != std::errc() || ptr != last) {
        return false;  // no digits, or out of range
    }
    skipBlanks();
    if (paren) {
        if (i == n || text[i] != ')') {
            return false;
        }
        ++i;
        skipBlanks();
    }
    if (i != n) {
        return false;
    }
    out.field = std::move(field);
    out.value = value;
    return true;
}

bool IsIntegerType(FieldType t) {
    return t == FieldType::Integer || t == FieldType::SmallInt || t == FieldType::BigInt;
}

bool IsFloatType(FieldType t) {
    return t == FieldType::Float || t == FieldType::Double || t == FieldType::Numeric;
}

}  // namespace

MemTable::MemTable(std::string name) : fName(std::move(name)) {}

// --- errors and checks ---

void MemTable::ThrowError(const std::string& text) const {
    throw EDatabaseError(fName + ": " + text);
}

void MemTable::ThrowClosed() const {
    ThrowError("Cannot perform this operation on a closed dataset");
}

void MemTable::CheckActive() const {
    if (!fActive) {
        ThrowClosed();
    }
}

int MemTable::FieldIndex(const std::string& name) const {
    const int count = static_cast<int>(fFields.size());
    for (int i = 0; i < count; ++i) {
        if (fFields[i].name == name) {
            return i;
        }
    }
    for (int i = 0; i < count; ++i) {
        if (EqualIgnoringCase(fFields[i].name, name)) {
            return i;
        }
    }
    return -1;
}

int MemTable::FieldIndexOrThrow(const std::string& name) const {
    const int index = FieldIndex(name);
    if (index < 0) {
        ThrowError("Field '" + name + "' not found");
    }
    return index;
}

// --- structure and loading ---

void MemTable::Close() {
    DropPending();
    fActive = false;
    fRows.clear();
    fRows.shrink_to_fit();  // a closed list holds no memory of its former rows
    fShown.clear();
    fShown.shrink_to_fit();
    fFields.clear();
    fEditBuffer.clear();
    fEditSet.clear();
    fFilterField = -1;
    fCurrent = -1;
    fEof = true;
    NotifyReset();
}

void MemTable::EmptyTable() {
    if (!fActive) {
        return;
    }
    DropPending();
    fRows.clear();
    fShown.clear();
    fCurrent = -1;
    fEof = true;
    NotifyReset();
}

void MemTable::CreateFields(const std::vector<FieldDef>& fields) {
    if (fActive) {
        ThrowError("Cannot perform this operation on an open dataset");
    }
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].name.empty()) {
            ThrowError("Field name missing");
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (EqualIgnoringCase(fields[i].name, fields[j].name)) {
                ThrowError("Duplicate field name '" + fields[i].name + "'");
            }
        }
    }
    fFields = fields;
    fEditBuffer.assign(fFields.size(), Value{});
    fEditSet.assign(fFields.size(), 0);
    NotifyReset();
}

void MemTable::Open() {
    if (fActive) {
        return;
    }
    int filterField = -1;
    if (!fFilterFieldName.empty()) {
        filterField = FieldIndexOrThrow(fFilterFieldName);
    }
    fFilterField = filterField;
    fRows.clear();
    fShown.clear();
    fCurrent = -1;
    fEof = true;
    fEditing = false;
    fModified = false;
    fActive = true;
    NotifyReset();
}

void MemTable::AppendRecord(std::vector<Value> values) {
    CheckActive();
    if (values.size() != fFields.size()) {
        ThrowError("Row has " + std::to_string(values.size()) + " values for " +
                   std::to_string(fFields.size()) + " fields");
    }
    PostPending();
    const bool shown = Passes(values);
    fRows.push_back(std::move(values));
    if (shown) {
        fShown.push_back(static_cast<int>(fRows.size() - 1));
        fCurrent = static_cast<int>(fShown.size() - 1);
        fEof = false;
    }
    NotifyReset();
}

// --- filter ---

void MemTable::SetFilter(const std::string& text) {
    FilterExpr expr;
    if (!ParseFilter(text, expr)) {
        ThrowError("Filter '" + text +
                   "' not understood: expected a field compared with an integer, such as "
                   "(SelField = 1), or an empty text");
    }
    int filterField = -1;
    if (fActive && !expr.field.empty()) {
        filterField = FieldIndexOrThrow(expr.field);
    }
    PostPending();
    fFilter = text;
    fFilterFieldName = std::move(expr.field);
    fFilterValue = expr.value;
    fFilterField = filterField;
    if (!fActive) {
        return;
    }
    Rebuild();
    fCurrent = fShown.empty() ? -1 : 0;
    fEof = fShown.empty();
    NotifyReset();
    NotifyCurrent();
}

bool MemTable::Passes(const std::vector<Value>& row) const {
    if (fFilterField < 0) {
        return true;
    }
    const Value& v = row[fFilterField];
    if (const auto* i = std::get_if<std::int64_t>(&v)) {
        return *i == fFilterValue;
    }
    if (const auto* d = std::get_if<double>(&v)) {
        return *d == static_cast<double>(fFilterValue);
    }
    return false;  // empty and text values never pass
}

void MemTable::Rebuild() {
    fShown.clear();
    fShown.reserve(fRows.size());
    const int count = static_cast<int>(fRows.size());
    for (int i = 0; i < count; ++i) {
        if (Passes(fRows[i])) {
            fShown.push_back(i);
        }
    }
}

// --- walk ---

int MemTable::RecordCount() const {
    CheckActive();
    return static_cast<int>(fShown.size());
}

void MemTable::SetCurrent(int shownIndex, bool eof) {
    const bool moved = shownIndex != fCurrent;
    fCurrent = shownIndex;
    fEof = eof;
    if (moved) {
        NotifyCurrent();
    }
}

void MemTable::First() {
    CheckActive();
    PostPending();
    if (fShown.empty()) {
        SetCurrent(-1, true);
    } else {
        SetCurrent(0, false);
    }
}

void MemTable::Next() {
    CheckActive();
    PostPending();
    if (fCurrent + 1 < static_cast<int>(fShown.size())) {
        SetCurrent(fCurrent + 1, false);
    } else {
        fEof = true;
    }
}

bool MemTable::Eof() const {
    CheckActive();
    return fEof || fShown.empty();
}

int MemTable::RecNo() const {
    CheckActive();
    return fCurrent + 1;
}

void MemTable::MoveTo(int shownIndex) {
    CheckActive();
    if (shownIndex < 0 || shownIndex >= static_cast<int>(fShown.size())) {
        ThrowError("Row " + std::to_string(shownIndex) + " is not among the " +
                   std::to_string(fShown.size()) + " shown rows");
    }
    PostPending();
    SetCurrent(shownIndex, false);
}

// --- edit ---

void MemTable::Edit() {
    CheckActive();
    if (fEditing) {
        return;
    }
    if (fCurrent < 0) {
        ThrowError("Cannot edit: no current row");
    }
    fEditing = true;
    fModified = false;
}

void MemTable::Post() {
    CheckActive();
    PostPending();
}

void MemTable::Cancel() {
    CheckActive();
    const bool modified = fEditing && fModified;
    DropPending();
    if (modified) {
        NotifyRow(fCurrent);  // the view showed the written values; it shows the stored ones again
    }
}

void MemTable::PostPending() {
    if (!fEditing) {
        return;
    }
    if (!fModified) {
        fEditing = false;
        return;
    }
    std::vector<Value>& row = fRows[fShown[fCurrent]];
    for (std::size_t i = 0; i < fEditSet.size(); ++i) {
        if (fEditSet[i]) {
            row[i] = std::move(fEditBuffer[i]);
            fEditSet[i] = 0;
        }
    }
    fEditing = false;
    fModified = false;
    NotifyRow(fCurrent);
}

void MemTable::DropPending() {
    if (fModified) {
        for (auto& flag : fEditSet) {
            flag = 0;
        }
    }
    fEditing = false;
    fModified = false;
}

// --- fields of the current row ---

const Value& MemTable::CurrentValue(int field) const {
    if (fEditing && fEditSet[field]) {
        return fEditBuffer[field];
    }
    if (fCurrent < 0) {
        return kNullValue;
    }
    return fRows[fShown[fCurrent]][field];
}

std::int64_t MemTable::FieldAsInteger(const std::string& name) const {
    CheckActive();
    return ValueAsInt64(CurrentValue(FieldIndexOrThrow(name)));
}

std::string MemTable::FieldAsString(const std::string& name) const {
    CheckActive();
    return ValueAsString(CurrentValue(FieldIndexOrThrow(name)));
}

bool MemTable::FieldIsNull(const std::string& name) const {
    CheckActive();
    return IsNull(CurrentValue(FieldIndexOrThrow(name)));
}

Value MemTable::ToFieldValue(int field, std::int64_t value) const {
    const FieldDef& def = fFields[field];
    if (def.type == FieldType::SmallInt || def.type == FieldType::Integer) {
        const bool small = def.type == FieldType::SmallInt;
        const std::int64_t lo = small ? std::numeric_limits<std::int16_t>::min()
                                      : std::numeric_limits<std::int32_t>::min();
        const std::int64_t hi = small ? std::numeric_limits<std::int16_t>::max()
                                      : std::numeric_limits<std::int32_t>::max();
        if (value < lo || value > hi) {
            ThrowError(std::to_string(value) + " is not a valid value for field '" + def.name +
                       "'. The allowed range is " + std::to_string(lo) + " to " +
                       std::to_string(hi));
        }
    }
    if (IsIntegerType(def.type)) {
        return Value(value);
    }
    if (IsFloatType(def.type)) {
        return Value(static_cast<double>(value));
    }
    return Value(std::to_string(value));
}

void MemTable::SetFieldAsInteger(const std::string& name, std::int64_t value) {
    CheckActive();
    const int field = FieldIndexOrThrow(name);
    if (!fEditing) {
        ThrowError("Dataset not in edit or insert mode");
    }
    fEditBuffer[field] = ToFieldValue(field, value);
    fEditSet[field] = 1;
    fModified = true;
    NotifyRow(fCurrent);
}

void MemTable::SetFieldNull(const std::string& name) {
    CheckActive();
    const int field = FieldIndexOrThrow(name);
    if (!fEditing) {
        ThrowError("Dataset not in edit or insert mode");
    }
    fEditBuffer[field] = Value{};
    fEditSet[field] = 1;
    fModified = true;
    NotifyRow(fCurrent);
}

const Value& MemTable::ShownValue(int shownIndex, int field) const {
    if (shownIndex < 0 || shownIndex >= static_cast<int>(fShown.size()) || field < 0 ||
        field >= static_cast<int>(fFields.size())) {
        return kNullValue;
    }
    if (fEditing && shownIndex == fCurrent && fEditSet[field]) {
        return fEditBuffer[field];
    }
    return fRows[fShown[shownIndex]][field];
}

// --- observer ---

void MemTable::DisableControls() {
    ++fDisableCount;
}

void MemTable::EnableControls() {
    if (fDisableCount == 0) {
        return;
    }
    if (--fDisableCount == 0) {
        if (fObserver) {
            fObserver->TableReset();
        }
    }
}

void MemTable::NotifyReset() {
    // While suspended nothing is sent: the last EnableControls resets the view anyway.
    if (fDisableCount == 0 && fObserver) {
        fObserver->TableReset();
    }
}

void MemTable::NotifyRow(int shownIndex) {
    if (fDisableCount == 0 && fObserver && shownIndex >= 0) {
        fObserver->RowChanged(shownIndex);
    }
}

void MemTable::NotifyCurrent() {
    if (fDisableCount == 0 && fObserver) {
        fObserver->CurrentChanged(fCurrent);
    }
}

}  // namespace rm
