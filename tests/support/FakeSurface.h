// A recording window surface for tests: keeps the state of every control, records every call
// in order, and answers message boxes and the file dialog from queues the test fills.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "WindowSurface.h"

namespace rm::test {

struct ShownBox {
    std::string text;
    std::string caption;
    unsigned flags = 0;
    bool plain = false;  // ShowMessage (no caption or flags of its own)
    bool operator==(const ShownBox&) const = default;
};

struct ControlState {
    bool enabled = true;
    bool visible = true;
    std::string caption;
    int left = 0;
    int width = 0;
};

class FakeSurface : public IWindowSurface {
  public:
    FakeSurface();

    void SetEnabled(Control c, bool enabled) override;
    bool IsEnabled(Control c) const override;
    void SetVisible(Control c, bool visible) override;
    void SetCaption(Control c, const std::string& text) override;
    void SetLeft(Control c, int left) override;
    void SetWidth(Control c, int width) override;
    void SetProgressMin(int value) override;
    void SetProgressMax(int value) override;
    void SetProgressStep(int value) override;
    void SetProgressPosition(int value) override;
    void SetFocus(Control c) override;
    void SetMinHeight(int height) override;
    void SetMinWidth(int width) override;
    int MessageBox(const std::string& text, const std::string& caption, unsigned flags) override;
    void ShowMessage(const std::string& text) override;
    void ProcessMessages() override;
    bool ExecuteFileDialog(std::string& path) override;
    void SetLookupItems(Control box, const std::vector<std::string>& names) override;
    void SetLookupShown(Control box, int index) override;
    void SetGridSource(MemTable* table) override;

    // --- what the test reads ---
    const ControlState& State(Control c) const { return fStates.at(c); }
    std::vector<std::string> calls;  // every call, e.g. "SetEnabled(eDBPath,0)"
    std::vector<ShownBox> boxes;     // every box, in order
    std::vector<int> progressPositions;
    int progressMin = 0, progressMax = 0, progressStep = 0, progressPosition = 0;
    int minWidth = 0, minHeight = 0;
    std::optional<Control> focused;
    std::map<Control, std::vector<std::string>> lookupItems;
    std::map<Control, int> lookupShown;
    MemTable* gridSource = nullptr;
    int processMessagesCount = 0;

    // --- what the test sets ---
    std::deque<int> boxAnswers;                          // answers of MessageBox; IDOK when empty
    std::deque<std::optional<std::string>> fileAnswers;  // nullopt: cancelled; cancelled when empty
    std::function<void()> onProcessMessages;             // runs inside ProcessMessages
    std::function<void(const ShownBox&)> onBox;          // runs when a box or message is shown

    // Shown boxes as "caption|text|flags" lines, for compact assertions.
    std::vector<std::string> BoxLines() const;

  private:
    std::map<Control, ControlState> fStates;
};

}  // namespace rm::test
