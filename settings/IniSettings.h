// A small INI reader with typed reads and defaults. No operation raises: a failure yields the
// caller's default and leaves its text in Error. The file is never written.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

namespace rm {

class IniFile;  // bound to one path; reads the file at each read, keeps no cache

class TIniSettings {
public:
    explicit TIniSettings(const std::string& afilename);
    virtual ~TIniSettings();
    TIniSettings(const TIniSettings&) = delete;
    TIniSettings& operator=(const TIniSettings&) = delete;

    const std::string& Error() const { return fError; }
    void SetError(const std::string& text) { fError = text; }
    const std::string& PathToFile() const { return fPathToFile; }

protected:
    void Ini_Create(const std::string& afilename);
    void Ini_Destroy();
    IniFile* IniFileObject() const { return fIniFile.get(); }

private:
    std::string fPathToFile;
    std::unique_ptr<IniFile> fIniFile;
    std::string fError;
};

class TIniSettingsLoad : public TIniSettings {
public:
    TIniSettingsLoad();  // the default file ini/LocalSetting.ini beside the executable
    explicit TIniSettingsLoad(const std::string& afilename);
    ~TIniSettingsLoad() override;

    bool GetValue(const std::string& aSectionName, const std::string& aItemName,
                  bool aDefaultBoolValue);
    std::string GetValue(const std::string& aSectionName, const std::string& aItemName,
                         const std::string& aDefaultStrValue);
    // Keeps a string literal from choosing the Boolean overload.
    std::string GetValue(const std::string& aSectionName, const std::string& aItemName,
                         const char* aDefaultStrValue) {
        return GetValue(aSectionName, aItemName, std::string(aDefaultStrValue));
    }
    std::int32_t GetValue(const std::string& aSectionName, const std::string& aItemName,
                          std::int32_t aDefaultIntValue);
    double GetValue(const std::string& aSectionName, const std::string& aItemName,
                    double aDefaultFloatValue);
};

// Leading and trailing characters of code 0 to 32 removed (UTF-8 safe).
std::string TrimControl(const std::string& s);

}  // namespace rm
