#include "FakeSurface.h"

#include <cstdio>

namespace rm::test {

namespace {
const Control kAll[] = {Control::bDBChangePath,
                        Control::Label2,
                        Control::eDBPath,
                        Control::cblNDSSelectSource,
                        Control::cblNDSSelectTarget,
                        Control::GridItems,
                        Control::bApplyChangeNDS,
                        Control::pbChangeProgress,
                        Control::Label1,
                        Control::Label3,
                        Control::bCancelChangeNDS,
                        Control::bbSelAll,
                        Control::bbSelEmpty,
                        Control::bbSelInvert};

std::string Call(const char* op, Control c, const std::string& arg) {
    return std::string(op) + "(" + ControlName(c) + "," + arg + ")";
}
}  // namespace

FakeSurface::FakeSurface() {
    // The design's initial states.
    for (Control c : kAll) {
        fStates[c] = ControlState{};
    }
    fStates[Control::bDBChangePath].enabled = false;
    fStates[Control::bDBChangePath].caption = "...";
    fStates[Control::bApplyChangeNDS].caption = "Применить";
    fStates[Control::bCancelChangeNDS].caption = "Отменить";
    fStates[Control::pbChangeProgress].visible = false;
    fStates[Control::bCancelChangeNDS].visible = false;
    fStates[Control::bCancelChangeNDS].left = 800;
    fStates[Control::pbChangeProgress].left = 89;
    fStates[Control::pbChangeProgress].width = 802;
}

void FakeSurface::SetEnabled(Control c, bool enabled) {
    calls.push_back(Call("SetEnabled", c, enabled ? "1" : "0"));
    fStates[c].enabled = enabled;
}

bool FakeSurface::IsEnabled(Control c) const {
    return fStates.at(c).enabled;
}

void FakeSurface::SetVisible(Control c, bool visible) {
    calls.push_back(Call("SetVisible", c, visible ? "1" : "0"));
    fStates[c].visible = visible;
}

void FakeSurface::SetCaption(Control c, const std::string& text) {
    calls.push_back(Call("SetCaption", c, text));
    fStates[c].caption = text;
}

void FakeSurface::SetLeft(Control c, int left) {
    calls.push_back(Call("SetLeft", c, std::to_string(left)));
    fStates[c].left = left;
}

void FakeSurface::SetWidth(Control c, int width) {
    calls.push_back(Call("SetWidth", c, std::to_string(width)));
    fStates[c].width = width;
}

void FakeSurface::SetProgressMin(int value) {
    calls.push_back("SetProgressMin(" + std::to_string(value) + ")");
    progressMin = value;
}

void FakeSurface::SetProgressMax(int value) {
    calls.push_back("SetProgressMax(" + std::to_string(value) + ")");
    progressMax = value;
}

void FakeSurface::SetProgressStep(int value) {
    calls.push_back("SetProgressStep(" + std::to_string(value) + ")");
    progressStep = value;
}

void FakeSurface::SetProgressPosition(int value) {
    calls.push_back("SetProgressPosition(" + std::to_string(value) + ")");
    progressPosition = value;
    progressPositions.push_back(value);
}

void FakeSurface::SetFocus(Control c) {
    calls.push_back(Call("SetFocus", c, ""));
    focused = c;
}

void FakeSurface::SetMinHeight(int height) {
    calls.push_back("SetMinHeight(" + std::to_string(height) + ")");
    minHeight = height;
}

void FakeSurface::SetMinWidth(int width) {
    calls.push_back("SetMinWidth(" + std::to_string(width) + ")");
    minWidth = width;
}

int FakeSurface::MessageBox(const std::string& text, const std::string& caption, unsigned flags) {
    ShownBox box{text, caption, flags, false};
    boxes.push_back(box);
    calls.push_back("MessageBox(" + caption + ")");
    if (onBox) {
        onBox(box);
    }
    if (boxAnswers.empty()) {
        return mb::IDOK;
    }
    const int answer = boxAnswers.front();
    boxAnswers.pop_front();
    return answer;
}

void FakeSurface::ShowMessage(const std::string& text) {
    ShownBox box{text, "", 0, true};
    boxes.push_back(box);
    calls.push_back("ShowMessage(" + text + ")");
    if (onBox) {
        onBox(box);
    }
}

void FakeSurface::ProcessMessages() {
    ++processMessagesCount;
    if (onProcessMessages) {
        onProcessMessages();
    }
}

bool FakeSurface::ExecuteFileDialog(std::string& path) {
    calls.push_back("ExecuteFileDialog()");
    if (fileAnswers.empty()) {
        return false;
    }
    auto answer = fileAnswers.front();
    fileAnswers.pop_front();
    if (!answer) {
        return false;
    }
    path = *answer;
    return true;
}

void FakeSurface::SetLookupItems(Control box, const std::vector<std::string>& names) {
    calls.push_back(Call("SetLookupItems", box, std::to_string(names.size())));
    lookupItems[box] = names;
}

void FakeSurface::SetLookupShown(Control box, int index) {
    calls.push_back(Call("SetLookupShown", box, std::to_string(index)));
    lookupShown[box] = index;
}

void FakeSurface::SetGridSource(MemTable* table) {
    gridSource = table;
}

std::vector<std::string> FakeSurface::BoxLines() const {
    std::vector<std::string> lines;
    for (const auto& b : boxes) {
        char flags[16];
        std::snprintf(flags, sizeof flags, "0x%X", b.flags);
        lines.push_back(b.plain ? "message|" + b.text : b.caption + "|" + b.text + "|" + flags);
    }
    return lines;
}

}  // namespace rm::test
