#include "Errors.h"

#include <algorithm>

namespace rm {

namespace {

std::string OsErrorMessage(int code, const std::string& systemText) {
    if (code == 0)
        return "A call to an OS function failed";
    // The system's text loses its trailing blanks, line breaks and full stops.
    std::string text = systemText;
    while (!text.empty()) {
        const auto c = static_cast<unsigned char>(text.back());
        if (c > 32 && c != '.')
            break;
        text.pop_back();
    }
    return "System Error.  Code: " + std::to_string(code) + ".\r\n" + text;
}

}  // namespace

EOSError::EOSError(int code, const std::string& systemText)
    : EError("EOSError", OsErrorMessage(code, systemText)), fCode(code) {}

bool EFIBInterBaseError::HasGdsCode(long code) const noexcept {
    return std::find(fGdsCodes.begin(), fGdsCodes.end(), code) != fGdsCodes.end();
}

}  // namespace rm
