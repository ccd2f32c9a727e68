// The data-access layer against a real Firebird: the embedded engine for local paths, and the
// private test server for "host/port:path" targets.
#include <gtest/gtest.h>
#include <ibase.h>

#include <chrono>
#include <filesystem>
#include <fstream>

#include "FbAccess.h"
#include "Statements.h"
#include "TestDb.h"

namespace {

using namespace rm;
using namespace rm::fb;
namespace fs = std::filesystem;

std::vector<std::string> Lines(const char* const (&params)[4]) {
    return {params, params + 4};
}

// The window's data-access objects, named as in the window.
struct Objects {
    Database db{"RatemendForm.Database"};
    Transaction trRead{db, "RatemendForm.TrDefRead", Lines(sql::kTrReadParams)};
    Transaction trWrite{db, "RatemendForm.TrDefWrite", Lines(sql::kTrWriteParams)};
    Dataset source{db, trRead, "RatemendForm.dsNDSSelectSource", sql::kRateListSource};
    Dataset target{db, trRead, "RatemendForm.dsNDSSelectTarget", sql::kRateListTarget};
    Dataset items{db, trRead, "RatemendForm.dsListItems", sql::kListItems};
    Query apply{db, trWrite, "RatemendForm.qApplyNDS", sql::kApplyNDS};

    explicit Objects(const std::string& target) {
        db.SetDBName(target);
        db.Open();
    }
    std::vector<std::int64_t> Goods(std::int32_t nds) {
        items.Close();
        items.SetParamInt("NdsID", nds);
        items.Open();
        std::vector<std::int64_t> ids;
        for (; !items.Eof(); items.Next())
            ids.push_back(items.FieldAsInteger("ItemID"));
        return ids;
    }
    void Move(std::int32_t item, std::int32_t nds) {
        apply.SetParamInt("NdsID", nds);
        apply.SetParamInt("ItemID", item);
        apply.ExecQuery();
    }
};

// Rates, two groups, goods of rate 10 (item 0 is never listed, item 5 has no group, item 6 a
// rate that does not exist) and one of rate 20.
const char* kSeed = R"(
insert into "dcNds" values (0, 'Без НДС', 0);
insert into "dcNds" values (10, 'НДС 10%', 10);
insert into "dcNds" values (20, 'НДС 20%', 20);
insert into "dcItemsGrps" values (1, 'Молочные продукты');
insert into "dcItemsGrps" values (2, 'Хлеб');
insert into "dcItems" values (0, 'Служебный', 'Служебный товар', 10, 1, 1);
insert into "dcItems" values (1, 'Молоко', 'Молоко 3,2% 1 л', 10, 1, 796);
insert into "dcItems" values (2, 'Кефир', 'Кефир 1% 0,5 л', 10, 1, 796);
insert into "dcItems" values (3, 'Батон', 'Батон нарезной', 10, 2, 796);
insert into "dcItems" values (4, 'Сыр', 'Сыр российский', 20, 1, 166);
insert into "dcItems" values (5, 'Сироты', 'Товар без группы', 10, 99, 796);
insert into "dcItems" values (6, 'Чужая ставка', 'Товар с неизвестной ставкой', 77, 1, 796);
)";

// The current rate of an item, read through a connection of its own.
std::int64_t RateOf(const std::string& target, std::int32_t item) {
    Database db("Check.Database");
    db.SetDBName(target);
    db.Open();
    Transaction tr(db, "Check.Tr", Lines(sql::kTrReadParams));
    Dataset ds(db, tr, "Check.ds", "select \"NdsID\" from \"dcItems\" where \"ItemID\" = :\"ID\"");
    ds.SetParamInt("ID", item);
    ds.Open();
    EXPECT_FALSE(ds.Eof());
    return ds.FieldAsInteger("NdsID");
}

enum class Via { Embedded, Server };
void PrintTo(Via v, std::ostream* os) {
    *os << (v == Via::Server ? "server" : "embedded");
}

class DataAccess : public ::testing::TestWithParam<Via> {
  protected:
    void SetUp() override {
        dir = test::MakeTempDir("dataaccess");
        path = dir + "/product.fdb";
        test::CreateProductDb(path, kSeed);
        if (GetParam() == Via::Server) {
            target = test::ServerTarget(path);
            if (target.empty())
                GTEST_SKIP() << "RATEMEND_TEST_SERVER is not set";
        } else {
            target = path;
        }
    }
    void TearDown() override { fs::remove_all(dir); }

