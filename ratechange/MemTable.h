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
    virtual void TableReset() = 0;                // structure, rows, filter or everything changed
    virtual void RowChanged(int shownIndex) = 0;  // values of one shown row changed
    virtual void CurrentChanged(int shownIndex) = 0;  // the current row moved (-1: none)
};

class MemTable {
  public:
    explicit MemTable(std::string name);  // "MemTableData"
    const std::string& Name() const { return fName; }

    // --- structure and loading ---
    bool Active() const { return fActive; }
    // Drops rows, structure and a pending edit; the table is closed afterwards. The filter
    // text stays.
    void Close();
    // Removes all rows and drops a pending edit; does nothing while closed.
    void EmptyTable();
    // Builds the structure afresh from field definitions (table must be closed). Names must be
    // unique: the dataset already turns a repeated alias into NdsID1, NdsID2, ...
    void CreateFields(const std::vector<FieldDef>& fields);
    void Open();  // opens the table, empty; does nothing when already open
    const std::vector<FieldDef>& Fields() const { return fFields; }
    // -1 when absent. An exact match wins; otherwise the first name equal ignoring ASCII case.
    int FieldIndex(const std::string& name) const;
    // Appends a row directly, not through an edit (a pending edit is posted first).
    // values.size() == Fields().size(). The row becomes current when the filter shows it.
    void AppendRecord(std::vector<Value> values);
    void ReserveRows(std::size_t n) { fRows.reserve(n); }

    // --- filter ---
    // "" shows every row; "(SelField = 1)" (a "Field = integer", parentheses and blanks
    // optional) shows the rows whose field holds a number equal to the integer; an empty value
    // never passes. Posts a pending edit first, then recomputes the shown rows and goes to the
    // first of them. A text it does not understand, or an unknown field while open, throws
    // EDatabaseError and leaves filter, rows and pending edit as they were. While closed the
    // text is kept and applied at Open.
    // The shown rows are recomputed only here: a row edited while a filter is on stays shown
    // until the filter is set again (the utility edits only with the filter off).
    void SetFilter(const std::string& text);
    const std::string& Filter() const { return fFilter; }

    // --- walk over the shown rows (every one throws the closed-table error while closed) ---
    int RecordCount() const;  // shown rows
    void First();             // posts a pending edit, then the first shown row
    void Next();              // posts a pending edit, then the next shown row (or past the end)
    // Past the last shown row, or no shown row. Past the end the last row stays current.
    bool Eof() const;
    int RecNo() const;  // 1-based position of the current row among the shown rows, 0: none
    // Makes the shown row at index (0-based) current; posts a pending edit of the old row.
    // An index outside the shown rows throws EDatabaseError.
    void MoveTo(int shownIndex);
    int CurrentIndex() const { return fCurrent; }  // 0-based shown index, -1 when none

    // --- edit of the current row ---
    // Edit: no-op while editing; EDatabaseError when no row is shown. Post stores the written
    // values (an edit that wrote nothing is just dropped); Post and Cancel do nothing while
    // not editing.
    void Edit();
    void Post();
    void Cancel();
    bool Editing() const { return fEditing; }

    // Field values of the current row (the pending edit's values while editing). With no row
    // shown every field reads as empty. An unknown name throws EDatabaseError.
    std::int64_t FieldAsInteger(const std::string& name) const;  // empty value reads as 0
    std::string FieldAsString(const std::string& name) const;
    bool FieldIsNull(const std::string& name) const;
    // Writing requires edit mode (EDatabaseError "MemTableData: Dataset not in edit or insert
    // mode"). An integer is stored as the field's kind of value (a number, or decimal text for a
    // text field); SmallInt and Integer fields refuse values out of their range.
    void SetFieldAsInteger(const std::string& name, std::int64_t value);
    void SetFieldNull(const std::string& name);

    // --- direct read access for views (no current-row change) ---
    int ShownCount() const { return static_cast<int>(fShown.size()); }
    // The current row reads with its pending values; an index out of range reads as empty.
    const Value& ShownValue(int shownIndex, int field) const;

    // --- observer and suspension ---
    // Unsuspended, a view hears TableReset for structure, rows and filter, RowChanged for a
    // written or posted value, CurrentChanged when the current row moves. After a TableReset
    // it re-reads everything, the current row included.
    void SetObserver(IMemTableObserver* observer) { fObserver = observer; }
    void DisableControls();
    void EnableControls();  // the last one resets the observer once; an unmatched one is ignored
    bool ControlsDisabled() const { return fDisableCount > 0; }

  private:
    [[noreturn]] void ThrowClosed() const;
    [[noreturn]] void ThrowError(const std::string& text) const;  // "<name>: <text>"
    void CheckActive() const;
    void Rebuild();  // recomputes fShown from the filter
    bool Passes(const std::vector<Value>& row) const;
    void PostPending();
    void DropPending();
    void NotifyReset();
    void NotifyRow(int shownIndex);
    void NotifyCurrent();
    void SetCurrent(int shownIndex, bool eof);
    int FieldIndexOrThrow(const std::string& name) const;
    const Value& CurrentValue(int field) const;
    Value ToFieldValue(int field, std::int64_t value) const;

    std::string fName;
    bool fActive = false;
    std::vector<FieldDef> fFields;
    std::vector<std::vector<Value>> fRows;  // every row, in load order
    std::vector<int> fShown;                // indexes into fRows of the rows that pass the filter
    std::string fFilter;
    std::string fFilterFieldName;  // "" when the filter shows every row
    int fFilterField = -1;         // resolved against fFields while open
    std::int64_t fFilterValue = 0;
    // Index into fShown of the current row, -1 when no row is shown. Going past the last row
    // sets fEof and leaves the last row current, so a view keeps a row to point at.
    int fCurrent = -1;
    bool fEof = true;
    bool fEditing = false;
    bool fModified = false;
    // The pending edit: one slot per field, and which slots hold a written value. Both are
    // sized with the structure and reused, so an edit of an integer allocates nothing.
    std::vector<Value> fEditBuffer;
    std::vector<unsigned char> fEditSet;
    IMemTableObserver* fObserver = nullptr;
    int fDisableCount = 0;
};

}  // namespace rm
