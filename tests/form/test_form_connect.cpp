// Connecting: the target from the settings file or the file dialog, every failure's boxes in
// order, the path box and the control states, on real Firebird (embedded and the private
// server).
#include <gtest/gtest.h>

#include <filesystem>

#include "ConnectChecks.h"
#include "GoodsData.h"
#include "Utils.h"

using rm::Control;
using rm::test::FormFixture;
using Lines = std::vector<std::string>;
using namespace rm::test;

namespace {

const char* const kGeneralPrefix = "Ошибка|Ошибка при подключении к БД ";

// The general failure box: caption, prefix with the type name, flags 0x130.
void ExpectGeneralBox(const std::string& line, const std::string& typeAndStart) {
    const std::string head = kGeneralPrefix + typeAndStart;
    EXPECT_EQ(line.substr(0, head.size()), head) << line;
    EXPECT_EQ(line.substr(line.size() - 6), "|0x130") << line;
}

}  // namespace

TEST(FormConnect, GoodTargetsFromTheSettingsFile) {
    struct Case {
        const char* name;
        bool server;
    };
    for (const auto& tc : std::vector<Case>{{"embedded path", false}, {"server and path", true}}) {
        SCOPED_TRACE(tc.name);
        FormFixture f(rm::test::GoodsSql());
        std::string target = f.dbPath;
        if (tc.server) {
            target = rm::test::ServerTarget(f.dbPath);
            ASSERT_FALSE(target.empty()) << "no private server";
            const auto colon = target.find(':');
            f.WriteSettings("[connect]\r\nserver = \"" + target.substr(0, colon) +
                            "\"\r\nDATABASE=" + f.dbPath + "\r\n");
        } else {
            f.WriteSettings("[Connect]\nDatabase=  " + f.dbPath + "  \n");
        }
        f.form.FormCreate();
        EXPECT_TRUE(f.s.boxes.empty()) << f.s.BoxLines()[0];
        ExpectConnected(f, target);
        EXPECT_EQ(f.form.Database.DBName(), target);
    }
}

TEST(FormConnect, FailuresFromTheSettingsFile) {
    struct Case {
        const char* name;
        std::function<std::string(FormFixture&)> settings;  // ini body; "" writes no file
        std::string libraryName;                            // "" keeps the default
        std::function<void(const Lines&)> check;
    };
    const std::vector<Case> cases = {
        {"no settings file", [](FormFixture&) { return std::string(); }, "",
         [](const Lines& b) { EXPECT_EQ(b, Lines{kNoSettingsBox}); }},
        {"server without database",
         [](FormFixture&) { return std::string("[Connect]\nServer=srv1\nDatabase=\n"); }, "",
         [](const Lines& b) { EXPECT_EQ(b, Lines{kNoSettingsBox}); }},
        {"database file missing",
         [](FormFixture& f) { return "[Connect]\nDatabase=" + f.dir + "/absent.fdb\n"; }, "",
         [](const Lines& b) {
             ASSERT_EQ(b.size(), 2u);
             ExpectGeneralBox(b[0], "EFIBInterBaseError:RatemendForm.Database:\r\n");
             EXPECT_EQ(b[1], kNotConnectedBox);
         }},
        {"server unreachable",
         [](FormFixture& f) {
             return "[Connect]\nServer=127.0.0.1/1\nDatabase=" + f.dbPath + "\n";
         },
         "",
         [](const Lines& b) {
             ASSERT_EQ(b.size(), 2u);
             ExpectGeneralBox(b[0], "EFIBInterBaseError:RatemendForm.Database:\r\n");
             EXPECT_EQ(b[1], kNotConnectedBox);
         }},
        {"client library missing",
         [](FormFixture& f) { return "[Connect]\nDatabase=" + f.dbPath + "\n"; },
         "/nonexistent/libfbclient.so.2",
         [](const Lines& b) {
             EXPECT_EQ(b, (Lines{"Внимание|Не найденна системная библиотека fbclient.dll|0x110",
                                 kNotConnectedBox}));
         }},
        {"library without the entry point",
         [](FormFixture& f) { return "[Connect]\nDatabase=" + f.dbPath + "\n"; }, "libc.so.6",
         [](const Lines& b) {
             EXPECT_EQ(b,
                       (Lines{std::string(kGeneralPrefix) + "EOSError:System Error.  Code: 127.\r\n"
                                                            "Не найдена указанная процедура|0x130",
                              kNotConnectedBox}));
         }},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        FormFixture f(rm::test::GoodsSql());
        const std::string body = tc.settings(f);
        if (!body.empty()) {
            f.WriteSettings(body);
        }
        if (!tc.libraryName.empty()) {
            f.form.Database.LibraryName = tc.libraryName;
        }
        f.form.FormCreate();
        tc.check(f.s.BoxLines());
        ExpectDisconnected(f);
        f.form.FormShow();
        EXPECT_FALSE(f.s.focused.has_value());
        EXPECT_EQ(f.s.boxes.back().caption, "Утилита изменения ставки НДС");
    }
}

TEST(FormConnect, SettingsAreLookedUpInTheWorkingDirectory) {
    FormFixture f(rm::test::GoodsSql());
    f.WriteSettings("[Connect]\nDatabase=" + f.dbPath + "\n");
    const auto elsewhere = rm::test::MakeTempDir("elsewhere");
    std::filesystem::current_path(elsewhere);
    f.form.FormCreate();
    EXPECT_EQ(f.s.BoxLines(), Lines{kNoSettingsBox});
    ExpectDisconnected(f);
    std::filesystem::current_path(f.dir);
}

TEST(FormConnect, BothHostPartsReachTheClientLibraryUnchanged) {
    FormFixture f(rm::test::GoodsSql());
    const std::string inner = rm::test::ServerTarget(f.dbPath);
    f.WriteSettings("[Connect]\nServer=127.0.0.1/1\nDatabase=" + inner + "\n");
    f.form.FormCreate();
    EXPECT_EQ(f.form.Database.DBName(), "127.0.0.1/1:" + inner);
    EXPECT_EQ(f.s.boxes.size(), 2u);
    ExpectDisconnected(f);
}
