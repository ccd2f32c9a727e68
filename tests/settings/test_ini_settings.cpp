// The INI reader through its public interface, on real files.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "IniSettings.h"
#include "SettingsTestUtil.h"

using rm::TIniSettingsLoad;
using rmtest::TempDir;
using rmtest::WriteBytes;

namespace {

const std::string kReadError = "Ошибка вычитывания значения ";
const std::string kNoObject = "Не определен класс исходных данных";
const std::string kCreateError = "Ошибка Создания INI файла ";

// Sets the decimal separator for the scope of a test.
class SeparatorOverride {
  public:
    explicit SeparatorOverride(const std::string& sep) { rm::SetIniDecimalSeparatorOverride(sep); }
    ~SeparatorOverride() { rm::SetIniDecimalSeparatorOverride(""); }
};

// Sets an environment variable for the scope of a test.
class EnvVar {
  public:
    EnvVar(const char* name, const std::string& value) : fName(name) {
        if (const char* old = std::getenv(name)) {
            fOld = old;
            fHad = true;
        }
        setenv(name, value.c_str(), 1);
    }
    ~EnvVar() {
        if (fHad) {
            setenv(fName, fOld.c_str(), 1);
        } else {
            unsetenv(fName);
        }
    }

  private:
    const char* fName;
    std::string fOld;
    bool fHad = false;
};

}  // namespace

// ---- Which file is read

TEST(IniFileChoice, BlankNameReadsTheDefaultFileBesideTheExecutable) {
    rmtest::DefaultIniFile def("[Main]\nWho=default file\n");
    for (const std::string name : {"", "   ", " \t\r\n "}) {
        SCOPED_TRACE("name '" + name + "'");
        TIniSettingsLoad reader(name);
        EXPECT_EQ(reader.PathToFile(), def.path().string());
        EXPECT_EQ(reader.GetValue("Main", "Who", "none"), "default file");
        EXPECT_EQ(reader.Error(), "");
    }
    TIniSettingsLoad byDefault;
    EXPECT_EQ(byDefault.PathToFile(), def.path().string());
    EXPECT_EQ(byDefault.GetValue("Main", "Who", "none"), "default file");
}

TEST(IniFileChoice, NameWithBlanksAroundReadsTheFileNamedWithoutThem) {
    TempDir dir;
    WriteBytes(dir / "a.ini", "[S]\nK=v\n");
    TIniSettingsLoad reader(" \t" + (dir / "a.ini") + "  \n");
    EXPECT_EQ(reader.PathToFile(), dir / "a.ini");
    EXPECT_EQ(reader.GetValue("S", "K", "none"), "v");
}

TEST(IniFileChoice, MissingFileGivesEveryDefaultWithoutError) {
    TempDir dir;
    TIniSettingsLoad reader(dir / "absent/x.ini");
    EXPECT_EQ(reader.Error(), "");
    EXPECT_EQ(reader.GetValue("S", "K", "dflt"), "dflt");
    EXPECT_EQ(reader.GetValue("S", "K", std::int32_t{-5}), -5);
    EXPECT_EQ(reader.GetValue("S", "K", true), true);
    EXPECT_EQ(reader.GetValue("S", "K", false), false);
    EXPECT_DOUBLE_EQ(reader.GetValue("S", "K", 2.5), 2.5);
    EXPECT_EQ(reader.Error(), "");
}

// ---- The text read

namespace {

const char* const kLayoutFile =
    "; a comment line\n"
    "Outside=before any section\n"
    "[Connect]\n"
    "server = srv1\n"
    "Quoted=   \"srv1\"   \n"
    "Single='two words'\n"
    "InnerBlanks=\" a b \"\n"
    "Unmatched=\"abc'\n"
    "LoneQuote=\"\n"
    "Empty=\n"
    "Blank=   \t\n"
    "  Equals = a=b = c \n"
    "no equals sign here\n"
    "[broken section\n"
    "Dup=first\n"
    "Dup=second\n"
    "=nameless\n"
    "\t[ Other ]  trailing words\n"
    "Key=other value\n"
    "[CONNECT]\n"
    "Late=in the second Connect section\n"
    "[Настройки]\n"
    "Путь=C:\\Данные\n";

struct TextCase {
    const char* section;
    const char* key;
    const char* dflt;
    const char* expected;
};

}  // namespace

