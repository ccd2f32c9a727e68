// A window logic over the recording surface, started in a fresh working directory whose
// Net/ConnectionInfo.ini names a fresh product database.
#pragma once

#include <filesystem>
#include <fstream>
#include <string>

#include "FakeSurface.h"
#include "RatemendForm.h"
#include "TestDb.h"

namespace rm::test {

class FormFixture {
  public:
    // extraSql fills the fresh database (rates, groups, goods).
    explicit FormFixture(const std::string& extraSql, const std::string& tag = "form")
        : fOld(std::filesystem::current_path()), dir(MakeTempDir(tag)) {
        dbPath = dir + "/product.fdb";
        CreateProductDb(dbPath, extraSql);
        std::filesystem::current_path(dir);
    }
    ~FormFixture() {
        form.FormDestroy();
        std::filesystem::current_path(fOld);
    }

    // Writes Net/ConnectionInfo.ini in the working directory.
    void WriteSettings(const std::string& body) const {
        std::filesystem::create_directories(dir + "/Net");
        std::ofstream(dir + "/Net/ConnectionInfo.ini") << body;
    }

    // Settings naming the database through the embedded engine, then the start-up handlers.
    void StartEmbedded() {
        WriteSettings("[Connect]\nDatabase=" + dbPath + "\n");
        form.FormCreate();
    }

    // A field of every shown row of the goods list, as integers.
    std::vector<std::int64_t> Column(const std::string& field) {
        std::vector<std::int64_t> values;
        auto& t = form.MemTableData;
        const int f = t.FieldIndex(field);
        for (int i = 0; i < t.ShownCount(); ++i) {
            values.push_back(ValueAsInt64(t.ShownValue(i, f)));
        }
        return values;
    }
    std::vector<std::int64_t> ListedIds() { return Column("ItemID"); }
    std::vector<std::int64_t> Ticks() { return Column("SelField"); }

    // Index of the rate with this name in the drop-down of a box (first match).
    int EntryOf(Control box, const std::string& name) {
        const auto& items = s.lookupItems[box];
        for (std::size_t i = 0; i < items.size(); ++i) {
            if (items[i] == name) {
                return static_cast<int>(i);
            }
        }
        return -1;
    }

  private:
    std::filesystem::path fOld;

  public:
    std::string dir;
    std::string dbPath;
    FakeSurface s;
    TRatemendForm form{s, "Ratemend"};
};

// Ids of the goods of a rate, read straight from the database.
inline std::vector<std::int64_t> IdsOfRate(const std::string& target, int ndsId) {
    fb::Database db("Test.Database");
    db.SetDBName(target);
    db.Open();
    fb::Transaction tr(db, "Test.Tr", {"read", "nowait", "rec_version", "read_committed"});
    fb::Dataset ds(db, tr, "Test.ds",
                   "select \"ItemID\" from \"dcItems\" where \"NdsID\" = :\"NdsID\" "
                   "order by \"ItemID\"");
    ds.SetParamInt("NdsID", ndsId);
    ds.Open();
    std::vector<std::int64_t> ids;
    for (ds.First(); !ds.Eof(); ds.Next()) {
        ids.push_back(ds.FieldAsInteger("ItemID"));
    }
    ds.Close();
    tr.Rollback();
    db.Close();
    return ids;
}

}  // namespace rm::test
