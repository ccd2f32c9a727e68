#include "Utils.h"

#include "IniSettings.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>

#include <cerrno>
#endif

namespace rm {

namespace {

// ---- Platform: the settings file's relative name, the working directory, the computer name.

#ifdef _WIN32

const char* const kSettingsFileRelative = "Net\\ConnectionInfo.ini";
const char kPathSeparator = '\\';

std::string Narrow(const wchar_t* w, int len) {
    if (len <= 0)
        return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, w, len, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, w, len, s.data(), n, nullptr, nullptr);
    return s;
}

// Empty when it cannot be had.
std::string WorkingDirectory() {
    const DWORD need = GetCurrentDirectoryW(0, nullptr);
    if (need == 0)
        return {};
    std::wstring buf(need, L'\0');
    const DWORD n = GetCurrentDirectoryW(need, buf.data());
    if (n == 0 || n >= need)
        return {};
    return Narrow(buf.data(), static_cast<int>(n));
}

std::string ComputerName() {
    wchar_t buf[256] = {};
    DWORD size = 256;
    if (!GetComputerNameW(buf, &size))
        return {};
    int len = 0;
    while (len < 256 && buf[len] != L'\0')
        ++len;
    return Narrow(buf, len);
}

#else

const char* const kSettingsFileRelative = "Net/ConnectionInfo.ini";
const char kPathSeparator = '/';

// Empty when it cannot be had (for example when the directory has been removed).
std::string WorkingDirectory() {
    std::string buf(256, '\0');
    for (;;) {
        if (getcwd(buf.data(), buf.size()) != nullptr) {
            buf.resize(buf.find('\0'));
            return buf;
        }
        if (errno != ERANGE)
            return {};
        buf.assign(buf.size() * 2, '\0');
    }
}

std::string ComputerName() {
    char buf[257] = {};
    if (gethostname(buf, 256) != 0)
        return {};
    buf[256] = '\0';  // a name cut at the buffer's end need not be terminated
    return std::string(buf);
}

#endif

}  // namespace

std::string Database_GetPathToSettingsFile() {
    std::string dir = WorkingDirectory();
    // Without a working directory the name stays relative; it must not become empty, because an
    // empty name would make the reader fall back to its own default file.
    if (dir.empty())
        return kSettingsFileRelative;
    if (dir.back() != kPathSeparator)
        dir += kPathSeparator;
    return dir + kSettingsFileRelative;
}

std::string Database_GetSettings() {
    try {
        std::string result;
        std::string DB_HostName;
        std::string DB_Path;
        {
            TIniSettingsLoad SettLoad(Database_GetPathToSettingsFile());
            DB_HostName = SettLoad.GetValue("Connect", "Server", "");
            DB_Path = SettLoad.GetValue("Connect", "Database", "");
        }
        if (!DB_Path.empty()) {
            result = DB_Path;
            if (!DB_HostName.empty()) {
                result = DB_HostName + ":" + DB_Path;
            }
        }
        return result;
    } catch (...) {  // out of memory: no target
        return std::string();
    }
}

std::string GetComputerNetName() {
    try {
        return TrimControl(ComputerName());
    } catch (...) {
        return std::string();
    }
}

}  // namespace rm