    std::string dir, path, target;
};

TEST_P(DataAccess, StatementsRunWithTheirTextsAndFieldNames) {
    Objects o(target);
    o.source.Open();
    EXPECT_TRUE(o.trRead.Active());
    o.target.Open();
    std::vector<std::string> names;
    for (; !o.source.Eof(); o.source.Next())
        names.push_back(o.source.FieldAsString("Name"));
    EXPECT_EQ(names, (std::vector<std::string>{"Без НДС", "НДС 10%", "НДС 20%"}));
    EXPECT_TRUE(o.target.Locate("NdsID", 20));
    EXPECT_EQ(o.target.FieldAsString("Name"), "НДС 20%");
    EXPECT_EQ(o.target.RecNo(), 3);

    // The goods query, final semicolon included: item 0, an item without group and an item
    // with an unknown rate are not listed.
    EXPECT_EQ(o.Goods(10), (std::vector<std::int64_t>{1, 2, 3}));
    EXPECT_EQ(o.Goods(77), std::vector<std::int64_t>{});
    std::vector<std::string> fields;
    for (const auto& f : o.items.Fields())
        fields.push_back(f.name);
    EXPECT_EQ(fields, (std::vector<std::string>{"SelField", "ItemID", "dcItemName", "FullName",
                                                "NdsID", "ItemsGrpID", "dcItemsGrpName", "NdsID1",
                                                "dcNdsName", "Tax", "UnitID"}));
    o.items.Close();
    o.items.SetParamInt("NdsID", 10);
    o.items.Open();
    EXPECT_EQ(o.items.FieldAsInteger("SelField"), 0);
    EXPECT_EQ(o.items.FieldAsString("FullName"), "Молоко 3,2% 1 л");
    EXPECT_EQ(o.items.FieldAsString("dcItemsGrpName"), "Молочные продукты");
    EXPECT_EQ(o.items.FieldAsInteger("NdsID1"), 10);
    EXPECT_EQ(o.items.FieldAsString("dcNdsName"), "НДС 10%");
    EXPECT_EQ(std::get<double>(o.items.FieldValue(o.items.FieldIndex("Tax"))), 10.0);
    EXPECT_EQ(o.items.FieldAsInteger("UnitID"), 796);

    // The update statement, final semicolon included, commits fully after each execution.
    o.Move(3, 20);
    EXPECT_FALSE(o.trWrite.Active());
    EXPECT_EQ(RateOf(target, 3), 20);
    EXPECT_EQ(RateOf(target, 1), 10);
}

TEST_P(DataAccess, GoodsQueryAgainInTheSameReadTransactionSeesCommittedMoves) {
    Objects o(target);
    Objects other(target);
    EXPECT_EQ(o.Goods(10), (std::vector<std::int64_t>{1, 2, 3}));
    other.Move(2, 20);  // committed by another attachment
    o.Move(1, 0);       // committed by this one's write transaction
    EXPECT_TRUE(o.trRead.Active());
    EXPECT_EQ(o.Goods(10), (std::vector<std::int64_t>{3}));
    EXPECT_EQ(o.Goods(20), (std::vector<std::int64_t>{2, 4}));
}

