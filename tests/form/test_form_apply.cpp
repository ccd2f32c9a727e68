// The apply command on a real product database: every way a run can end, the confirmations,
// progress, cancel, a failure on a locked row, and close requests during a run.
#include <gtest/gtest.h>

#include "FormFixture.h"
#include "GoodsData.h"

using rm::Control;
using rm::test::FormFixture;
using rm::test::IdsOfRate;
using Ids = std::vector<std::int64_t>;

namespace {

const char* const kSecondConfirm =
    "Внимание|Выполнение данной операции не обратимо.\n\r Продолжить?|0x111";

std::string FirstConfirm(const std::string& from, const std::string& to, int n) {
    return "Внимание|Выполнить смену ставки НДС cо ставки " + from + " на ставку " + to + " для " +
           std::to_string(n) + " позиций товаров|0x131";
}

// Source: rate 0 with goods 101..105; target: "НДС 20%" (key 20).
struct ApplyFixture : FormFixture {
    ApplyFixture() : FormFixture(rm::test::GoodsSql(), "apply") {
        StartEmbedded();
        const int target = EntryOf(Control::cblNDSSelectTarget, "НДС 20%");
        form.LookupChosen(Control::cblNDSSelectTarget, target);
        s.calls.clear();
    }
    void Tick(std::initializer_list<int> rows) {
        for (int row : rows) {
            form.GridToggleCheck(row);
        }
        form.GridRowSelected(0);
    }
    Ids Rate(int nds) { return IdsOfRate(dbPath, nds); }
};

}  // namespace

TEST(FormApply, NothingTickedShowsMessageWithTheFilterOnThenReloads) {
    ApplyFixture f;
    rm::test::ExecSql(f.dbPath, "update \"dcItems\" set \"NdsID\" = 10 where \"ItemID\" = 105;");
    int shownDuringMessage = -1;
    f.s.onBox = [&](const rm::test::ShownBox&) {
        shownDuringMessage = f.form.MemTableData.ShownCount();
    };
    f.form.bApplyChangeNDSClick();
    EXPECT_EQ(f.s.BoxLines(), (std::vector<std::string>{"message|Нет выбраных записей"}));
    EXPECT_EQ(shownDuringMessage, 0);
    EXPECT_EQ(f.ListedIds(), (Ids{101, 102, 103, 104}));  // reloaded
}

TEST(FormApply, EqualRatesOrARefusalEndShortAndKeepTheTicks) {
    struct Case {
        const char* name;
        bool sameRate;
        std::vector<int> answers;
        std::vector<std::string> boxes;
    };
    const std::vector<Case> cases = {
        {"equal rates", true, {}, {"message|Выбранные ставки НДС одинаковы"}},
        {"first refused", false, {rm::mb::IDCANCEL}, {FirstConfirm("Без НДС", "НДС 20%", 2)}},
        {"second refused",
         false,
         {rm::mb::IDOK, rm::mb::IDCANCEL},
         {FirstConfirm("Без НДС", "НДС 20%", 2), kSecondConfirm}},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        ApplyFixture f;
        if (tc.sameRate) {
            f.form.LookupChosen(Control::cblNDSSelectTarget,
                                f.EntryOf(Control::cblNDSSelectTarget, "Без НДС"));
        }
        rm::test::ExecSql(f.dbPath,
                          "update \"dcItems\" set \"NdsID\" = 10 where \"ItemID\" = 105;");
        f.Tick({1, 3});
        f.s.boxAnswers.assign(tc.answers.begin(), tc.answers.end());
        f.form.bApplyChangeNDSClick();
        EXPECT_EQ(f.s.BoxLines(), tc.boxes);
        // Not reloaded (105 moved away meanwhile is still listed), all rows shown, ticks kept.
        EXPECT_EQ(f.ListedIds(), (Ids{101, 102, 103, 104, 105}));
        EXPECT_EQ(f.Ticks(), (Ids{0, 1, 0, 1, 0}));
        EXPECT_EQ(f.Rate(20), (Ids{301, 302}));
        EXPECT_FALSE(f.form.IsRunProcess());
    }
}

