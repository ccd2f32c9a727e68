#include "WindowSurface.h"

namespace rm {

const char* ControlName(Control c) {
    switch (c) {
        case Control::bDBChangePath: return "bDBChangePath";
        case Control::Label2: return "Label2";
        case Control::eDBPath: return "eDBPath";
        case Control::cblNDSSelectSource: return "cblNDSSelectSource";
        case Control::cblNDSSelectTarget: return "cblNDSSelectTarget";
        case Control::GridItems: return "GridItems";
        case Control::bApplyChangeNDS: return "bApplyChangeNDS";
        case Control::pbChangeProgress: return "pbChangeProgress";
        case Control::Label1: return "Label1";
        case Control::Label3: return "Label3";
        case Control::bCancelChangeNDS: return "bCancelChangeNDS";
        case Control::bbSelAll: return "bbSelAll";
        case Control::bbSelEmpty: return "bbSelEmpty";
        case Control::bbSelInvert: return "bbSelInvert";
    }
    return "?";
}

}  // namespace rm