TEST(IniTextRead, ValuesFollowTheFileRules) {
    const std::vector<TextCase> cases = {
        {"Connect", "Server", "-", "srv1"},          // key in other letter case
        {"connect", "SERVER", "-", "srv1"},          // section too
        {"Connect", "Quoted", "-", "srv1"},          // blanks and quotes around
        {"Connect", "Single", "-", "two words"},     // single quotes
        {"Connect", "InnerBlanks", "-", " a b "},    // blanks inside quotes stay
        {"Connect", "Unmatched", "-", "\"abc'"},     // quotes that do not match stay
        {"Connect", "LoneQuote", "-", "\""},         // one quote is no pair
        {"Connect", "Empty", "-", ""},               // present but empty: not the default
        {"Connect", "Blank", "-", ""},               //
        {"Connect", "Equals", "-", "a=b = c"},       // after the first "="
        {"Connect", "Dup", "-", "first"},            // the first of two keys
        {"Connect", "Late", "-", "-"},               // only the first section of a name counts
        {"Connect", "Outside", "-", "-"},            // keys before any section are not in it
        {"Connect", "", "-", "-"},                   // a nameless key is not readable
        {"Other", "key", "-", "other value"},        // blanks inside brackets, text after them
        {"Настройки", "путь", "-", "C:\\Данные"},    // Cyrillic names, other case
        {"НАСТРОЙКИ", "ПУТЬ", "-", "C:\\Данные"},    //
        {"Connect", "Missing", "dflt  \t", "dflt"},  // default loses trailing blanks...
        {"Connect", "Missing", "  dflt", "  dflt"},  // ...but not leading ones
        {"Missing", "Server", "x ", "x"},            // missing section
    };
    TempDir dir;
    WriteBytes(dir / "layout.ini", kLayoutFile);
    TIniSettingsLoad reader(dir / "layout.ini");
    for (const TextCase& c : cases) {
        SCOPED_TRACE(std::string(c.section) + "/" + c.key);
        EXPECT_EQ(reader.GetValue(c.section, c.key, c.dflt), c.expected);
    }
    EXPECT_EQ(reader.Error(), "");
}

TEST(IniTextRead, LineEndsAndEncodings) {
    struct Case {
        const char* name;
        std::string bytes;
    };
    // UTF-16 LE with its byte-order mark, CR LF line ends.
    std::string utf16le = "\xFF\xFE";
    for (char16_t u : std::u16string(u"[Connect]\r\nServer=сервер\r\n")) {
        utf16le += static_cast<char>(u & 0xFF);
        utf16le += static_cast<char>(u >> 8);
    }
    const std::vector<Case> cases = {
        {"LF", "[Connect]\nServer=сервер\nX=1\n"},
        {"CR LF", "[Connect]\r\nServer=сервер\r\nX=1\r\n"},
        {"CR", "[Connect]\rServer=сервер\rX=1\r"},
        {"no end", "[Connect]\nServer=сервер"},
        {"UTF-8 BOM", "\xEF\xBB\xBF[Connect]\nServer=сервер\n"},
        {"UTF-16 LE", utf16le},
    };
    TempDir dir;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        WriteBytes(dir / "enc.ini", c.bytes);
        TIniSettingsLoad reader(dir / "enc.ini");
        EXPECT_EQ(reader.GetValue("Connect", "Server", "-"), "сервер");
    }
}

TEST(IniTextRead, LongValuesAreCutTo2047Characters) {
    const std::string latin(3000, 'a');
    std::string cyrillic;
    for (int i = 0; i < 3000; ++i)
        cyrillic += "ж";  // two bytes each
    TempDir dir;
    WriteBytes(dir / "long.ini", "[S]\nLatin=" + latin + "\nQuoted=\"" + latin + "\"\nCyr=" +
                                     cyrillic + "\nExact=" + latin.substr(0, 2047) + "\n");
    TIniSettingsLoad reader(dir / "long.ini");
    EXPECT_EQ(reader.GetValue("S", "Latin", ""), latin.substr(0, 2047));
    EXPECT_EQ(reader.GetValue("S", "Quoted", ""), latin.substr(0, 2047));
    EXPECT_EQ(reader.GetValue("S", "Cyr", ""), cyrillic.substr(0, 2047 * 2));
    EXPECT_EQ(reader.GetValue("S", "Exact", ""), latin.substr(0, 2047));
}

TEST(IniTextRead, EachReadSeesTheFileAsItIsNow) {
    TempDir dir;
    WriteBytes(dir / "live.ini", "[S]\nK=one\n");
    TIniSettingsLoad reader(dir / "live.ini");
    EXPECT_EQ(reader.GetValue("S", "K", "-"), "one");
    WriteBytes(dir / "live.ini", "[S]\nK=two\n");
    EXPECT_EQ(reader.GetValue("S", "K", "-"), "two");
    std::filesystem::remove(dir / "live.ini");
    EXPECT_EQ(reader.GetValue("S", "K", "-"), "-");
    EXPECT_EQ(reader.Error(), "");
}

// ---- Typed reads