TEST(FormApply, FullRunMovesEveryTickedItemWithProgressAndNoMessage) {
    ApplyFixture f;
    f.Tick({0, 2});
    f.form.GridToggleCheck(4);  // clicked just before pressing: still a pending edit, counts
    std::vector<bool> closeAllowed;
    f.s.onProcessMessages = [&] {
        closeAllowed.push_back(f.form.FormCloseQuery());
        // The operator clicks the first row's check box while the run goes on: the run's
        // walk is not moved by it.
        f.form.GridToggleCheck(0);
        f.form.GridRowSelected(0);
    };
    f.form.bApplyChangeNDSClick();

    EXPECT_EQ(f.s.BoxLines(),
              (std::vector<std::string>{FirstConfirm("Без НДС", "НДС 20%", 3), kSecondConfirm}));
    EXPECT_EQ(f.Rate(20), (Ids{101, 103, 105, 301, 302}));
    EXPECT_EQ(f.ListedIds(), (Ids{102, 104}));
    EXPECT_EQ(f.Ticks(), (Ids{0, 0}));
    // 0 at the start, k before and after item k, 0 when the layout is taken down.
    EXPECT_EQ(f.s.progressPositions, (std::vector<int>{0, 1, 1, 2, 2, 3, 3, 0}));
    EXPECT_EQ(f.s.progressMax, 3);
    EXPECT_EQ(closeAllowed, (std::vector<bool>{false, false, false}));
    EXPECT_TRUE(f.form.FormCloseQuery());
    EXPECT_FALSE(f.s.State(Control::pbChangeProgress).visible);
    EXPECT_FALSE(f.s.State(Control::bCancelChangeNDS).visible);
    EXPECT_TRUE(f.s.State(Control::bApplyChangeNDS).visible);
    EXPECT_TRUE(f.s.State(Control::cblNDSSelectSource).enabled);
}

TEST(FormApply, CancelStopsBeforeTheNextItem) {
    struct Case {
        int cancelDuring;  // item k of 4
        Ids moved;
        Ids listed;
        bool message;
    };
    for (const auto& tc : std::vector<Case>{{2, {101, 102}, {103, 104, 105}, true},
                                            {4, {101, 102, 103, 104}, {105}, false}}) {
        SCOPED_TRACE(tc.cancelDuring);
        ApplyFixture f;
        f.Tick({0, 1, 2, 3});
        int item = 0;
        f.s.onProcessMessages = [&] {
            if (++item == tc.cancelDuring) {
                f.form.bCancelChangeNDSClick();
            }
        };
        bool layoutUpDuringMessage = false;
        f.s.onBox = [&](const rm::test::ShownBox& b) {
            if (b.plain) {
                layoutUpDuringMessage = f.s.State(Control::pbChangeProgress).visible;
            }
        };
        f.form.bApplyChangeNDSClick();
        Ids expectedRate = tc.moved;
        expectedRate.insert(expectedRate.end(), {301, 302});
        EXPECT_EQ(f.Rate(20), expectedRate);
        EXPECT_EQ(f.ListedIds(), tc.listed);
        EXPECT_EQ(f.s.boxes.size(), tc.message ? 3u : 2u);
        if (tc.message) {
            EXPECT_EQ(f.s.BoxLines().back(), "message|Операция прервана");
            EXPECT_TRUE(layoutUpDuringMessage);
        }
        EXPECT_FALSE(f.form.SetCancel());
        EXPECT_FALSE(f.form.IsRunProcess());
    }
}

