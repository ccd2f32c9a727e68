// Connecting through the "..." button: the file dialog, the computer's name, and a second
// attempt after a failure. A plain "host:path" target must reach the private server here, so
// this process points its client library at the server's port before anything loads it.
#include <gtest/gtest.h>

#include "FormFixture.h"
#include "GoodsData.h"
#include "Utils.h"

using rm::Control;
using rm::test::FormFixture;
using Lines = std::vector<std::string>;

static const bool kDefaultPortIsTheServers = rm::test::UseServerPortForDefault();

namespace {

const char* const kNoSettingsBox =
    "Ошибка|Не удалось получить параметры для подключения к БД |0x110";
const char* const kNotConnectedBox = "Ошибка|Не удалось выполнить подключение к базе данных|0x110";

void ExpectConnected(FormFixture& f, const std::string& target) {
    EXPECT_TRUE(f.form.Database.Connected());
    EXPECT_EQ(f.s.State(Control::eDBPath).caption, target);
    EXPECT_FALSE(f.s.State(Control::eDBPath).enabled);
    EXPECT_FALSE(f.s.State(Control::bDBChangePath).enabled);
    EXPECT_TRUE(f.s.State(Control::cblNDSSelectSource).enabled);
    // The rate lists are loaded and rate 0 preselected.
    EXPECT_EQ(f.s.lookupShown[Control::cblNDSSelectSource],
              f.EntryOf(Control::cblNDSSelectSource, "Без НДС"));
    EXPECT_TRUE(f.form.MemTableData.Active());
}

void ExpectDisconnected(FormFixture& f) {
    EXPECT_FALSE(f.form.Database.Connected());
    EXPECT_EQ(f.s.State(Control::eDBPath).caption, "");
    EXPECT_TRUE(f.s.State(Control::eDBPath).enabled);
    EXPECT_TRUE(f.s.State(Control::bDBChangePath).enabled);
    EXPECT_FALSE(f.s.State(Control::cblNDSSelectSource).enabled);
    EXPECT_FALSE(f.s.State(Control::bApplyChangeNDS).enabled);
    EXPECT_EQ(f.s.State(Control::bApplyChangeNDS).caption, "Применить");
    EXPECT_TRUE(f.s.lookupItems.empty());
}

}  // namespace

TEST(FormDialog, FileDialogCancelledOrBlank) {
    for (std::optional<std::string> answer :
         {std::optional<std::string>{}, std::optional<std::string>{"  "}}) {
        FormFixture f(rm::test::GoodsSql());
        f.form.FormCreate();  // no settings: disconnected
        f.s.boxes.clear();
        f.s.fileAnswers = {answer};
        f.form.bDBChangePathClick();
        EXPECT_EQ(f.s.BoxLines(), Lines{kNoSettingsBox});
        ExpectDisconnected(f);
    }
}

TEST(FormDialog, ChosenFileIsReachedThroughThisComputersName) {
    ASSERT_TRUE(kDefaultPortIsTheServers);
    FormFixture f(rm::test::GoodsSql());
    f.form.FormCreate();
    f.s.boxes.clear();
    const std::string host = rm::GetComputerNetName();
    ASSERT_FALSE(host.empty());

    // First a file that does not exist, then the good one: the second attempt connects.
    f.s.fileAnswers = {" " + f.dir + "/absent.fdb\t", f.dbPath};
    f.form.bDBChangePathClick();
    EXPECT_EQ(f.form.Database.DBName(), host + ":" + f.dir + "/absent.fdb");
    ASSERT_EQ(f.s.boxes.size(), 2u);
    ExpectDisconnected(f);

    f.s.boxes.clear();
    f.form.bDBChangePathClick();
    EXPECT_TRUE(f.s.boxes.empty()) << f.s.BoxLines()[0];
    ExpectConnected(f, host + ":" + f.dbPath);
}
