// Rate lists, the goods list and the selection commands on a real product database.
#include <gtest/gtest.h>

#include "FormFixture.h"
#include "GoodsData.h"

using rm::Control;
using rm::test::FormFixture;
using Ids = std::vector<std::int64_t>;

namespace {

const Control kGoodsControls[] = {Control::GridItems, Control::bApplyChangeNDS, Control::bbSelAll,
                                  Control::bbSelEmpty, Control::bbSelInvert};

void ExpectGoodsControls(FormFixture& f, bool enabled) {
    for (Control c : kGoodsControls) {
        EXPECT_EQ(f.s.State(c).enabled, enabled) << rm::ControlName(c);
    }
}

void Choose(FormFixture& f, Control box, const std::string& name, int nth = 0) {
    const auto& items = f.s.lookupItems[box];
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i] == name && nth-- == 0) {
            f.form.LookupChosen(box, static_cast<int>(i));
            return;
        }
    }
    FAIL() << "no entry " << name;
}

}  // namespace

TEST(FormGoods, RateZeroIsPreselectedInBothBoxesAndItsGoodsListed) {
    FormFixture f(rm::test::GoodsSql());
    f.StartEmbedded();
    ASSERT_TRUE(f.form.Database.Connected());
    EXPECT_TRUE(f.s.boxes.empty());
    const int zero = f.EntryOf(Control::cblNDSSelectSource, "Без НДС");
    EXPECT_EQ(f.s.lookupShown[Control::cblNDSSelectSource], zero);
    EXPECT_EQ(f.s.lookupShown[Control::cblNDSSelectTarget], zero);
    EXPECT_EQ(f.form.dsNDSSelectSource.FieldAsInteger("NdsID"), 0);
    EXPECT_EQ(f.form.dsNDSSelectTarget.FieldAsInteger("NdsID"), 0);
    // The server's order, every tick at 0, the first row current.
    EXPECT_EQ(f.ListedIds(), (Ids{101, 102, 103, 104, 105}));
    EXPECT_EQ(f.Ticks(), (Ids{0, 0, 0, 0, 0}));
    EXPECT_EQ(f.form.MemTableData.RecNo(), 1);
    EXPECT_EQ(f.s.gridSource, &f.form.MemTableData);
    ExpectGoodsControls(f, true);
    // The goods list carries the query's fields, the repeated rate key renamed.
    EXPECT_GE(f.form.MemTableData.FieldIndex("NdsID1"), 0);
    EXPECT_EQ(f.form.MemTableData.FieldAsString("dcItemsGrpName"), "Продукты");

    f.form.FormShow();
    EXPECT_EQ(f.s.focused, Control::cblNDSSelectSource);
    ASSERT_EQ(f.s.boxes.size(), 1u);  // only the warning
    EXPECT_EQ(f.s.boxes[0].caption, "Утилита изменения ставки НДС");

    // Destroying the window closes the three datasets, then the connection.
    f.form.FormDestroy();
    EXPECT_FALSE(f.form.dsNDSSelectSource.Active());
    EXPECT_FALSE(f.form.dsNDSSelectTarget.Active());
    EXPECT_FALSE(f.form.dsListItems.Active());
    EXPECT_FALSE(f.form.TrDefRead.Active());
    EXPECT_FALSE(f.form.Database.Connected());
    EXPECT_EQ(f.s.boxes.size(), 1u);
}

TEST(FormGoods, WithoutRateZeroBoxesStayEmptyUntilARateIsChosen) {
    FormFixture f(rm::test::GoodsSql(false));
    f.StartEmbedded();
    ASSERT_TRUE(f.form.Database.Connected());
    EXPECT_EQ(f.s.lookupShown[Control::cblNDSSelectSource], -1);
    EXPECT_EQ(f.s.lookupShown[Control::cblNDSSelectTarget], -1);
    EXPECT_FALSE(f.form.MemTableData.Active());
    EXPECT_EQ(f.form.dsNDSSelectSource.RecNo(), 1);
    EXPECT_EQ(f.form.dsNDSSelectTarget.RecNo(), 1);
    // Connected state over a list that was never loaded.
    EXPECT_TRUE(f.s.State(Control::bApplyChangeNDS).enabled);

    Choose(f, Control::cblNDSSelectSource, "НДС 20%");
    EXPECT_EQ(f.ListedIds(), (Ids{301, 302}));
}

TEST(FormGoods, ChoosingRatesReloadsOrKeepsTheList) {
    FormFixture f(rm::test::GoodsSql());
    f.StartEmbedded();

    // A rate whose goods are all excluded (item 0, an item without a group).
    Choose(f, Control::cblNDSSelectSource, "Пустая");
    EXPECT_TRUE(f.form.MemTableData.Active());
    EXPECT_EQ(f.form.MemTableData.RecordCount(), 0);
    ExpectGoodsControls(f, false);

    Choose(f, Control::cblNDSSelectSource, "  НДС 10%  ");
    EXPECT_EQ(f.ListedIds(), (Ids{201, 202, 203}));
    ExpectGoodsControls(f, true);

    // Ticks survive choosing the rate already chosen...
    f.form.GridToggleCheck(1);
    f.form.GridRowSelected(0);
    EXPECT_EQ(f.Ticks(), (Ids{0, 1, 0}));
    Choose(f, Control::cblNDSSelectSource, "  НДС 10%  ");
    EXPECT_EQ(f.Ticks(), (Ids{0, 1, 0}));

    // ...and are gone after a reload; coming back brings the goods back unticked.
    Choose(f, Control::cblNDSSelectSource, "Без НДС");
    Choose(f, Control::cblNDSSelectSource, "  НДС 10%  ");
    EXPECT_EQ(f.Ticks(), (Ids{0, 0, 0}));
}