TEST(FormApply, FailureOnALockedRowIsReportedWithTheCountMoved) {
    ApplyFixture f;
    f.Tick({0, 1, 2, 3});
    // Another attachment holds item 103 (the third ticked row) locked by an uncommitted update.
    rm::fb::Database other("Test.Other");
    other.SetDBName(f.dbPath);
    other.Open();
    rm::fb::Transaction tr(other, "Test.Tr", {"write", "nowait", "rec_version", "read_committed"});
    rm::fb::Query hold(other, tr, "Test.Hold",
                       "update \"dcItems\" set \"UnitID\" = 3 where \"ItemID\" = 103");
    hold.SetAutoCommit(false);
    hold.ExecQuery();
    ASSERT_TRUE(tr.Active());

    f.form.bApplyChangeNDSClick();

    ASSERT_EQ(f.s.boxes.size(), 3u);
    const auto& box = f.s.boxes[2];
    EXPECT_EQ(box.caption, "Ошибка");
    EXPECT_EQ(box.flags, 0x10u);
    const std::string head =
        "Смена ставки НДС прервана из-за ошибки. Изменено позиций: 2 из 4.\r\n"
        "EFIBInterBaseError:RatemendForm.qApplyNDS:";
    EXPECT_EQ(box.text.substr(0, head.size()), head) << box.text;
    EXPECT_NE(box.text.find("lock"), std::string::npos) << box.text;
    // The box comes after the run's layout is down and the list is reloaded.
    EXPECT_FALSE(f.s.State(Control::pbChangeProgress).visible);
    EXPECT_EQ(f.ListedIds(), (Ids{103, 104, 105}));
    EXPECT_EQ(f.Ticks(), (Ids{0, 0, 0}));
    tr.Rollback();
    other.Close();
    EXPECT_EQ(f.Rate(20), (Ids{101, 102, 301, 302}));
    EXPECT_EQ(f.Rate(0), (Ids{103, 104, 105}));

    // The next run, with the lock gone, moves the rest and commits.
    f.Tick({0, 1, 2});
    f.form.bApplyChangeNDSClick();
    EXPECT_EQ(f.Rate(0), Ids{});
    EXPECT_EQ(f.s.boxes.size(), 5u);
    // Every item of the rate moved: the empty list disables the goods controls.
    EXPECT_FALSE(f.s.State(Control::bApplyChangeNDS).enabled);
}

TEST(FormApply, ConfirmationShowsTrimmedNamesAndTheBareCount) {
    ApplyFixture f;
    f.form.LookupChosen(Control::cblNDSSelectSource,
                        f.EntryOf(Control::cblNDSSelectSource, "  НДС 10%  "));
    f.form.LookupChosen(Control::cblNDSSelectTarget,
                        f.EntryOf(Control::cblNDSSelectTarget, "Без НДС"));
    f.Tick({1});
    f.s.boxAnswers = {rm::mb::IDCANCEL};
    f.form.bApplyChangeNDSClick();
    EXPECT_EQ(f.s.BoxLines(), (std::vector<std::string>{FirstConfirm("НДС 10%", "Без НДС", 1)}));
}

TEST(FormApply, NeverLoadedListIsLoadedForTheFirstRateWithoutAMessage) {
    FormFixture f(rm::test::GoodsSql(false));
    f.StartEmbedded();
    ASSERT_FALSE(f.form.MemTableData.Active());
    f.form.bApplyChangeNDSClick();
    EXPECT_TRUE(f.s.boxes.empty());
    EXPECT_TRUE(f.form.MemTableData.Active());
    // The source box shows nothing, but its list stands on its first rate (10).
    ASSERT_EQ(f.form.dsNDSSelectSource.FieldAsInteger("NdsID"), 10);
    EXPECT_EQ(f.ListedIds(), (Ids{201, 202, 203}));
}

TEST(FormApply, CancelIsNotCarriedIntoTheNextRunWhenTheReloadFails) {
    ApplyFixture f;
    f.Tick({0, 1});
    int item = 0;
    f.s.onProcessMessages = [&] {
        if (++item == 2) {
            // Cancel during the last item, and the connection goes away before the reload.
            f.form.bCancelChangeNDSClick();
            f.form.Database.Close();
        }
    };
    f.form.bApplyChangeNDSClick();
    EXPECT_EQ(f.s.boxes.size(), 2u);  // the two confirmations; the failed reload is silent
    EXPECT_FALSE(f.form.SetCancel());
    EXPECT_FALSE(f.form.IsRunProcess());
    EXPECT_EQ(f.Rate(20), (Ids{101, 102, 301, 302}));
}