TEST_P(DataAccess, LockedRowFailsAtOnceAndTheNextSuccessCommitsWithoutTheFailedOne) {
    // A guard: a move to rate 99 changes another row first, then is refused by the database.
    test::ExecSql(target,
                  "create exception \"eRefused\" 'refused';\n"
                  "create trigger \"trGuard\" for \"dcItems\" after update as begin "
                  "if (new.\"NdsID\" = 99) then begin "
                  "update \"dcItems\" set \"UnitID\" = 555 where \"ItemID\" = 3; "
                  "exception \"eRefused\"; end end;\n");
    Objects o(target);

    // Another attachment holds item 1 locked.
    Objects other(target);
    Dataset lock(other.db, other.trWrite, "Other.dsLock",
                 "select \"ItemID\" from \"dcItems\" where \"ItemID\" = 1 with lock");
    lock.Open();

    const auto started = std::chrono::steady_clock::now();
    try {
        o.Move(1, 20);
        FAIL() << "the update of a locked row succeeded";
    } catch (const EFIBInterBaseError& e) {
        EXPECT_TRUE(e.HasGdsCode(isc_lock_conflict) || e.HasGdsCode(isc_update_conflict))
            << e.Message();
        EXPECT_EQ(e.Message().rfind("RatemendForm.qApplyNDS:\r\n", 0), 0u) << e.Message();
        EXPECT_EQ(e.SqlCode(), -913);
    }
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(10))
        << "it waited for the lock";
    EXPECT_TRUE(o.trWrite.Active()) << "a failed execution must leave the write transaction active";

    // A refused statement inside the same transaction: its trigger's work must not survive.
    EXPECT_THROW(o.Move(2, 99), EFIBInterBaseError);
    EXPECT_TRUE(o.trWrite.Active());

    other.trWrite.Rollback();
    o.Move(4, 10);
    EXPECT_FALSE(o.trWrite.Active());

    EXPECT_EQ(RateOf(target, 4), 10);
    EXPECT_EQ(RateOf(target, 1), 10);
    EXPECT_EQ(RateOf(target, 2), 10);
    Objects check(target);
    Dataset unit(check.db, check.trRead, "Check.dsUnit",
                 "select \"UnitID\" from \"dcItems\" where \"ItemID\" = 3");
    unit.Open();
    EXPECT_EQ(unit.FieldAsInteger("UnitID"), 796);
}

TEST_P(DataAccess, ClosingTheConnectionRollsBackOpenTransactions) {
    // A selectable block that changes a row, run in the write transaction: work that only a
    // commit would keep.
    const char* change =
        "execute block returns (\"N\" integer) as begin "
        "update \"dcItems\" set \"NdsID\" = 20 where \"ItemID\" = 1; \"N\" = row_count; suspend; "
        "end";
    {
        Objects o(target);
        o.source.Open();
        Dataset ds(o.db, o.trWrite, "RatemendForm.dsChange", change);
        ds.Open();
        EXPECT_EQ(ds.FieldAsInteger("N"), 1);
        o.db.Close();
        EXPECT_FALSE(o.db.Connected());
        EXPECT_FALSE(o.trWrite.Active());
        EXPECT_FALSE(o.trRead.Active());
        EXPECT_FALSE(o.source.Active());
        EXPECT_EQ(RateOf(target, 1), 10);

        // The same objects work again after a reconnect (statements prepared anew).
        o.db.Open();
        EXPECT_EQ(o.Goods(10), (std::vector<std::int64_t>{1, 2, 3}));
        o.Move(1, 0);
        EXPECT_EQ(RateOf(target, 1), 0);
        ds.Open();  // leaves the change pending again; the objects are destroyed below
    }
    EXPECT_EQ(RateOf(target, 1), 0);
}

TEST_P(DataAccess, EachStatementIsPreparedOncePerConnection) {
    Objects o(target);
    Dataset me(o.db, o.trRead, "T.dsMe", "select current_connection as \"A\" from rdb$database");
    me.Open();
    const auto attachment = me.FieldAsInteger("A");
    me.Close();

    // The ids the server gives the goods query and the update of that attachment, seen from
    // outside; a statement prepared again would get a new id.
    Database mon("Mon.Database");
    mon.SetDBName(target);
    mon.Open();
    auto statementIds = [&] {
        Transaction tr(mon, "Mon.Tr", Lines(sql::kTrReadParams));
        Dataset st(mon, tr, "Mon.ds",
                   "select mon$statement_id as \"S\" from mon$statements "
                   "where mon$attachment_id = :\"A\" and (mon$sql_text containing "
                   "'dcItemsGrps' or mon$sql_text starting with 'UPDATE') order by 1");
        st.SetParamInt("A", static_cast<std::int32_t>(attachment));
        st.Open();
        std::vector<std::int64_t> ids;
        for (; !st.Eof(); st.Next())
            ids.push_back(st.FieldAsInteger("S"));
        st.Close();
        tr.Rollback();
        return ids;
    };

    o.Goods(0);
    o.Move(4, 10);
    const auto first = statementIds();
    EXPECT_EQ(first.size(), 2u);
    for (int i = 0; i < 3; ++i)
        o.Goods(10 * (i % 2));
    for (int i = 0; i < 3; ++i)
        o.Move(4, i % 2 ? 20 : 10);
    EXPECT_EQ(statementIds(), first);
}

