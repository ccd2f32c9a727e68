// Connecting through the "..." button: the file dialog, the computer's name, and a second
// attempt after a failure. A plain "host:path" target must reach the private server here, so
// this process points its client library at the server's port before anything loads it.
#include <gtest/gtest.h>

#include "ConnectChecks.h"
#include "GoodsData.h"
#include "Utils.h"

using rm::Control;
using rm::test::FormFixture;
using Lines = std::vector<std::string>;
using namespace rm::test;

static const bool kDefaultPortIsTheServers = rm::test::UseServerPortForDefault();

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
