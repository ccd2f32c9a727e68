// A lookup box over a rate list: its value is a rate key, it shows the rate's name, and the
// rate list's current row follows it. The widget itself only lists names and shows one entry;
// this class holds the value, does the lookup and decides when a change is notified.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "FbAccess.h"
#include "WindowSurface.h"

namespace rm {

class LookupBox {
  public:
    LookupBox(IWindowSurface& surface, Control control, fb::Dataset& list, std::string keyField,
              std::string listField);

    // Reads the open rate list into the drop-down entries (names in the list's order) and puts
    // the list back on its first row.
    void LoadEntries();

    // Sets the value to a key. Equal to the value: nothing happens. Otherwise the key becomes
    // the value and, while the list is open, is looked up: when found, that row becomes the
    // list's current row and the box shows its name; when not, row and text stay.
    void SetKeyValue(std::int64_t key);
    // The operator chose the entry at index of the drop-down list.
    void Choose(int index);

    std::optional<std::int64_t> KeyValue() const { return fValue; }
    int ShownIndex() const { return fShownIndex; }
    const std::string& ShownText() const { return fShownText; }

    // Called when the box shows another rate: another text, or the same text of a rate with
    // another key.
    std::function<void()> OnChange;

  private:
    IWindowSurface& fSurface;
    Control fControl;
    fb::Dataset& fList;
    std::string fKeyField;
    std::string fListField;
    std::vector<std::int64_t> fKeys;
    std::vector<std::string> fNames;
    std::optional<std::int64_t> fValue;
    int fShownIndex = -1;
    std::string fShownText;
    std::optional<std::int64_t> fShownKey;
};

}  // namespace rm