INSTANTIATE_TEST_SUITE_P(Firebird, DataAccess, ::testing::Values(Via::Embedded, Via::Server),
                         [](const auto& info) {
                             return info.param == Via::Server ? "Server" : "Embedded";
                         });

// ---------------------------------------------------------------------------------------------

class DataAccessLocal : public ::testing::Test {
  protected:
    void SetUp() override { dir = test::MakeTempDir("dataaccess"); }
    void TearDown() override { fs::remove_all(dir); }
    std::string dir;
};

TEST_F(DataAccessLocal, Dialect1DatabaseCannotRunTheStatements) {
    const std::string path = dir + "/d1.fdb";
    test::CreateEmptyDb(path, 1);
    Objects o(path);
    EXPECT_EQ(o.db.SQLDialect(), 3);
    for (Dataset* ds : {&o.source, &o.items}) {
        try {
            ds->SetParamInt("NdsID", 0);
        } catch (const EDatabaseError&) {
        }
        EXPECT_THROW(ds->Open(), EFIBInterBaseError);
        EXPECT_FALSE(ds->Active());
    }
    try {
        o.Move(1, 0);
        FAIL() << "the update ran on a dialect 1 database";
    } catch (const EFIBInterBaseError& e) {
        EXPECT_EQ(e.Message().rfind("RatemendForm.qApplyNDS:\r\n", 0), 0u) << e.Message();
    }
}

TEST_F(DataAccessLocal, UnidirectionalAndBufferedWalks) {
    const std::string path = dir + "/p.fdb";
    std::string seed = kSeed;
    test::CreateProductDb(path, seed);
    Objects o(path);
    o.items.SetParamInt("NdsID", 10);
    o.items.Open();
    o.items.Next();
    o.items.Next();
    EXPECT_EQ(o.items.RecNo(), 3);
    o.items.Next();
    EXPECT_TRUE(o.items.Eof());
    o.items.First();
    EXPECT_EQ(o.items.FieldAsInteger("ItemID"), 1);
    EXPECT_TRUE(o.items.Locate("ItemID", 3));
    EXPECT_FALSE(o.items.Locate("ItemID", 4));
    EXPECT_EQ(o.items.FieldAsInteger("ItemID"), 3);
    o.items.Close();
    EXPECT_THROW(o.items.FieldAsInteger("ItemID"), EDatabaseError);

    o.items.SetUnidirectional(true);
    o.items.Open();
    std::vector<std::int64_t> ids;
    for (; !o.items.Eof(); o.items.Next())
        ids.push_back(o.items.FieldAsInteger("ItemID"));
    EXPECT_EQ(ids, (std::vector<std::int64_t>{1, 2, 3}));
    EXPECT_THROW(o.items.First(), EDatabaseError);

    // CHAR padding is trimmed; NULL reads as empty.
    Dataset misc(o.db, o.trRead, "T.dsMisc",
                 "select cast('ab' as char(5)) as \"C\", cast(null as integer) as \"Z\", "
                 "cast(12.34 as numeric(9,2)) as \"D\" from rdb$database");
    misc.Open();
    EXPECT_EQ(misc.FieldAsString("C"), "ab");
    EXPECT_TRUE(IsNull(misc.FieldValue(misc.FieldIndex("Z"))));
    EXPECT_EQ(misc.FieldAsInteger("Z"), 0);
    EXPECT_EQ(misc.Fields()[2].type, FieldType::Numeric);
    EXPECT_EQ(misc.Fields()[2].scale, 2);
    EXPECT_DOUBLE_EQ(std::get<double>(misc.FieldValue(2)), 12.34);

    // Scaled numbers read exactly as the same decimal literal does.
    Dataset scaled(o.db, o.trRead, "T.dsScaled",
                   "select cast(0.07 as numeric(9,2)) as \"A\", cast(19.99 as numeric(9,2)) as "
                   "\"B\", cast(-0.001 as numeric(18,3)) as \"C\" from rdb$database");
    scaled.Open();
    EXPECT_EQ(std::get<double>(scaled.FieldValue(0)), 0.07);
    EXPECT_EQ(std::get<double>(scaled.FieldValue(1)), 19.99);
    EXPECT_EQ(std::get<double>(scaled.FieldValue(2)), -0.001);
}

