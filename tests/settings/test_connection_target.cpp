// The connection target from the settings file in the working directory, and the computer name.

#include <gtest/gtest.h>
#include <sys/utsname.h>

#include <filesystem>
#include <string>
#include <vector>

#include "IniSettings.h"
#include "SettingsTestUtil.h"
#include "Utils.h"

using rmtest::TempDir;
using rmtest::WorkingDirectory;
using rmtest::WriteBytes;
namespace fs = std::filesystem;

TEST(SettingsFilePath, IsTheRelativeNameUnderTheWorkingDirectoryNow) {
    TempDir dir;
    fs::create_directories(dir.path() / "deeper" / "still");
    {
        WorkingDirectory cwd(dir.path());
        EXPECT_EQ(rm::Database_GetPathToSettingsFile(),
                  fs::current_path().string() + "/Net/ConnectionInfo.ini");
    }
    {
        WorkingDirectory cwd(dir.path() / "deeper" / "still");
        EXPECT_EQ(rm::Database_GetPathToSettingsFile(),
                  fs::current_path().string() + "/Net/ConnectionInfo.ini");
    }
    {
        WorkingDirectory cwd("/");
        EXPECT_EQ(rm::Database_GetPathToSettingsFile(), "/Net/ConnectionInfo.ini");
    }
}

TEST(SettingsFilePath, WorksForAWorkingDirectoryOfAnyLength) {
    TempDir dir;
    fs::path deep = dir.path();
    for (int i = 0; i < 40; ++i)
        deep /= std::string(100, 'd');  // about 4000 characters
    std::error_code ec;
    fs::create_directories(deep, ec);
    if (ec)
        GTEST_SKIP() << "cannot create a deep folder here: " << ec.message();
    WriteBytes(deep / "Net" / "ConnectionInfo.ini", "[Connect]\nDatabase=/deep/db.fdb\n");
    // chdir step by step: the whole path is longer than some calls accept at once.
    WorkingDirectory cwd(dir.path());
    for (int i = 0; i < 40; ++i)
        fs::current_path(std::string(100, 'd'));
    EXPECT_EQ(rm::Database_GetPathToSettingsFile(), deep.string() + "/Net/ConnectionInfo.ini");
    EXPECT_EQ(rm::Database_GetSettings(), "/deep/db.fdb");
}

TEST(ConnectionTarget, ComposedFromServerAndDatabase) {
    struct Case {
        const char* name;
        const char* file;  // nullptr: no settings file at all
        const char* expected;
    };
    const std::vector<Case> cases = {
        {"server and database", "[Connect]\nServer=srv1\nDatabase=D:\\Base\\main.fdb\n",
         "srv1:D:\\Base\\main.fdb"},
        {"database alone", "[Connect]\nDatabase=D:\\Base\\main.fdb\n", "D:\\Base\\main.fdb"},
        {"empty server", "[Connect]\nServer=\nDatabase=/data/main.fdb\n", "/data/main.fdb"},
        {"database missing, server set", "[Connect]\nServer=srv1\n", ""},
        {"database empty, server set", "[Connect]\nServer=srv1\nDatabase=  \n", ""},
        {"database with its own host", "[Connect]\nServer=srv2\nDatabase=srv1:D:\\Base\\main.fdb\n",
         "srv2:srv1:D:\\Base\\main.fdb"},
        {"other letter case, quotes, blanks",
         "\xEF\xBB\xBF[connect]\r\n  server = \"srv1\" \r\n DATABASE = 'C:\\Мои базы\\x.fdb'\r\n",
         "srv1:C:\\Мои базы\\x.fdb"},
        {"values in another section", "[Other]\nServer=srv1\nDatabase=x.fdb\n", ""},
        {"empty file", "", ""},
        {"no settings file", nullptr, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        if (c.file != nullptr)
            WriteBytes(dir.path() / "Net" / "ConnectionInfo.ini", c.file);
        WorkingDirectory cwd(dir.path());
        EXPECT_EQ(rm::Database_GetSettings(), c.expected);
    }
}

TEST(ConnectionTarget, SettingsBesideTheExecutableAreNotUsed) {
    // The file counts only under the working directory. A working directory that has been removed
    // must not lead the reader to its own default file beside the executable either.
    rmtest::DefaultIniFile wrong("[Connect]\nServer=wrong\nDatabase=wrong.fdb\n");
    TempDir dir;
    fs::create_directory(dir.path() / "gone");
    WorkingDirectory cwd(dir.path() / "gone");
    EXPECT_EQ(rm::Database_GetSettings(), "");
    fs::remove(dir.path() / "gone");
    EXPECT_EQ(rm::Database_GetPathToSettingsFile(), "Net/ConnectionInfo.ini");
    EXPECT_EQ(rm::Database_GetSettings(), "");
}

TEST(ComputerName, IsThisComputersNodeName) {
    utsname u{};
    ASSERT_EQ(uname(&u), 0);
    const std::string name = rm::GetComputerNetName();
    EXPECT_FALSE(name.empty());
    EXPECT_EQ(name, rm::TrimControl(u.nodename));
}

TEST(TrimControl, RemovesCodesUpTo32AtBothEndsOnly) {
    EXPECT_EQ(rm::TrimControl(std::string("\0\x01 \t\r\n a b \x1f\x20", 13)), "a b");
    EXPECT_EQ(rm::TrimControl(" \xD0\x96 "), "\xD0\x96");  // bytes of a multibyte letter stay
    EXPECT_EQ(rm::TrimControl("\x7f"), "\x7f");
    EXPECT_EQ(rm::TrimControl("   "), "");
}