TEST(IniTypedRead, IntegerRule) {
    struct Case {
        const char* text;
        std::int32_t expected;  // 99 is the default
    };
    const std::vector<Case> cases = {
        {"42", 42},
        {"+42", 42},
        {"-42", -42},
        {"0042", 42},
        {"0x1F", 31},
        {"0X1f", 31},
        {"$1F", 31},
        {"-$1", -1},
        {"-0x10", -16},
        {"$FFFFFFFF", -1},
        {"$80000000", INT32_MIN},
        {"$000000000000001F", 31},  // leading zeros do not overflow
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"\" 7\"", 7},  // leading blanks inside quotes
        {"2147483648", 99},
        {"-2147483649", 99},
        {"$100000000", 99},
        {"99999999999999999999", 99},
        {"12abc", 99},
        {"1.0", 99},
        {"\"7 \"", 99},  // trailing blank inside quotes
        {"", 99},
        {"   ", 99},
        {"-", 99},
        {"$", 99},
        {"0x", 99},
        {"-$", 99},
        {"x1F", 99},
        {"$1G", 99},
        {"true", 99},
    };
    TempDir dir;
    std::string file = "[N]\n";
    for (std::size_t i = 0; i < cases.size(); ++i) {
        file += "K" + std::to_string(i) + "=" + cases[i].text + "\n";
    }
    WriteBytes(dir / "int.ini", file);
    TIniSettingsLoad reader(dir / "int.ini");
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(std::string("value '") + cases[i].text + "'");
        EXPECT_EQ(reader.GetValue("N", "K" + std::to_string(i), std::int32_t{99}),
                  cases[i].expected);
    }
    EXPECT_EQ(reader.GetValue("N", "Missing", std::int32_t{99}), 99);
    EXPECT_EQ(reader.Error(), "");
}

TEST(IniTypedRead, BooleanRule) {
    struct Case {
        const char* text;
        bool withFalseDefault;
        bool withTrueDefault;
    };
    const std::vector<Case> cases = {
        {"1", true, true},   {"-1", true, true},     {"7", true, true},     {"$10", true, true},
        {"0", false, false}, {"0x0", false, false},  {"true", false, true}, {"yes", false, true},
        {"", false, true},   {"false", false, true}, {"1.5", false, true},
    };
    TempDir dir;
    std::string file = "[B]\n";
    for (std::size_t i = 0; i < cases.size(); ++i) {
        file += "K" + std::to_string(i) + "=" + cases[i].text + "\n";
    }
    WriteBytes(dir / "bool.ini", file);
    TIniSettingsLoad reader(dir / "bool.ini");
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(std::string("value '") + cases[i].text + "'");
        const std::string key = "K" + std::to_string(i);
        EXPECT_EQ(reader.GetValue("B", key, false), cases[i].withFalseDefault);
        EXPECT_EQ(reader.GetValue("B", key, true), cases[i].withTrueDefault);
    }
    EXPECT_EQ(reader.Error(), "");
}

TEST(IniTypedRead, NumberRuleFollowsTheDecimalSeparator) {
    struct Case {
        const char* sep;
        const char* text;
        double expected;  // -7.0 is the default
    };
    const std::vector<Case> cases = {
        {",", "1,5", 1.5},       {",", "1.5", -7.0},  // the other separator does not convert
        {",", "-0,25", -0.25},   {",", "+3", 3.0},
        {",", ",5", 0.5},        {",", "2,", 2.0},
        {",", "1,5E3", 1500.0},  {",", "1,5e-2", 0.015},
        {",", "\" 4,5 \"", 4.5},  // blanks around the number
        {",", "1 000,5", -7.0},   // no group separators
        {",", "1,000,5", -7.0},  {",", "1e", -7.0},
        {",", "e5", -7.0},       {",", ",", -7.0},
        {",", "-", -7.0},        {",", "inf", -7.0},
        {",", "nan", -7.0},      {",", "0x10", -7.0},
        {",", "1e400", -7.0},  // beyond the range of a double
        {",", "", -7.0},         {".", "1.5", 1.5},
        {".", "1,5", -7.0},      {".", "6.02e23", 6.02e23},
    };
    TempDir dir;
    std::string file = "[F]\n";
    for (std::size_t i = 0; i < cases.size(); ++i) {
        file += "K" + std::to_string(i) + "=" + cases[i].text + "\n";
    }
    WriteBytes(dir / "float.ini", file);
    TIniSettingsLoad reader(dir / "float.ini");
    for (std::size_t i = 0; i < cases.size(); ++i) {
        SCOPED_TRACE(std::string("separator '") + cases[i].sep + "', value '" + cases[i].text +
                     "'");
        SeparatorOverride sep(cases[i].sep);
        EXPECT_DOUBLE_EQ(reader.GetValue("F", "K" + std::to_string(i), -7.0), cases[i].expected);
    }
    EXPECT_EQ(reader.Error(), "");
}

