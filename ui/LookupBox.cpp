#include "LookupBox.h"

namespace rm {

LookupBox::LookupBox(IWindowSurface& surface, Control control, fb::Dataset& list,
                     std::string keyField, std::string listField)
    : fSurface(surface),
      fControl(control),
      fList(list),
      fKeyField(std::move(keyField)),
      fListField(std::move(listField)) {}

void LookupBox::LoadEntries() {
    fKeys.clear();
    fNames.clear();
    for (fList.First(); !fList.Eof(); fList.Next()) {
        fKeys.push_back(fList.FieldAsInteger(fKeyField));
        fNames.push_back(fList.FieldAsString(fListField));
    }
    fList.First();
    fShownIndex = -1;
    fShownText.clear();
    fShownKey.reset();
    fSurface.SetLookupItems(fControl, fNames);
    fSurface.SetLookupShown(fControl, -1);
}

void LookupBox::SetKeyValue(std::int64_t key) {
    if (fValue == key) {
        return;
    }
    fValue = key;
    if (!fList.Active() || !fList.Locate(fKeyField, key)) {
        return;
    }
    const std::string text = fList.FieldAsString(fListField);
    const int index = fList.RecNo() - 1;
    // The rate shown before, compared by its name and its key: two rates may share a name,
    // and the goods list must follow the key.
    const bool changed = text != fShownText || fShownKey != key;
    fShownIndex = index;
    fShownText = text;
    fShownKey = key;
    fSurface.SetLookupShown(fControl, index);
    if (changed && OnChange) {
        OnChange();
    }
}

void LookupBox::Choose(int index) {
    if (index < 0 || index >= static_cast<int>(fKeys.size())) {
        return;
    }
    SetKeyValue(fKeys[static_cast<std::size_t>(index)]);
}

}  // namespace rm
