// The in-memory goods list: loading as the reload does it, the filter, the walk over the shown
// rows, edits with one pending edit, the closed-table error and the view notifications.
#include <gtest/gtest.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "MemTable.h"

namespace {

using rm::EDatabaseError;
using rm::FieldDef;
using rm::FieldType;
using rm::MemTable;
using rm::Value;

const char* const kClosedError = "MemTableData: Cannot perform this operation on a closed dataset";

// The goods record as the goods query delivers it; the second NdsID arrives as NdsID1.
std::vector<FieldDef> GoodsFields() {
    return {
        {"SelField", FieldType::Integer, 0, 0, false},
        {"ItemID", FieldType::Integer, 0, 0, true},
        {"dcItemName", FieldType::Text, 40, 0, false},
        {"FullName", FieldType::Text, 200, 0, false},
        {"NdsID", FieldType::Integer, 0, 0, false},
        {"ItemsGrpID", FieldType::Integer, 0, 0, true},
        {"dcItemsGrpName", FieldType::Text, 60, 0, false},
        {"NdsID1", FieldType::Integer, 0, 0, true},
        {"dcNdsName", FieldType::Text, 40, 0, false},
        {"Tax", FieldType::Numeric, 0, 2, false},
        {"UnitID", FieldType::Integer, 0, 0, false},
    };
}

// One goods row per entry of sel (nullopt: an empty SelField); ItemID 101, 102, ...
std::vector<Value> GoodsRow(int itemId, std::optional<std::int64_t> sel) {
    return {sel ? Value{*sel} : Value{},
            Value{std::int64_t{itemId}},
            Value{std::string("item ") + std::to_string(itemId)},
            Value{std::string("Товар с длинным полным наименованием № ") + std::to_string(itemId)},
            Value{std::int64_t{3}},
            Value{std::int64_t{10}},
            Value{std::string("Группа")},
            Value{std::int64_t{7}},
            Value{std::string("НДС 20%")},
            Value{20.0},
            Value{}};
}

// Loads the list the way the reload does: suspended, closed, rebuilt, opened, rows appended,
// first row, resumed.
void Load(MemTable& t, const std::vector<std::optional<std::int64_t>>& sels) {
    t.DisableControls();
    t.Close();
    t.CreateFields(GoodsFields());
    t.Open();
    t.ReserveRows(sels.size());
    int id = 101;
    for (const auto& s : sels) {
        t.AppendRecord(GoodsRow(id++, s));
    }
    t.First();
    t.EnableControls();
}

struct Walked {
    std::vector<std::int64_t> itemIds;
    std::vector<int> recNos;
};

// Walks the shown rows from the first, as the apply run does.
Walked Walk(MemTable& t) {
    Walked w;
    for (t.First(); !t.Eof(); t.Next()) {
        w.itemIds.push_back(t.FieldAsInteger("ItemID"));
        w.recNos.push_back(t.RecNo());
    }
    return w;
}

// SelField of every row, in load order, with the filter off ("" for an empty value).
std::vector<std::string> Ticks(MemTable& t) {
    t.SetFilter("");
    std::vector<std::string> out;
    for (t.First(); !t.Eof(); t.Next()) {
        out.push_back(t.FieldAsString("SelField"));
    }
    return out;
}

class RecordingObserver : public rm::IMemTableObserver {
  public:
    std::vector<std::string> events;
    void TableReset() override { events.push_back("reset"); }
    void RowChanged(int i) override { events.push_back("row " + std::to_string(i)); }
    void CurrentChanged(int i) override { events.push_back("current " + std::to_string(i)); }
};

// Runs op and returns the message of the EDatabaseError it throws ("" when none is thrown).
std::string ErrorOf(const std::function<void()>& op) {
    try {
        op();
    } catch (const EDatabaseError& e) {
        EXPECT_EQ(e.TypeName(), "EDatabaseError");
        return e.Message();
    }
    return "";
}

// --- closed table ---

TEST(MemTableClosed, EveryOperationOnRowsFailsWithTheClosedTableError) {
    const std::vector<std::pair<const char*, std::function<void(MemTable&)>>> ops = {
        {"RecordCount", [](MemTable& t) { t.RecordCount(); }},
        {"First", [](MemTable& t) { t.First(); }},
        {"Next", [](MemTable& t) { t.Next(); }},
        {"Eof", [](MemTable& t) { t.Eof(); }},
        {"RecNo", [](MemTable& t) { t.RecNo(); }},
        {"MoveTo", [](MemTable& t) { t.MoveTo(0); }},
        {"Edit", [](MemTable& t) { t.Edit(); }},
        {"Post", [](MemTable& t) { t.Post(); }},
        {"Cancel", [](MemTable& t) { t.Cancel(); }},
        {"FieldAsInteger", [](MemTable& t) { t.FieldAsInteger("SelField"); }},
        {"FieldAsString", [](MemTable& t) { t.FieldAsString("FullName"); }},
        {"FieldIsNull", [](MemTable& t) { t.FieldIsNull("SelField"); }},
        {"SetFieldAsInteger", [](MemTable& t) { t.SetFieldAsInteger("SelField", 1); }},
        {"SetFieldNull", [](MemTable& t) { t.SetFieldNull("SelField"); }},
        {"AppendRecord", [](MemTable& t) { t.AppendRecord({}); }},
    };
    MemTable neverLoaded("MemTableData");
    MemTable closedAgain("MemTableData");
    Load(closedAgain, {1, 0});
    closedAgain.Edit();
    closedAgain.SetFieldAsInteger("SelField", 0);
    closedAgain.Close();
    for (MemTable* t : {&neverLoaded, &closedAgain}) {
        EXPECT_FALSE(t->Active());
        EXPECT_TRUE(t->Fields().empty());
        EXPECT_EQ(t->ShownCount(), 0);
        EXPECT_FALSE(t->Editing());
        for (const auto& [name, op] : ops) {
            EXPECT_EQ(ErrorOf([&] { op(*t); }), kClosedError)
                << name << (t == &neverLoaded ? " on a never loaded list" : " after Close");
        }
    }
}

TEST(MemTableClosed, FilterAndEmptyTableAreAcceptedAndTheFilterHoldsAfterLoading) {
    MemTable t("MemTableData");
    t.EmptyTable();  // the reload empties the list before its first load
    t.SetFilter("(SelField = 1)");
    EXPECT_EQ(t.Filter(), "(SelField = 1)");
    EXPECT_EQ(ErrorOf([&] { t.RecordCount(); }), kClosedError);

    Load(t, {1, 0, 1});
    EXPECT_EQ(t.Filter(), "(SelField = 1)");
    EXPECT_EQ(Walk(t).itemIds, (std::vector<std::int64_t>{101, 103}));
}

// --- filter, count and position ---

struct FilterCase {
    const char* filter;
    std::vector<std::optional<std::int64_t>> sels;
    std::vector<std::int64_t> shownIds;
};

TEST(MemTableFilter, CountWalkAndPositionSeeOnlyTheShownRows) {
    const std::optional<std::int64_t> null;
    const FilterCase cases[] = {
        {"", {1, 0, 1}, {101, 102, 103}},
        {"(SelField = 1)", {1, 0, 1, null, 2, -1}, {101, 103}},
        {"(SelField = 1)", {0, null, 0}, {}},
        {"(SelField = 1)", {}, {}},
        {"(SelField = 0)", {0, null, 1, 0}, {101, 104}},
        {"  ( SelField=1 )  ", {0, 1}, {102}},
        {"SelField = 1", {0, 1}, {102}},
        {"(selfield = 1)", {1, 0}, {101}},
        {"(SelField = -1)", {-1, 1}, {101}},
        {"(SelField = +1)", {0, 1}, {102}},
        {"(ItemID = 102)", {0, 0, 0}, {102}},
        {"(NdsID1 = 7)", {0, 0}, {101, 102}},
        {"(NdsID1 = 3)", {0, 0}, {}},
        {"(Tax = 20)", {0}, {101}},
        {"(dcNdsName = 20)", {0}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("filter \"") + c.filter + "\", " + std::to_string(c.sels.size()) +
                     " rows");
        MemTable t("MemTableData");
        Load(t, c.sels);
        t.SetFilter(c.filter);
        EXPECT_EQ(t.Filter(), c.filter);
        const int n = static_cast<int>(c.shownIds.size());
        EXPECT_EQ(t.RecordCount(), n);
        EXPECT_EQ(t.ShownCount(), n);
        // Setting the filter goes to the first shown row.
        EXPECT_EQ(t.RecNo(), n > 0 ? 1 : 0);
        EXPECT_EQ(t.Eof(), n == 0);

        const Walked w = Walk(t);
        EXPECT_EQ(w.itemIds, c.shownIds);
        std::vector<int> positions;
        for (int i = 1; i <= n; ++i) {
            positions.push_back(i);
        }
        EXPECT_EQ(w.recNos, positions);
        // Past the end the last shown row stays current; Next there changes nothing.
        EXPECT_TRUE(t.Eof());
        EXPECT_EQ(t.RecNo(), n);
        t.Next();
        EXPECT_TRUE(t.Eof());

        // The empty filter brings every row back.
        t.SetFilter("");
        EXPECT_EQ(t.RecordCount(), static_cast<int>(c.sels.size()));
    }
}

TEST(MemTableFilter, TextItDoesNotUnderstandIsRefusedAndChangesNothing) {
    const char* const bad[] = {
        "(SelField = x)",
        "(SelField = 1",
        "SelField = 1)",
        "(SelField > 1)",
        "(SelField <> 1)",
        "(SelField = 1.5)",
        "(SelField = )",
        "= 1",
        "(SelField = 1) and (ItemID = 2)",
        "((SelField = 1))",
        "(Nope = 1)",
        "(SelField = 99999999999999999999)",
        "(1 = SelField)",
        "(SelField = 1) garbage",
        "(Sel Field = 1)",
    };
    for (const std::string text : bad) {
        SCOPED_TRACE(text);
        MemTable t("MemTableData");
        Load(t, {1, 0, 1});
        t.SetFilter("(SelField = 1)");
        t.Next();
        t.Edit();
        t.SetFieldAsInteger("SelField", 0);

        const std::string message = ErrorOf([&] { t.SetFilter(text); });
        const std::string expected = text == "(Nope = 1)"
                                         ? "MemTableData: Field 'Nope' not found"
                                         : "MemTableData: Filter '" + text + "' not understood";
        EXPECT_EQ(message.substr(0, expected.size()), expected) << message;
        // Filter, shown rows, position and the pending edit are as they were.
        EXPECT_EQ(t.Filter(), "(SelField = 1)");
        EXPECT_EQ(t.RecordCount(), 2);
        EXPECT_EQ(t.RecNo(), 2);
        EXPECT_TRUE(t.Editing());
        EXPECT_EQ(t.FieldAsInteger("SelField"), 0);
    }
}

// --- pending edits ---

TEST(MemTableEdit, LeavingTheRowPostsThePendingEdit) {
    struct Leave {
        const char* name;
        std::function<void(MemTable&)> op;
        std::vector<std::string> ticks;  // afterwards, all rows
    };
    const std::vector<std::string> ticked = {"0", "1", "0"};
    const std::vector<Leave> leaves = {
        {"First", [](MemTable& t) { t.First(); }, ticked},
        {"Next", [](MemTable& t) { t.Next(); }, ticked},
        {"MoveTo", [](MemTable& t) { t.MoveTo(0); }, ticked},
        {"Post", [](MemTable& t) { t.Post(); }, ticked},
        {"empty filter", [](MemTable& t) { t.SetFilter(""); }, ticked},
        {"ticked-rows filter", [](MemTable& t) { t.SetFilter("(SelField = 1)"); }, ticked},
        {"AppendRecord",
         [](MemTable& t) { t.AppendRecord(GoodsRow(104, 0)); },
         {"0", "1", "0", "0"}},
    };
    for (const auto& [name, leave, ticks] : leaves) {
        SCOPED_TRACE(name);
        MemTable t("MemTableData");
        Load(t, {0, 0, 0});
        t.MoveTo(1);
        t.Edit();
        t.SetFieldAsInteger("SelField", 1);
        // While pending, the current row and the view read the written value.
        EXPECT_EQ(t.FieldAsInteger("SelField"), 1);
        EXPECT_EQ(rm::ValueAsInt64(t.ShownValue(1, t.FieldIndex("SelField"))), 1);

        leave(t);
        EXPECT_FALSE(t.Editing());
        EXPECT_EQ(Ticks(t), ticks);
    }
}

TEST(MemTableEdit, TheTickedRowsFilterCountsATickJustSet) {
    MemTable t("MemTableData");
    Load(t, {1, 0, 0});
    t.MoveTo(2);  // the operator clicks the check box of the last row
    t.Edit();
    t.SetFieldAsInteger("SelField", t.FieldAsInteger("SelField") == 1 ? 0 : 1);
    t.SetFilter("(SelField = 1)");
    EXPECT_EQ(Walk(t).itemIds, (std::vector<std::int64_t>{101, 103}));
}

TEST(MemTableEdit, CancelAndAnEditThatWroteNothingLeaveTheRowAsItWas) {
    MemTable t("MemTableData");
    RecordingObserver obs;
    Load(t, {1, 0});
    t.SetObserver(&obs);

    t.Edit();
    t.Edit();  // already editing: no-op
    t.First();
    EXPECT_FALSE(t.Editing());
    EXPECT_EQ(obs.events, std::vector<std::string>{}) << "an empty edit is dropped, not posted";

    t.Edit();
    t.SetFieldNull("SelField");
    EXPECT_TRUE(t.FieldIsNull("SelField"));
    t.Cancel();
    EXPECT_FALSE(t.Editing());
    EXPECT_EQ(t.FieldAsInteger("SelField"), 1);
    EXPECT_EQ(Ticks(t), (std::vector<std::string>{"1", "0"}));
    // An empty tick is a value of its own: posted, it reads as 0 and is not ticked.
    t.First();
    t.Edit();
    t.SetFieldNull("SelField");
    t.Post();
    EXPECT_TRUE(t.FieldIsNull("SelField"));
    EXPECT_EQ(t.FieldAsInteger("SelField"), 0);
    t.SetFilter("(SelField = 1)");
    EXPECT_EQ(t.RecordCount(), 0);
}

TEST(MemTableEdit, InvertWalkTurnsEveryTickOver) {
    MemTable t("MemTableData");
    Load(t, {1, 0, 1});
    auto invert = [&] {
        t.First();
        t.DisableControls();
        while (!t.Eof()) {
            t.Edit();
            t.SetFieldAsInteger("SelField", t.FieldAsInteger("SelField") == 0 ? 1 : 0);
            t.Post();
            t.Next();
        }
        t.First();
        t.EnableControls();
    };
    invert();
    EXPECT_EQ(Ticks(t), (std::vector<std::string>{"0", "1", "0"}));
    invert();
    EXPECT_EQ(Ticks(t), (std::vector<std::string>{"1", "0", "1"}));

    // An empty tick reads as 0 and becomes 1; any other value becomes 0.
    Load(t, {std::nullopt, 2, -1});
    invert();
    EXPECT_EQ(Ticks(t), (std::vector<std::string>{"1", "0", "0"}));
}

TEST(MemTableEdit, MisuseIsRefusedWithAClearMessage) {
    MemTable t("MemTableData");
    Load(t, {0});
    const std::vector<std::pair<std::function<void()>, std::string>> cases = {
        {[&] { t.SetFieldAsInteger("SelField", 1); },
         "MemTableData: Dataset not in edit or insert mode"},
        {[&] { t.SetFieldNull("SelField"); }, "MemTableData: Dataset not in edit or insert mode"},
        {[&] { t.FieldAsInteger("NoSuchField"); }, "MemTableData: Field 'NoSuchField' not found"},
        {[&] { t.MoveTo(1); }, "MemTableData: Row 1 is not among the 1 shown rows"},
        {[&] { t.MoveTo(-1); }, "MemTableData: Row -1 is not among the 1 shown rows"},
        {[&] { t.AppendRecord({Value{}}); }, "MemTableData: Row has 1 values for 11 fields"},
        {[&] { t.CreateFields(GoodsFields()); },
         "MemTableData: Cannot perform this operation on an open dataset"},
        {[&] {
             t.Edit();
             t.SetFieldAsInteger("ItemID", 5'000'000'000);
         },
         "MemTableData: 5000000000 is not a valid value for field 'ItemID'. The allowed range "
         "is -2147483648 to 2147483647"},
    };
    for (const auto& [op, message] : cases) {
        EXPECT_EQ(ErrorOf(op), message);
    }
    // Nothing above changed the row or the structure.
    t.Cancel();
    EXPECT_EQ(t.RecordCount(), 1);
    EXPECT_EQ(t.Fields().size(), GoodsFields().size());
    EXPECT_EQ(t.FieldAsInteger("ItemID"), 101);

    // No shown row: nothing to edit, fields read as empty.
    t.SetFilter("(SelField = 1)");
    EXPECT_EQ(ErrorOf([&] { t.Edit(); }), "MemTableData: Cannot edit: no current row");
    EXPECT_EQ(t.FieldAsInteger("ItemID"), 0);
    EXPECT_EQ(t.FieldAsString("FullName"), "");
}

// --- structure ---

TEST(MemTableFields, RepeatedAliasesAreDistinctFieldsAndRealDuplicatesAreRefused) {
    MemTable t("MemTableData");
    Load(t, {0});
    ASSERT_EQ(t.Fields().size(), 11u);
    EXPECT_EQ(t.FieldIndex("SelField"), 0);
    EXPECT_EQ(t.FieldIndex("NdsID"), 4);
    EXPECT_EQ(t.FieldIndex("NdsID1"), 7);
    EXPECT_EQ(t.FieldIndex("ndsid1"), 7);
    EXPECT_EQ(t.FieldIndex("NdsID2"), -1);
    EXPECT_EQ(t.FieldAsInteger("NdsID"), 3);
    EXPECT_EQ(t.FieldAsInteger("NdsID1"), 7);
    EXPECT_EQ(t.FieldAsString("Tax"), "20");
    EXPECT_EQ(t.FieldAsString("ItemID"), "101");
    EXPECT_TRUE(t.FieldIsNull("UnitID"));
    EXPECT_EQ(t.FieldAsInteger("UnitID"), 0);

    // Text and numeric fields take integers in their own kind.
    t.Edit();
    t.SetFieldAsInteger("dcNdsName", 18);
    t.SetFieldAsInteger("Tax", 18);
    t.Post();
    EXPECT_TRUE(std::holds_alternative<std::string>(t.ShownValue(0, t.FieldIndex("dcNdsName"))));
    EXPECT_TRUE(std::holds_alternative<double>(t.ShownValue(0, t.FieldIndex("Tax"))));
    EXPECT_EQ(t.FieldAsString("dcNdsName"), "18");

    t.Close();
    auto fields = GoodsFields();
    fields[7].name = "ndsid";
    EXPECT_EQ(ErrorOf([&] { t.CreateFields(fields); }),
              "MemTableData: Duplicate field name 'ndsid'");
    EXPECT_TRUE(t.Fields().empty());
}

// --- view notifications ---

TEST(MemTableObserver, ViewHearsEachChangeOrOneResetAfterTheLastSuspension) {
    MemTable t("MemTableData");
    RecordingObserver obs;
    t.SetObserver(&obs);
    Load(t, {0, 0, 0});
    EXPECT_EQ(obs.events, std::vector<std::string>{"reset"}) << "the whole load: one reset";

    obs.events.clear();
    t.Next();
    t.Edit();
    t.SetFieldAsInteger("SelField", 1);
    t.Next();  // posts row 1, moves to row 2
    t.SetFilter("(SelField = 1)");
    EXPECT_EQ(obs.events, (std::vector<std::string>{"current 1", "row 1", "row 1", "current 2",
                                                    "reset", "current 0"}));

    // Counted suspension: nothing while any suspension lasts, one reset when the last ends,
    // an unmatched resume is ignored.
    obs.events.clear();
    t.SetFilter("");
    obs.events.clear();
    t.DisableControls();
    t.DisableControls();
    for (t.First(); !t.Eof(); t.Next()) {
        t.Edit();
        t.SetFieldAsInteger("SelField", 1);
        t.Post();
    }
    t.SetFilter("(SelField = 1)");
    t.EnableControls();
    EXPECT_TRUE(t.ControlsDisabled());
    EXPECT_EQ(obs.events, std::vector<std::string>{});
    t.EnableControls();
    EXPECT_FALSE(t.ControlsDisabled());
    EXPECT_EQ(obs.events, std::vector<std::string>{"reset"});
    t.EnableControls();
    EXPECT_EQ(obs.events, std::vector<std::string>{"reset"});
    EXPECT_EQ(t.RecordCount(), 3);

    // A suspension during which nothing happened still ends with one reset.
    obs.events.clear();
    t.DisableControls();
    t.EnableControls();
    EXPECT_EQ(obs.events, std::vector<std::string>{"reset"});
}

}  // namespace
