// "HOSTNAME:path", the form a chosen database file takes, reaches the private test server
// when the process's client configuration names the server's port as the default one.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "FbAccess.h"
#include "Statements.h"
#include "TestDb.h"

namespace {

using namespace rm;
using namespace rm::fb;

TEST(DefaultPort, HostNameAndPathReachThePrivateServer) {
    if (!test::UseServerPortForDefault())
        GTEST_SKIP() << "RATEMEND_TEST_SERVER_DIR is not set";
    const std::string dir = test::MakeTempDir("defaultport");
    const std::string path = dir + "/product.fdb";
    test::CreateProductDb(path, "insert into \"dcNds\" values (0, 'Без НДС', 0);\n");
    char host[256] = {};
    ASSERT_EQ(gethostname(host, sizeof host - 1), 0);

    Database db;
    db.SetDBName(std::string(host) + ":" + path);
    db.Open();
    Transaction tr(db, "RatemendForm.TrDefRead",
                   {"read", "nowait", "rec_version", "read_committed"});
    Dataset ds(db, tr, "T.ds",
               "select mon$remote_protocol as \"P\" from mon$attachments "
               "where mon$attachment_id = current_connection");
    ds.Open();
    EXPECT_EQ(ds.FieldAsString("P"), "TCPv4");
    Dataset rates(db, tr, "RatemendForm.dsNDSSelectSource", sql::kRateListSource);
    rates.Open();
    EXPECT_EQ(rates.FieldAsString("Name"), "Без НДС");
    db.Close();
    std::filesystem::remove_all(dir);
}

}  // namespace
