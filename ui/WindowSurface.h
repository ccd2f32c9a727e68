// The window surface: every operation through which the window logic touches the controls.
// The Qt window implements it; tests use a fake that records each call in order.
// Texts are UTF-8. Message box flags carry their Windows values (MB_OK | MB_ICONERROR, ...).
#pragma once

#include <string>
#include <vector>

namespace rm {

class MemTable;

enum class Control {
    bDBChangePath,
    Label2,
    eDBPath,
    cblNDSSelectSource,
    cblNDSSelectTarget,
    GridItems,
    bApplyChangeNDS,
    pbChangeProgress,
    Label1,
    Label3,
    bCancelChangeNDS,
    bbSelAll,
    bbSelEmpty,
    bbSelInvert,
};

const char* ControlName(Control c);

// Windows message box flags and answers, kept with their platform values.
namespace mb {
inline constexpr unsigned OK = 0x0;
inline constexpr unsigned OKCANCEL = 0x1;
inline constexpr unsigned ICONERROR = 0x10;
inline constexpr unsigned ICONWARNING = 0x30;
inline constexpr unsigned ICONINFORMATION = 0x40;
inline constexpr unsigned DEFBUTTON2 = 0x100;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
}  // namespace mb

class IWindowSurface {
public:
    virtual ~IWindowSurface() = default;

    virtual void SetEnabled(Control c, bool enabled) = 0;
    virtual bool IsEnabled(Control c) const = 0;
    virtual void SetVisible(Control c, bool visible) = 0;
    // Caption of a button or label, text of the edit box.
    virtual void SetCaption(Control c, const std::string& text) = 0;
    virtual void SetLeft(Control c, int left) = 0;
    virtual void SetWidth(Control c, int width) = 0;
    virtual void SetProgressMin(int value) = 0;
    virtual void SetProgressMax(int value) = 0;
    virtual void SetProgressStep(int value) = 0;
    virtual void SetProgressPosition(int value) = 0;
    virtual void SetFocus(Control c) = 0;
    virtual void SetMinHeight(int height) = 0;
    virtual void SetMinWidth(int width) = 0;

    // Modal box owned by the main window; returns mb::IDOK or mb::IDCANCEL (Esc and the close
    // box answer IDCANCEL).
    virtual int MessageBox(const std::string& text, const std::string& caption, unsigned flags) = 0;
    // Plain modal information box: only a text, one OK button, no icon, the application title.
    virtual void ShowMessage(const std::string& text) = 0;
    // Handles every pending window message, then returns without waiting.
    virtual void ProcessMessages() = 0;

    // The file-open dialog: one filter "FDB" (*.fdb), opens at the file system's root, does not
    // insist on an existing file. True and the chosen full path when the operator confirms.
    virtual bool ExecuteFileDialog(std::string& path) = 0;

    // Lookup boxes: the names listed in the drop-down, and the entry shown (-1: empty box).
    virtual void SetLookupItems(Control box, const std::vector<std::string>& names) = 0;
    virtual void SetLookupShown(Control box, int index) = 0;

    // Points the grid at the goods list (nullptr: no data).
    virtual void SetGridSource(MemTable* table) = 0;
};

// What the window sends to its logic: the operator's commands. Implemented by TRatemendForm.
class IWindowEvents {
public:
    virtual ~IWindowEvents() = default;
    virtual void bDBChangePathClick() = 0;
    virtual void bApplyChangeNDSClick() = 0;
    virtual void bCancelChangeNDSClick() = 0;
    virtual void bbSelAllClick() = 0;
    virtual void bbSelEmptyClick() = 0;
    virtual void bbSelInvertClick() = 0;
    // The operator chose entry `index` of a lookup box's drop-down list.
    virtual void LookupChosen(Control box, int index) = 0;
    // The grid: the operator made a shown row current (mouse press on a cell, arrow keys).
    virtual void GridRowSelected(int shownIndex) = 0;
    // The grid: a press and release on the same check-box cell, or Space on the current row.
    virtual void GridToggleCheck(int shownIndex) = 0;
    // A close request; returns whether the window may close.
    virtual bool FormCloseQuery() = 0;
};

}  // namespace rm
