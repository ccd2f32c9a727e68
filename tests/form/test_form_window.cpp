// The window logic against the recording surface, with no database: start-up order, the
// control states, the progress layout, close requests and the standard error box.
#include <gtest/gtest.h>

#include <filesystem>
#include <stdexcept>

#include "FakeSurface.h"
#include "RatemendForm.h"
#include "TestDb.h"

using rm::Control;
using rm::TRatemendForm;
using rm::test::FakeSurface;
namespace fs = std::filesystem;

namespace {

// Runs the test body in a fresh working directory and goes back afterwards.
class InTempDir {
  public:
    InTempDir() : fOld(fs::current_path()) { fs::current_path(rm::test::MakeTempDir("form")); }
    ~InTempDir() { fs::current_path(fOld); }

  private:
    fs::path fOld;
};

// Fills the goods list by hand with rows (ItemID, SelField).
void LoadGoods(rm::MemTable& t, const std::vector<std::pair<int, int>>& rows) {
    t.DisableControls();
    t.Close();
    t.CreateFields({{"SelField", rm::FieldType::Integer}, {"ItemID", rm::FieldType::Integer}});
    t.Open();
    for (auto [id, sel] : rows) {
        t.AppendRecord({std::int64_t{sel}, std::int64_t{id}});
    }
    t.First();
    t.EnableControls();
}

const char* const kWarning =
    "Внимание\n\rДанная утилита выполняет смену ставки НДС для товаров.\n\r"
    "Настоятельно рекомендуем перед выполнением данной операции выполнить резервное "
    "копирование.";

}  // namespace

TEST(FormWindow, StartupWithoutSettingsShowsErrorThenWarningAndStaysDisconnected) {
    InTempDir dir;
    FakeSurface s;
    TRatemendForm form(s, "Ratemend");
    form.FormCreate();
    form.FormShow();

    EXPECT_EQ(s.BoxLines(),
              (std::vector<std::string>{
                  "Ошибка|Не удалось получить параметры для подключения к БД |0x110",
                  std::string("Утилита изменения ставки НДС|") + kWarning + "|0x30"}));
    // Size limits and the two positions come first, before the connect attempt.
    ASSERT_GE(s.calls.size(), 4u);
    EXPECT_EQ(s.calls[0], "SetMinHeight(300)");
    EXPECT_EQ(s.calls[1], "SetMinWidth(730)");
    EXPECT_EQ(s.calls[2], "SetLeft(bCancelChangeNDS,897)");
    EXPECT_EQ(s.calls[3], "SetLeft(pbChangeProgress,8)");
    EXPECT_TRUE(s.State(Control::eDBPath).enabled);
    EXPECT_EQ(s.State(Control::eDBPath).caption, "");
    EXPECT_TRUE(s.State(Control::bDBChangePath).enabled);
    EXPECT_FALSE(s.State(Control::cblNDSSelectSource).enabled);
    EXPECT_FALSE(s.focused.has_value());  // the first enabled control ("...") gets it on show
    EXPECT_FALSE(form.Database.Connected());
    form.FormDestroy();
    EXPECT_EQ(s.boxes.size(), 2u);  // destroying an unconnected window reports nothing
}

