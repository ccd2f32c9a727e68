#include "IniSettings.h"

#include <mutex>
#include <new>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "IniText.h"

#ifdef _WIN32
#include <windows.h>

#include <cstdio>
#else
#include <fcntl.h>
#include <langinfo.h>
#include <locale.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace rm {

namespace {

const char* const kCreateErrorPrefix = "Ошибка Создания INI файла ";
const char* const kReadErrorPrefix = "Ошибка вычитывания значения ";
const char* const kNoIniObject = "Не определен класс исходных данных";

// A failure inside the reader, with the type name under which it is reported in Error.
class IniError : public std::runtime_error {
  public:
    IniError(std::string aTypeName, const std::string& aMessage)
        : std::runtime_error(aMessage), fTypeName(std::move(aTypeName)) {}
    const std::string& TypeName() const { return fTypeName; }

  private:
    std::string fTypeName;
};

// "<type name>: <message>" of the exception being handled. Call only inside a catch block.
std::string DescribeCurrentException() {
    try {
        throw;
    } catch (const IniError& e) {
        return e.TypeName() + ": " + e.what();
    } catch (const std::bad_alloc&) {
        return "EOutOfMemory: Out of memory";
    } catch (const std::exception& e) {
        return std::string("Exception: ") + e.what();
    } catch (...) {
        return "Exception: Unknown error";
    }
}

std::string OsMessage(int aCode) {
    return std::generic_category().message(aCode);
}

[[noreturn]] void ThrowOpenError(const std::string& aPath, const std::string& aWhy) {
    throw IniError("EFOpenError", "Cannot open file \"" + aPath + "\". " + aWhy);
}

// ---- Platform: the executable's folder, reading a file whole, the user's decimal separator.

#ifdef _WIN32

std::wstring Widen(const std::string& s) {
    if (s.empty())
        return {};
    const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
    return w;
}

std::string Narrow(const wchar_t* w, int len, UINT aCodePage = CP_UTF8) {
    if (len <= 0)
        return {};
    const int n = WideCharToMultiByte(aCodePage, 0, w, len, nullptr, 0, nullptr, nullptr);
    std::string s(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(aCodePage, 0, w, len, s.data(), n, nullptr, nullptr);
    return s;
}

const char kPathSeparator = '\\';

std::string ExecutableFolder() {
    std::wstring buf(MAX_PATH, L'\0');
    for (;;) {
        const DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
        if (n == 0) {
            throw IniError("EOSError",
                           "System Error.  Code: " + std::to_string(GetLastError()) + ".");
        }
        if (n < buf.size()) {
            buf.resize(n);
            break;
        }
        buf.resize(buf.size() * 2);
    }
    const std::string path = Narrow(buf.data(), static_cast<int>(buf.size()));
    return path.substr(0, path.find_last_of("\\/"));
}

// Any file without a UTF-16 byte-order mark is in the workstation's ANSI code page.
std::string LocalBytesToUtf8(const std::string& bytes) {
    if (bytes.empty())
        return {};
    const int n =
        MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), nullptr, 0);
    std::wstring w(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, bytes.data(), static_cast<int>(bytes.size()), w.data(), n);
    return Narrow(w.data(), n);
}

// False when the file does not exist.
bool ReadWholeFile(const std::string& aPath, std::string& out) {
    const std::wstring wpath = Widen(aPath);
    const DWORD attrs = GetFileAttributesW(wpath.c_str());
    if (attrs == INVALID_FILE_ATTRIBUTES) {
        const DWORD code = GetLastError();
        if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND)
            return false;
        ThrowOpenError(aPath, "System Error.  Code: " + std::to_string(code) + ".");
    }
    if (attrs & FILE_ATTRIBUTE_DIRECTORY)
        ThrowOpenError(aPath, "Is a directory");
    FILE* f = _wfopen(wpath.c_str(), L"rb");
    if (f == nullptr)
        ThrowOpenError(aPath, OsMessage(errno));
    char chunk[65536];
    std::size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        out.append(chunk, n);
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed)
        throw IniError("EReadError", "Cannot read file \"" + aPath + "\".");
    const bool utf16 = out.size() >= 2 && ((out[0] == '\xFF' && out[1] == '\xFE') ||
                                           (out[0] == '\xFE' && out[1] == '\xFF'));
    if (!utf16)
        out = LocalBytesToUtf8(out);
    return true;
}

