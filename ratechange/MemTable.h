// The in-memory goods list: columns copied from a dataset's fields, rows as compact records,
// a filter that hides rows, a walk over the shown rows, edit/post with one pending edit, and
// counted suspension of its observer (the grid).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "Errors.h"
#include "Value.h"

namespace rm {

// What a view (the grid model) needs to hear. Nothing is sent while controls are disabled;
// when the last suspension ends the view gets one Reset.
class IMemTableObserver {
public:
    virtual ~IMemTableObserver() = default;
    virtual void TableReset() = 0;                 // structure, rows, filter or everything changed
    virtual void RowChanged(int shownIndex) = 0;   // values of one shown row changed
    virtual void CurrentChanged(int shownIndex) = 0;  // the current row moved (-1: none)
};

class MemTable {
public:
    explicit MemTable(std::string name);  // "MemTableData"
    const std::string& Name() const { return fName; }

    // --- structure and loading ---
    bool Active() const { return fActive; }
    // Drops rows and structure; the table is closed afterwards.
    void Close();
    // Removes all rows (only when open).
    void EmptyTable();
    // Builds the structure afresh from field definitions (table must be closed).
    void CreateFields(const std::vector<FieldDef>& fields);
    void Open();  // opens the table, empty
    const std::vector<FieldDef>& Fields() const { return fFields; }
    int FieldIndex(const std::string& name) const;  // -1 when absent
    // Appends a row directly, not through an edit. values.size() == Fields().size().
    void AppendRecord(std::vector<Value> values);
    void ReserveRows(std::size_t n) { fRows.reserve(n); }

    // --- filter ---
    // "" shows every row; "(SelField = 1)" (a parenthesised "Field = integer") shows the rows
    // whose field equals the integer. Posts a pending edit first. Throws EDatabaseError for a
    // text it does not understand.
    void SetFilter(const std::string& text);
    const std::string& Filter() const { return fFilter; }

    // --- walk over the shown rows (every one throws the closed-table error while closed) ---
    int RecordCount() const;  // shown rows
    void First();             // posts a pending edit, then the first shown row
    void Next();              // posts a pending edit, then the next shown row (or past the end)
    bool Eof() const;         // past the last shown row, or no shown row
    int RecNo() const;        // 1-based position of the current row among the shown rows, 0: none
    // Makes the shown row at index (0-based) current; posts a pending edit of the old row.
    void MoveTo(int shownIndex);
    int CurrentIndex() const { return fCurrent; }  // 0-based shown index, -1 when none

    // --- edit of the current row ---
    void Edit();
    void Post();
    void Cancel();
    bool Editing() const { return fEditing; }

    // Field values of the current row (the pending edit's values while editing).
    std::int64_t FieldAsInteger(const std::string& name) const;  // empty value reads as 0
    std::string FieldAsString(const std::string& name) const;
    bool FieldIsNull(const std::string& name) const;
    // Writing requires edit mode (EDatabaseError "MemTableData: Dataset not in edit or insert mode").
    void SetFieldAsInteger(const std::string& name, std::int64_t value);
    void SetFieldNull(const std::string& name);

    // --- direct read access for views (no current-row change) ---
    int ShownCount() const { return static_cast<int>(fShown.size()); }
    const Value& ShownValue(int shownIndex, int field) const;

    // --- observer and suspension ---
    void SetObserver(IMemTableObserver* observer) { fObserver = observer; }
    void DisableControls();
    void EnableControls();  // the last one resets the observer once
    bool ControlsDisabled() const { return fDisableCount > 0; }

private:
    [[noreturn]] void ThrowClosed() const;
    void CheckActive() const;
    void Rebuild();  // recomputes fShown from the filter
    bool Passes(const std::vector<Value>& row) const;
    void PostPending();
    void NotifyReset();
    void NotifyRow(int shownIndex);
    void NotifyCurrent();
    int FieldIndexOrThrow(const std::string& name) const;

    std::string fName;
    bool fActive = false;
    std::vector<FieldDef> fFields;
    std::vector<std::vector<Value>> fRows;  // every row, in load order
    std::vector<int> fShown;                // indexes into fRows of the rows that pass the filter
    std::string fFilter;
    int fFilterField = -1;
    std::int64_t fFilterValue = 0;
    int fCurrent = -1;                      // index into fShown; == size() means past the end
    bool fEof = true;
    bool fEditing = false;
    bool fModified = false;
    std::vector<Value> fEditBuffer;
    IMemTableObserver* fObserver = nullptr;
    int fDisableCount = 0;
    bool fResetPending = false;
};

}  // namespace rm