TEST(IniTypedRead, DecimalSeparatorComesFromTheUsersLocale) {
    {
        EnvVar all("LC_ALL", "C");
        EXPECT_EQ(rm::IniDecimalSeparator(), ".");
    }
    {
        EnvVar all("LC_ALL", "xx_NOWHERE.UTF-8");  // no such locale
        EXPECT_EQ(rm::IniDecimalSeparator(), ".");
    }
    // A Russian locale compiled into a private folder, when the machine has the sources for it.
    TempDir dir;
    const std::string out = dir / "ru_RU.UTF-8";
    const std::string cmd = "localedef -i ru_RU -f UTF-8 '" + out + "' >/dev/null 2>&1";
    if (std::system(cmd.c_str()) != 0 || !std::filesystem::exists(out)) {
        GTEST_SKIP() << "localedef could not build ru_RU.UTF-8";
    }
    EnvVar path("LOCPATH", dir.path().string());
    EnvVar all("LC_ALL", "ru_RU.UTF-8");
    EXPECT_EQ(rm::IniDecimalSeparator(), ",");
    WriteBytes(dir / "f.ini", "[F]\nA=1,5\nB=1.5\n");
    TIniSettingsLoad reader(dir / "f.ini");
    EXPECT_DOUBLE_EQ(reader.GetValue("F", "A", 0.0), 1.5);
    EXPECT_DOUBLE_EQ(reader.GetValue("F", "B", 0.0), 0.0);
}

// ---- Errors

TEST(IniErrors, PathThatCannotBeReadGivesDefaultsAndAReadError) {
    TempDir dir;
    std::filesystem::create_directory(dir / "folder.ini");
    ASSERT_EQ(mkfifo((dir / "pipe.ini").c_str(), 0600), 0);
    struct Case {
        std::string path;
        std::string why;
    };
    const std::vector<Case> cases = {
        {dir / "folder.ini", "Is a directory"},
        {dir / "pipe.ini", "Not a regular file"},  // must not wait for a writer
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        TIniSettingsLoad reader(c.path);
        EXPECT_EQ(reader.Error(), "");  // creating the reader does not touch the file
        const std::string expected =
            kReadError + "EFOpenError: Cannot open file \"" + c.path + "\". " + c.why;
        EXPECT_EQ(reader.GetValue("S", "K", "dflt  "), "dflt  ");  // default unchanged
        EXPECT_EQ(reader.Error(), expected);
        reader.SetError("");
        EXPECT_EQ(reader.GetValue("S", "K", std::int32_t{3}), 3);
        EXPECT_EQ(reader.Error(), expected);
        reader.SetError("");
        EXPECT_EQ(reader.GetValue("S", "K", true), true);
        EXPECT_EQ(reader.Error(), expected);
        reader.SetError("");
        EXPECT_DOUBLE_EQ(reader.GetValue("S", "K", 0.5), 0.5);
        EXPECT_EQ(reader.Error(), expected);
    }
}

TEST(IniErrors, ALaterSuccessfulReadKeepsTheEarlierError) {
    TempDir dir;
    const std::string path = dir / "later.ini";
    std::filesystem::create_directory(path);
    TIniSettingsLoad reader(path);
    EXPECT_EQ(reader.GetValue("S", "K", "-"), "-");
    const std::string failed = reader.Error();
    ASSERT_NE(failed, "");

    std::filesystem::remove(path);
    WriteBytes(path, "[S]\nK=v\n");
    EXPECT_EQ(reader.GetValue("S", "K", "-"), "v");
    EXPECT_EQ(reader.GetValue("S", "Missing", "-"), "-");
    EXPECT_EQ(reader.Error(), failed);
}

TEST(IniErrors, NameWithANullCharacterLeavesTheReaderWithoutAFile) {
    // Passed on as a C string, the name would stop at the null character and name another file.
    TempDir dir;
    WriteBytes(dir / "a", "[S]\nK=wrong file\n");
    const std::string name = (dir / "a") + std::string(1, '\0') + ".ini";
    TIniSettingsLoad reader(name);
    EXPECT_EQ(reader.Error(),
              kCreateError + "EArgumentException: File name contains a null character");

    // Every read now replaces the creation error and returns its default as given.
    EXPECT_EQ(reader.GetValue("S", "K", "dflt  "), "dflt  ");
    EXPECT_EQ(reader.Error(), kNoObject);
    reader.SetError("");
    EXPECT_EQ(reader.GetValue("S", "K", std::int32_t{4}), 4);
    EXPECT_EQ(reader.Error(), kNoObject);
    reader.SetError("");
    EXPECT_EQ(reader.GetValue("S", "K", false), false);
    EXPECT_EQ(reader.Error(), kNoObject);
    reader.SetError("");
    EXPECT_DOUBLE_EQ(reader.GetValue("S", "K", 1.25), 1.25);
    EXPECT_EQ(reader.Error(), kNoObject);
}
