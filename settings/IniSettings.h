// A small INI reader with typed reads and defaults. No operation raises: a failure yields the
// caller's default and leaves its text in Error. The file is never written.
//
// File rules, in short: a line "[name]" opens a section; a line "key=value" inside a section
// gives the key its value (the text after the first "=", blanks and one pair of matching quotes
// removed, at most 2047 characters). Section and key names are matched without regard to letter
// case (Latin and Cyrillic). Lines that fit neither form, comment lines (";" or "#") and keys
// outside any section are skipped. When a section or a key occurs twice, the first one counts.
// A file that begins with a UTF-16 byte-order mark is read as UTF-16; any other file as UTF-8
// (an UTF-8 byte-order mark is skipped). A missing file reads as defaults and is no error; a
// path that exists but cannot be read (a folder, a file without read permission, a device) is a
// read error.
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

// The decimal separator that floating-point reads expect: the one of the user's numeric locale
// (taken from the environment at each call, "." when it cannot be had), unless an override is set.
std::string IniDecimalSeparator();
// Sets the separator used instead of the user's; the empty text returns to the user's.
void SetIniDecimalSeparatorOverride(const std::string& aSeparator);

}  // namespace rm