// Errors raised by the database on the update (a constraint, a trigger's exception) read as
// whole sentences: no placeholder remarks of the message file in what the operator sees.
TEST_F(DataAccessLocal, ConstraintAndTriggerErrorsReadWithoutPlaceholders) {
    const std::string path = dir + "/c.fdb";
    test::CreateProductDb(
        path,
        "insert into \"dcNds\" (\"NdsID\", \"Name\", \"Tax\") values (1, 'A', 0);\n"
        "insert into \"dcItemsGrps\" (\"ItemsGrpID\", \"Name\") values (1, 'G');\n"
        "insert into \"dcItems\" (\"ItemID\", \"Name\", \"FullName\", \"NdsID\", "
        "\"ItemsGrpID\", \"UnitID\") values (1, 'x', 'x', 1, 1, 1);\n"
        "insert into \"dcItems\" (\"ItemID\", \"Name\", \"FullName\", \"NdsID\", "
        "\"ItemsGrpID\", \"UnitID\") values (2, 'y', 'y', 1, 1, 1);\n"
        "alter table \"dcItems\" add constraint fk_items_nds foreign key (\"NdsID\") "
        "references \"dcNds\" (\"NdsID\");\n"
        "create exception e_frozen 'Товар заморожен';\n");
    test::ExecSql(path,
                  "create trigger t_frozen for \"dcItems\" before update as begin "
                  "if (new.\"ItemID\" = 2) then exception e_frozen; end");
    Objects o(path);
    for (int item : {1, 2}) {
        SCOPED_TRACE(item);
        try {
            o.Move(item, 99);  // rate 99 does not exist: the foreign key refuses item 1
            FAIL() << "the update went through";
        } catch (const EFIBInterBaseError& e) {
            EXPECT_EQ(e.Message().find("Missing arg"), std::string::npos) << e.Message();
            EXPECT_EQ(e.Message().rfind("RatemendForm.qApplyNDS:\r\n", 0), 0u) << e.Message();
        }
    }
}

TEST(ParameterText, PlaceholdersKeepTheTextLength) {
    struct Case {
        std::string sql;
        std::string expected;
        std::vector<std::string> names;
    };
    const Case cases[] = {
        {sql::kApplyNDS,
         "UPDATE\r\n  \"dcItems\"\r\nSET\r\n  \"NdsID\" = ?       \r\nWHERE\r\n  \"ItemID\" = ?    "
         "    ;\r\n",
         {"NdsID", "ItemID"}},
        {"where a = :\"NdsID\" and b = ':\"x\"' and \"c:\"\"d\" = :\"NdsID\"",
         "where a = ?        and b = ':\"x\"' and \"c:\"\"d\" = ?       ",
         {"NdsID", "NdsID"}},
        {sql::kRateListSource, sql::kRateListSource, {}},
    };
    for (const auto& c : cases) {
        std::string text = c.sql;
        EXPECT_EQ(PrepareParameterText(text), c.names) << c.sql;
        EXPECT_EQ(text, c.expected);
    }
    std::string goods = sql::kListItems;
    EXPECT_EQ(PrepareParameterText(goods), std::vector<std::string>{"NdsID"});
    EXPECT_EQ(goods.size(), std::string(sql::kListItems).size());
    EXPECT_NE(goods.find("(\"dcItems\".\"NdsID\" = ?       );\r\n"), std::string::npos);
}

TEST(ParameterBlocks, AsTheWindowDefinesThem) {
    Database db;
    EXPECT_EQ(db.LibraryName, DefaultLibraryName());
    EXPECT_EQ(db.DBParams(),
              (std::vector<std::string>{"lc_ctype=UTF-8", "password=vorplin", "user_name=SYSDBA"}));
    Transaction r(db, "R", Lines(sql::kTrReadParams));
    Transaction w(db, "W", Lines(sql::kTrWriteParams));
    EXPECT_EQ(r.ParameterBlock(),
              (std::vector<std::uint8_t>{isc_tpb_version3, isc_tpb_read, isc_tpb_nowait,
                                         isc_tpb_rec_version, isc_tpb_read_committed}));
    EXPECT_EQ(w.ParameterBlock(),
              (std::vector<std::uint8_t>{isc_tpb_version3, isc_tpb_write, isc_tpb_nowait,
                                         isc_tpb_rec_version, isc_tpb_read_committed}));
}

// ---------------------------------------------------------------------------------------------
// Failures while connecting: each with its error type and text.