// Every control and flag after each of the state procedures, as one table.
TEST(FormWindow, ControlStatesFollowTheStateProcedures) {
    struct Expect {
        Control c;
        bool enabled, visible;
    };
    struct Case {
        const char* name;
        std::function<void(TRatemendForm&)> act;
        std::vector<Expect> expect;
    };
    using C = Control;
    const std::vector<Case> cases = {
        {"disconnected",
         [](TRatemendForm& f) { f.SetControlBDStatus(false); },
         {{C::eDBPath, true, true},
          {C::bDBChangePath, true, true},
          {C::cblNDSSelectSource, false, true},
          {C::cblNDSSelectTarget, false, true},
          {C::GridItems, true, true},
          {C::bApplyChangeNDS, false, true},
          {C::bCancelChangeNDS, true, false},
          {C::pbChangeProgress, true, false},
          {C::bbSelAll, false, true},
          {C::bbSelEmpty, false, true},
          {C::bbSelInvert, false, true}}},
        {"connected",
         [](TRatemendForm& f) { f.SetControlBDStatus(true); },
         {{C::eDBPath, false, true},
          {C::bDBChangePath, false, true},
          {C::cblNDSSelectSource, true, true},
          {C::cblNDSSelectTarget, true, true},
          {C::GridItems, true, true},
          {C::bApplyChangeNDS, true, true},
          {C::bCancelChangeNDS, true, false},
          {C::pbChangeProgress, true, false},
          {C::bbSelAll, true, true},
          {C::bbSelEmpty, true, true},
          {C::bbSelInvert, true, true}}},
        {"change running",
         [](TRatemendForm& f) {
             f.SetControlBDStatus(true);
             f.SetControlProgressStatus(true);
         },
         {{C::eDBPath, false, true},
          {C::bDBChangePath, false, true},
          {C::cblNDSSelectSource, false, true},
          {C::cblNDSSelectTarget, false, true},
          {C::GridItems, true, true},
          {C::bApplyChangeNDS, true, false},
          {C::bCancelChangeNDS, true, true},
          {C::pbChangeProgress, true, true},
          {C::bbSelAll, true, false},
          {C::bbSelEmpty, true, false},
          {C::bbSelInvert, true, false}}},
        {"after the change",
         [](TRatemendForm& f) {
             f.SetControlBDStatus(true);
             f.SetControlProgressStatus(true);
             f.SetControlProgressStatus(false);
         },
         {{C::eDBPath, false, true},
          {C::bDBChangePath, false, true},
          {C::cblNDSSelectSource, true, true},
          {C::cblNDSSelectTarget, true, true},
          {C::GridItems, true, true},
          {C::bApplyChangeNDS, true, true},
          {C::bCancelChangeNDS, true, false},
          {C::pbChangeProgress, true, false},
          {C::bbSelAll, true, true},
          {C::bbSelEmpty, true, true},
          {C::bbSelInvert, true, true}}},
    };
    for (const auto& tc : cases) {
        SCOPED_TRACE(tc.name);
        FakeSurface s;
        TRatemendForm form(s, "Ratemend");
        LoadGoods(form.MemTableData, {{1, 1}, {2, 0}});
        tc.act(form);
        for (const auto& e : tc.expect) {
            SCOPED_TRACE(rm::ControlName(e.c));
            EXPECT_EQ(s.State(e.c).enabled, e.enabled);
            EXPECT_EQ(s.State(e.c).visible, e.visible);
        }
        EXPECT_EQ(s.State(C::bApplyChangeNDS).caption, "Применить");
        EXPECT_FALSE(form.IsRunProcess());
        EXPECT_FALSE(form.SetCancel());
    }
}

TEST(FormWindow, ProgressLayoutCountsShownRowsAndKeepsItsPlace) {
    FakeSurface s;
    TRatemendForm form(s, "Ratemend");
    form.FormCreate();  // no settings here: disconnected, positions set
    LoadGoods(form.MemTableData, {{1, 1}, {2, 0}, {3, 1}, {4, 1}, {5, 1}, {6, 1}, {7, 0}});
    form.MemTableData.SetFilter("(SelField = 1)");
    s.calls.clear();
    form.SetControlProgressStatus(true);
    EXPECT_EQ(s.calls, (std::vector<std::string>{
                           "SetVisible(pbChangeProgress,1)", "SetProgressMin(0)",
                           "SetProgressMax(5)", "SetProgressStep(1)", "SetProgressPosition(0)",
                           "SetVisible(bCancelChangeNDS,1)", "SetVisible(bApplyChangeNDS,0)",
                           "SetWidth(pbChangeProgress,883)", "SetEnabled(cblNDSSelectSource,0)",
                           "SetEnabled(cblNDSSelectTarget,0)", "SetVisible(bbSelAll,0)",
                           "SetVisible(bbSelEmpty,0)", "SetVisible(bbSelInvert,0)"}));
    EXPECT_EQ(s.State(Control::pbChangeProgress).left, 8);
    EXPECT_EQ(s.State(Control::bCancelChangeNDS).left, 897);
}

TEST(FormWindow, StandardErrorBoxAddsFullStopUnlessMessageEndsInLowCharacter) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Отказ", "Отказ."},      {"Failure.", "Failure."}, {"Failure!", "Failure!"},
        {"Line\r\n", "Line\r\n"}, {"Colon:", "Colon:."},    {"", "."},
    };
    for (const auto& [message, shown] : cases) {
        FakeSurface s;
        TRatemendForm form(s, "Ratemend");
        form.RunGuarded([&] { throw rm::EDatabaseError(message); });
        ASSERT_EQ(s.boxes.size(), 1u);
        EXPECT_EQ(s.boxes[0], (rm::test::ShownBox{shown, "Ratemend", 0x10, false}));
    }
    // Work goes on: a second failure is reported the same way.
    FakeSurface s;
    TRatemendForm form(s, "Ratemend");
    form.RunGuarded([] { throw std::runtime_error("one"); });
    form.RunGuarded([] { throw std::runtime_error("two"); });
    EXPECT_EQ(s.BoxLines(), (std::vector<std::string>{"Ratemend|one.|0x10", "Ratemend|two.|0x10"}));
}

TEST(FormWindow, SelectionCommandsOnANeverLoadedListShowTheClosedTableError) {
    FakeSurface s;
    TRatemendForm form(s, "Ratemend");
    form.bbSelAllClick();
    form.bbSelEmptyClick();
    form.bbSelInvertClick();
    const std::string line =
        "Ratemend|MemTableData: Cannot perform this operation on a closed dataset.|0x10";
    EXPECT_EQ(s.BoxLines(), (std::vector<std::string>{line, line, line}));
    EXPECT_FALSE(form.MemTableData.Active());
}