std::string UserDecimalSeparatorFromSystem() {
    wchar_t buf[8] = {};
    const int n = GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_SDECIMAL, buf, 8);
    return n > 1 ? Narrow(buf, n - 1) : std::string(".");
}

#else

const char kPathSeparator = '/';

std::string ExecutableFolder() {
    std::string buf(256, '\0');
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size());
        if (n < 0) {
            const int code = errno;
            throw IniError("EOSError", "System Error.  Code: " + std::to_string(code) + ".\r\n" +
                                           OsMessage(code));
        }
        if (static_cast<std::size_t>(n) < buf.size()) {
            buf.resize(static_cast<std::size_t>(n));
            break;
        }
        buf.resize(buf.size() * 2);
    }
    const std::size_t slash = buf.find_last_of('/');
    return slash == 0 ? std::string("/") : buf.substr(0, slash);
}

class Fd {
  public:
    explicit Fd(int fd) : fFd(fd) {}
    ~Fd() {
        if (fFd >= 0)
            close(fFd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fFd; }

  private:
    int fFd;
};

// False when the file does not exist. Only regular files are read: a folder, a pipe or a device
// is refused rather than waited on or read without end.
bool ReadWholeFile(const std::string& aPath, std::string& out) {
    const Fd fd(open(aPath.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0) {
        const int code = errno;
        if (code == ENOENT || code == ENOTDIR)
            return false;
        ThrowOpenError(aPath, OsMessage(code));
    }
    struct stat st {};
    if (fstat(fd.get(), &st) != 0)
        ThrowOpenError(aPath, OsMessage(errno));
    if (S_ISDIR(st.st_mode))
        ThrowOpenError(aPath, OsMessage(EISDIR));
    if (!S_ISREG(st.st_mode))
        ThrowOpenError(aPath, "Not a regular file");
    if (st.st_size > 0)
        out.reserve(static_cast<std::size_t>(st.st_size));
    char chunk[65536];
    for (;;) {
        const ssize_t n = read(fd.get(), chunk, sizeof chunk);
        if (n == 0)
            break;
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw IniError("EReadError", "Cannot read file \"" + aPath + "\". " + OsMessage(errno));
        }
        out.append(chunk, static_cast<std::size_t>(n));
    }
    return true;
}

// The separator of the numeric locale that the environment selects (LC_ALL, LC_NUMERIC, LANG),
// read without touching the process's own locale.
std::string UserDecimalSeparatorFromSystem() {
    const locale_t loc = newlocale(LC_NUMERIC_MASK, "", static_cast<locale_t>(0));
    if (loc == static_cast<locale_t>(0))
        return ".";
    const char* radix = nl_langinfo_l(RADIXCHAR, loc);
    std::string sep = (radix != nullptr && *radix != '\0') ? radix : ".";
    freelocale(loc);
    return sep;
}

#endif

std::mutex gSeparatorMutex;
std::string gSeparatorOverride;

}  // namespace

// The INI file object: knows its path only; every read opens, reads and closes the file.
class IniFile {
  public:
    explicit IniFile(std::string aPath) : fPath(std::move(aPath)) {
        // The path goes to the system as a C string: a null character inside it would silently
        // name another file.
        if (fPath.find('\0') != std::string::npos) {
            throw IniError("EArgumentException", "File name contains a null character");
        }
    }

    std::string ReadString(const std::string& aSection, const std::string& aKey,
                           const std::string& aDefault) const {
        std::string bytes;
        if (ReadWholeFile(fPath, bytes)) {
            const std::string text = ini::DecodeFileBytes(bytes);
            bytes.clear();
            if (std::optional<std::string> value = ini::FindValue(text, aSection, aKey)) {
                return std::move(*value);
            }
        }
        return std::string(ini::TrimTrailingBlanks(aDefault));
    }

    std::int32_t ReadInteger(const std::string& aSection, const std::string& aKey,
                             std::int32_t aDefault) const {
        std::int32_t v = 0;
        return ini::ParseInt32(ReadString(aSection, aKey, ""), v) ? v : aDefault;
    }

    bool ReadBool(const std::string& aSection, const std::string& aKey, bool aDefault) const {
        return ReadInteger(aSection, aKey, aDefault ? 1 : 0) != 0;
    }

    double ReadFloat(const std::string& aSection, const std::string& aKey, double aDefault) const {
        const std::string text = ReadString(aSection, aKey, "");
        if (text.empty())
            return aDefault;
        double v = 0;
        return ini::ParseNumber(text, IniDecimalSeparator(), v) ? v : aDefault;
    }