TEST_F(DataAccessLocal, LibraryLoadFailuresAndTheRetryAtTheNextOpen) {
    const std::string notElf = dir + "/libbroken.so";
    std::ofstream(notElf) << "not a library\n";
    struct Case {
        std::string library;
        int code;
        std::string message;  // empty: only the prefix is checked
    };
    const Case cases[] = {
        {"libfbclient-missing.so.2", 126,
         "System Error.  Code: 126.\r\nНе найден указанный модуль"},
        {dir + "/nowhere/libfbclient.so.2", 126,
         "System Error.  Code: 126.\r\nНе найден указанный модуль"},
        {"libm.so.6", 127, "System Error.  Code: 127.\r\nНе найдена указанная процедура"},
        {notElf, 193, ""},
    };
    const std::string path = dir + "/p.fdb";
    test::CreateProductDb(path);
    for (const auto& c : cases) {
        Database db;
        db.SetDBName(path);
        db.LibraryName = c.library;
        try {
            db.Open();
            ADD_FAILURE() << c.library << " opened";
        } catch (const EOSError& e) {
            EXPECT_EQ(e.TypeName(), "EOSError");
            EXPECT_EQ(e.Code(), c.code) << c.library;
            if (!c.message.empty())
                EXPECT_EQ(e.Message(), c.message);
            else
                EXPECT_EQ(e.Message().rfind("System Error.  Code: 193.\r\n" + notElf, 0), 0u)
                    << e.Message();
        }
        EXPECT_FALSE(db.Connected());
        // The next open tries again.
        db.LibraryName = DefaultLibraryName();
        db.Open();
        EXPECT_TRUE(db.Connected());
    }
}

TEST(OSErrorText, CodeZeroAndTrailingStops) {
    EXPECT_EQ(EOSError(0, "whatever").Message(), "A call to an OS function failed");
    EXPECT_EQ(EOSError(5, "Отказано в доступе.\r\n").Message(),
              "System Error.  Code: 5.\r\nОтказано в доступе");
}

TEST_F(DataAccessLocal, AttachFailuresCarryTheLibraryTexts) {
    const std::string path = dir + "/p.fdb";
    test::CreateProductDb(path);
    const std::string server = test::ServerTarget(path);
    if (server.empty())
        GTEST_SKIP() << "RATEMEND_TEST_SERVER is not set";

    struct Case {
        const char* what;
        std::string target;
        std::vector<std::string> params;
        long gds;
        std::string contains;
    };
    const std::vector<std::string> wrongPassword{"lc_ctype=UTF-8", "password=wrong",
                                                 "user_name=SYSDBA"};
    const Case cases[] = {
        {"wrong password", server, wrongPassword, isc_login,
         "Your user name and password are not defined"},
        {"missing file, embedded", dir + "/missing.fdb", {}, isc_io_error, dir + "/missing.fdb"},
        {"missing file, server",
         test::ServerTarget(dir + "/missing.fdb"),
         {},
         isc_io_error,
         dir + "/missing.fdb"},
        {"unreachable server",
         "localhost/1:" + path,
         {},
         isc_network_error,
         "Unable to complete network request"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Database db;
        db.SetDBName(c.target);
        if (!c.params.empty())
            db.SetDBParams(c.params);
        try {
            db.Open();
            ADD_FAILURE() << "opened";
        } catch (const EFIBInterBaseError& e) {
            EXPECT_EQ(e.TypeName(), "EFIBInterBaseError");
            EXPECT_TRUE(e.HasGdsCode(c.gds)) << e.Message();
            EXPECT_EQ(e.SqlCode(), -902);
            EXPECT_NE(e.Message().find(c.contains), std::string::npos) << e.Message();
            // Component path and a line break, then one full sentence per line.
            const std::string& m = e.Message();
            ASSERT_EQ(m.rfind("RatemendForm.Database:\r\n", 0), 0u) << m;
            EXPECT_EQ(m.substr(m.size() - 3), ".\r\n") << m;
            for (std::size_t pos = std::string("RatemendForm.Database:\r\n").size();
                 pos < m.size();) {
                const auto end = m.find("\r\n", pos);
                ASSERT_NE(end, std::string::npos);
                EXPECT_EQ(m[end - 1], '.') << m;
                EXPECT_FALSE(m[pos] >= 'a' && m[pos] <= 'z') << m;
                pos = end + 2;
            }
        }
        EXPECT_FALSE(db.Connected());
    }
}

}  // namespace