TEST(FormGoods, TwoRatesWithTheSameNameEachListTheirOwnGoods) {
    FormFixture f(rm::test::GoodsSql());
    f.StartEmbedded();
    Choose(f, Control::cblNDSSelectSource, "НДС 20%", 0);
    EXPECT_EQ(f.ListedIds(), (Ids{301, 302}));
    Choose(f, Control::cblNDSSelectSource, "НДС 20%", 1);
    EXPECT_EQ(f.form.dsNDSSelectSource.FieldAsInteger("NdsID"), 21);
    EXPECT_EQ(f.ListedIds(), (Ids{401, 402}));
}

TEST(FormGoods, ReloadSeesUpdatesCommittedMeanwhile) {
    FormFixture f(rm::test::GoodsSql());
    f.StartEmbedded();
    Choose(f, Control::cblNDSSelectSource, "  НДС 10%  ");
    rm::test::ExecSql(f.dbPath, "update \"dcItems\" set \"NdsID\" = 20 where \"ItemID\" = 202;");
    Choose(f, Control::cblNDSSelectSource, "Без НДС");
    Choose(f, Control::cblNDSSelectSource, "  НДС 10%  ");
    EXPECT_EQ(f.ListedIds(), (Ids{201, 203}));
}

TEST(FormGoods, SelectionCommands) {
    struct Case {
        const char* name;
        std::vector<int> ticked;  // rows ticked (and posted) before the command
        int pending;              // a row ticked in the grid and still pending, or -1
        void (rm::TRatemendForm::*command)();
        Ids expected;
    };
    using F = rm::TRatemendForm;
    const std::vector<Case> cases = {
        {"all over a partly ticked list", {1}, -1, &F::bbSelAllClick, {1, 1, 1, 1, 1}},
        {"none", {0, 2, 4}, -1, &F::bbSelEmptyClick, {0, 0, 0, 0, 0}},
        {"invert", {0, 2, 4}, -1, &F::bbSelInvertClick, {0, 1, 0, 1, 0}},
        {"invert twice", {0, 2, 4}, -1, nullptr, {1, 0, 1, 0, 1}},
        // The walk posts the operator's pending tick first, so invert turns it over too.
        {"invert with a pending tick", {0}, 3, &F::bbSelInvertClick, {0, 1, 1, 0, 1}},
    };
    FormFixture f(rm::test::GoodsSql());
    f.StartEmbedded();
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        f.form.bbSelEmptyClick();
        for (int row : tc.ticked) {
            f.form.GridToggleCheck(row);
            f.form.MemTableData.Post();
        }
        if (tc.pending >= 0) {
            f.form.GridToggleCheck(tc.pending);
            ASSERT_TRUE(f.form.MemTableData.Editing());
        }
        const int before = f.s.processMessagesCount;
        if (tc.command) {
            (f.form.*tc.command)();
        } else {
            f.form.bbSelInvertClick();
            f.form.bbSelInvertClick();
        }
        EXPECT_EQ(f.Ticks(), tc.expected);
        EXPECT_EQ(f.form.MemTableData.RecNo(), 1);
        EXPECT_EQ((f.s.processMessagesCount - before) % 5, 0);  // once per row
        EXPECT_GT(f.s.processMessagesCount, before);
        EXPECT_FALSE(f.form.MemTableData.ControlsDisabled());
    }
    EXPECT_TRUE(f.s.boxes.empty());

    // An empty list: nothing happens and nothing is shown.
    Choose(f, Control::cblNDSSelectSource, "Пустая");
    const int before = f.s.processMessagesCount;
    f.form.bbSelAllClick();
    f.form.bbSelInvertClick();
    EXPECT_EQ(f.s.processMessagesCount, before);
    EXPECT_TRUE(f.s.boxes.empty());
}

TEST(FormGoods, OtherCommandsWaitUntilAWalkIsOver) {
    FormFixture f(rm::test::GoodsSql());
    f.StartEmbedded();
    const int zero = f.EntryOf(Control::cblNDSSelectSource, "Без НДС");
    bool clicked = false;
    f.s.onProcessMessages = [&] {
        if (clicked) {
            return;
        }
        // Everything the operator could do between two rows of "tick all".
        clicked = true;
        f.form.bbSelInvertClick();
        f.form.GridRowSelected(3);
        f.form.GridToggleCheck(3);
        f.form.LookupChosen(Control::cblNDSSelectSource,
                            f.EntryOf(Control::cblNDSSelectSource, "  НДС 10%  "));
        f.form.bApplyChangeNDSClick();
    };
    f.form.bbSelAllClick();
    EXPECT_TRUE(clicked);
    EXPECT_EQ(f.ListedIds(), (Ids{101, 102, 103, 104, 105}));
    EXPECT_EQ(f.Ticks(), (Ids{1, 1, 1, 1, 1}));
    EXPECT_EQ(f.form.MemTableData.RecNo(), 1);
    EXPECT_FALSE(f.form.MemTableData.Editing());
    EXPECT_TRUE(f.s.boxes.empty());
    // The source box, moved on screen by the choice, shows the current rate again.
    EXPECT_EQ(f.s.lookupShown[Control::cblNDSSelectSource], zero);
    EXPECT_EQ(f.form.dsNDSSelectSource.FieldAsInteger("NdsID"), 0);
}