  private:
    std::string fPath;
};

// ---- TIniSettings

TIniSettings::TIniSettings(const std::string& afilename) {
    try {
        fError.clear();
        Ini_Create(TrimControl(afilename));
    } catch (...) {
        try {
            fError = kCreateErrorPrefix + DescribeCurrentException();
        } catch (...) {  // nothing more can be said without memory
        }
    }
}

TIniSettings::~TIniSettings() {
    Ini_Destroy();
}

void TIniSettings::Ini_Create(const std::string& afilename) {
    try {
        if (!afilename.empty()) {
            fPathToFile = afilename;
        } else {
            fPathToFile =
                ExecutableFolder() + kPathSeparator + "ini" + kPathSeparator + "LocalSetting.ini";
        }
        fIniFile = std::make_unique<IniFile>(fPathToFile);
    } catch (...) {
        fIniFile.reset();
        try {
            fError = kCreateErrorPrefix + DescribeCurrentException();
        } catch (...) {
        }
    }
}

void TIniSettings::Ini_Destroy() {
    // Absent first, then released.
    std::unique_ptr<IniFile> object = std::move(fIniFile);
    object.reset();
}

// ---- TIniSettingsLoad

namespace {

// Runs one read of the INI file object with the reader's error rules.
template <typename T, typename Read>
T GuardedRead(TIniSettings& aHolder, IniFile* aObject, const T& aDefault, Read aRead) {
    try {
        if (aObject == nullptr) {
            aHolder.SetError(kNoIniObject);
            return aDefault;
        }
        return aRead(*aObject);
    } catch (...) {
        try {
            aHolder.SetError(kReadErrorPrefix + DescribeCurrentException());
        } catch (...) {
        }
    }
    return aDefault;
}

}  // namespace

TIniSettingsLoad::TIniSettingsLoad() : TIniSettings(std::string()) {}

TIniSettingsLoad::TIniSettingsLoad(const std::string& afilename) : TIniSettings(afilename) {}

TIniSettingsLoad::~TIniSettingsLoad() {
    Ini_Destroy();
}

bool TIniSettingsLoad::GetValue(const std::string& aSectionName, const std::string& aItemName,
                                bool aDefaultBoolValue) {
    return GuardedRead(*this, IniFileObject(), aDefaultBoolValue, [&](const IniFile& f) {
        return f.ReadBool(aSectionName, aItemName, aDefaultBoolValue);
    });
}

std::string TIniSettingsLoad::GetValue(const std::string& aSectionName,
                                       const std::string& aItemName,
                                       const std::string& aDefaultStrValue) {
    try {
        return GuardedRead(*this, IniFileObject(), aDefaultStrValue, [&](const IniFile& f) {
            return f.ReadString(aSectionName, aItemName, aDefaultStrValue);
        });
    } catch (...) {  // copying the default itself failed
        return std::string();
    }
}

std::int32_t TIniSettingsLoad::GetValue(const std::string& aSectionName,
                                        const std::string& aItemName,
                                        std::int32_t aDefaultIntValue) {
    return GuardedRead(*this, IniFileObject(), aDefaultIntValue, [&](const IniFile& f) {
        return f.ReadInteger(aSectionName, aItemName, aDefaultIntValue);
    });
}

double TIniSettingsLoad::GetValue(const std::string& aSectionName, const std::string& aItemName,
                                  double aDefaultFloatValue) {
    return GuardedRead(*this, IniFileObject(), aDefaultFloatValue, [&](const IniFile& f) {
        return f.ReadFloat(aSectionName, aItemName, aDefaultFloatValue);
    });
}

// ---- helpers

std::string TrimControl(const std::string& s) {
    std::size_t b = 0;
    std::size_t e = s.size();
    while (b < e && static_cast<unsigned char>(s[b]) <= 32)
        ++b;
    while (e > b && static_cast<unsigned char>(s[e - 1]) <= 32)
        --e;
    return s.substr(b, e - b);
}

std::string IniDecimalSeparator() {
    {
        const std::lock_guard<std::mutex> lock(gSeparatorMutex);
        if (!gSeparatorOverride.empty())
            return gSeparatorOverride;
    }
    return UserDecimalSeparatorFromSystem();
}

void SetIniDecimalSeparatorOverride(const std::string& aSeparator) {
    const std::lock_guard<std::mutex> lock(gSeparatorMutex);
    gSeparatorOverride = aSeparator;
}

}  // namespace rm
