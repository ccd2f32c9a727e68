#include "RatemendForm.h"

#include <iterator>

#include "IniSettings.h"
#include "Statements.h"
#include "Utils.h"

namespace rm {

namespace {

// Message box flags used by the window.
constexpr unsigned kBoxError = mb::OK | mb::ICONERROR | mb::DEFBUTTON2;              // 0x110
constexpr unsigned kBoxWarning = mb::OK | mb::ICONWARNING | mb::DEFBUTTON2;          // 0x130
constexpr unsigned kConfirmFirst = mb::OKCANCEL | mb::ICONWARNING | mb::DEFBUTTON2;  // 0x131
constexpr unsigned kConfirmSecond = mb::OKCANCEL | mb::ICONERROR | mb::DEFBUTTON2;   // 0x111

const char* const kStartupWarningCaption = "Утилита изменения ставки НДС";
const char* const kStartupWarningText =
    "Внимание\n\r"
    "Данная утилита выполняет смену ставки НДС для товаров.\n\r"
    "Настоятельно рекомендуем перед выполнением данной операции выполнить резервное "
    "копирование.";

const char* const kNoSettings = "Не удалось получить параметры для подключения к БД ";
const char* const kNotConnected = "Не удалось выполнить подключение к базе данных";
const char* const kLibraryMissingText = "Не найденна системная библиотека fbclient.dll";
const char* const kLibraryMissingCompare =
    "System Error.  Code: 126.\r\nНе найден указанный модуль";

const char* const kTickedFilter = "(SelField = 1)";

std::vector<std::string> Lines(const char* const (&lines)[4]) {
    return {std::begin(lines), std::end(lines)};
}

std::string ErrorTypeName(const std::exception& e) {
    if (const auto* err = dynamic_cast<const EError*>(&e)) {
        return err->TypeName();
    }
    return "Exception";
}

std::string ErrorMessage(const std::exception& e) {
    if (const auto* err = dynamic_cast<const EError*>(&e)) {
        return err->Message();
    }
    return e.what();
}

}  // namespace

TRatemendForm::TRatemendForm(IWindowSurface& surface, std::string appTitle)
    : Database("RatemendForm.Database"),
      TrDefRead(Database, "RatemendForm.TrDefRead", Lines(sql::kTrReadParams)),
      TrDefWrite(Database, "RatemendForm.TrDefWrite", Lines(sql::kTrWriteParams)),
      dsNDSSelectSource(Database, TrDefRead, "RatemendForm.dsNDSSelectSource",
                        sql::kRateListSource),
      dsNDSSelectTarget(Database, TrDefRead, "RatemendForm.dsNDSSelectTarget",
                        sql::kRateListTarget),
      dsListItems(Database, TrDefRead, "RatemendForm.dsListItems", sql::kListItems),
      qApplyNDS(Database, TrDefWrite, "RatemendForm.qApplyNDS", sql::kApplyNDS),
      MemTableData("MemTableData"),
      cblNDSSelectSource(surface, Control::cblNDSSelectSource, dsNDSSelectSource, "NdsID", "Name"),
      cblNDSSelectTarget(surface, Control::cblNDSSelectTarget, dsNDSSelectTarget, "NdsID", "Name"),
      fSurface(surface),
      fAppTitle(std::move(appTitle)) {
    // The goods query is read once, front to back, into the goods list.
    dsListItems.SetUnidirectional(true);
    cblNDSSelectSource.OnChange = [this] { cblNDSSelectSourceChange(); };
}

TRatemendForm::~TRatemendForm() = default;

// ---------------------------------------------------------------------------------------------
// Errors that escape a handler

void TRatemendForm::Application_ShowException(const std::exception& e) {
    std::string text = ErrorMessage(e);
    if (text.empty() || static_cast<unsigned char>(text.back()) > '.') {
        text += '.';
    }
    fSurface.MessageBox(text, fAppTitle, mb::OK | mb::ICONERROR);
}

void TRatemendForm::RunGuarded(const std::function<void()>& fn) {
    try {
        fn();
    } catch (const std::exception& e) {
        Application_ShowException(e);
    }
}

// ---------------------------------------------------------------------------------------------
// Lifecycle

void TRatemendForm::FormCreate() {
    RunGuarded([this] {
        fSurface.SetMinHeight(300);
        fSurface.SetMinWidth(730);
        fSurface.SetLeft(Control::bCancelChangeNDS, 897);
        fSetCancel = false;
        fIsRunProcess = false;
        fSurface.SetLeft(Control::pbChangeProgress, 8);
        if (Settings_LoadDB(true)) {
            DataSets_Load();
        }
    });
}

void TRatemendForm::FormShow() {
    RunGuarded([this] {
        if (fSurface.IsEnabled(Control::cblNDSSelectSource)) {
            fSurface.SetFocus(Control::cblNDSSelectSource);
        }
        fSurface.MessageBox(kStartupWarningText, kStartupWarningCaption, mb::OK | mb::ICONWARNING);
    });
}

bool TRatemendForm::FormCloseQuery() {
    return !fIsRunProcess;
}

void TRatemendForm::FormDestroy() {
    RunGuarded([this] {
        DataSets_UnLoad();
        Database.Close();
    });
}

// ---------------------------------------------------------------------------------------------
// Control states

void TRatemendForm::SetControlBDStatus(bool aEnabled) {
    fSurface.SetEnabled(Control::eDBPath, !aEnabled);
    fSurface.SetEnabled(Control::bDBChangePath, !aEnabled);
    fSurface.SetEnabled(Control::cblNDSSelectSource, aEnabled);
    fSurface.SetEnabled(Control::cblNDSSelectTarget, aEnabled);
    fSurface.SetEnabled(Control::bbSelAll, aEnabled);
    fSurface.SetEnabled(Control::bbSelEmpty, aEnabled);
    fSurface.SetEnabled(Control::bbSelInvert, aEnabled);
    fSurface.SetEnabled(Control::bApplyChangeNDS, aEnabled);
    fSurface.SetCaption(Control::bApplyChangeNDS, "Применить");
    fSetCancel = false;
    fIsRunProcess = false;
}

void TRatemendForm::SetControlProgressStatus(bool aEnabled) {
    fSurface.SetVisible(Control::pbChangeProgress, aEnabled);
    fSurface.SetProgressMin(0);
    fSurface.SetProgressMax(MemTableData.RecordCount());
    fSurface.SetProgressStep(1);
    fSurface.SetProgressPosition(0);
    fSurface.SetVisible(Control::bCancelChangeNDS, aEnabled);
    fSurface.SetVisible(Control::bApplyChangeNDS, !aEnabled);
    fSurface.SetWidth(Control::pbChangeProgress, 883);
    fSurface.SetEnabled(Control::cblNDSSelectSource, !aEnabled);
    fSurface.SetEnabled(Control::cblNDSSelectTarget, !aEnabled);
    fSurface.SetVisible(Control::bbSelAll, !aEnabled);
    fSurface.SetVisible(Control::bbSelEmpty, !aEnabled);
    fSurface.SetVisible(Control::bbSelInvert, !aEnabled);
}

// ---------------------------------------------------------------------------------------------
// Connecting

std::string TRatemendForm::Database_GetManualSettings() {
    std::string result;
    std::string DB_HostName;
    std::string DB_Path;
    std::string chosen;
    if (fSurface.ExecuteFileDialog(chosen)) {
        DB_Path = TrimControl(chosen);
    }
    if (!DB_Path.empty()) {
        result = DB_Path;
        DB_HostName = GetComputerNetName();
        if (!DB_HostName.empty()) {
            result = DB_HostName + ":" + DB_Path;
        }
    }
    return result;
}

void TRatemendForm::ShowConnectError(const std::exception& e) {
    const std::string message = ErrorMessage(e);
    if (TrimControl(message) == kLibraryMissingCompare) {
        fSurface.MessageBox(kLibraryMissingText, "Внимание", kBoxError);
    } else {
        fSurface.MessageBox("Ошибка при подключении к БД " + ErrorTypeName(e) + ":" + message,
                            "Ошибка", kBoxWarning);
    }
}

bool TRatemendForm::Settings_LoadDB(bool IsFromCfgFile) {
    bool result = false;
    bool DBSettingIsReaded = false;
    const std::string DatabaseFullString =
        IsFromCfgFile ? Database_GetSettings() : Database_GetManualSettings();
    DBSettingIsReaded = !DatabaseFullString.empty();
    if (!DBSettingIsReaded) {
        fSurface.SetCaption(Control::eDBPath, "");
        SetControlBDStatus(false);
        fSurface.MessageBox(kNoSettings, "Ошибка", kBoxError);
        return result;
    }
    try {
        Database.SetDBName(DatabaseFullString);
        Database.Open();
    } catch (const std::exception& e) {
        ShowConnectError(e);
    }
    if (Database.Connected()) {
        fSurface.SetCaption(Control::eDBPath, DatabaseFullString);
        SetControlBDStatus(true);
        result = true;
    } else {
        fSurface.SetCaption(Control::eDBPath, "");
        SetControlBDStatus(false);
        fSurface.MessageBox(kNotConnected, "Ошибка", kBoxError);
    }
    return result;
}

void TRatemendForm::bDBChangePathClick() {
    RunGuarded([this] {
        if (Settings_LoadDB(false)) {
            DataSets_Load();
        }
    });
}

// ---------------------------------------------------------------------------------------------
// Rate lists and the goods list

void TRatemendForm::DataSets_Load() {
    dsNDSSelectSource.Open();
    cblNDSSelectSource.LoadEntries();
    dsNDSSelectTarget.Open();
    cblNDSSelectTarget.LoadEntries();
    cblNDSSelectSource.SetKeyValue(0);
    cblNDSSelectTarget.SetKeyValue(0);
}

void TRatemendForm::DataSets_UnLoad() {
    if (dsNDSSelectSource.Active()) {
        dsNDSSelectSource.Close();
    }
    if (dsNDSSelectTarget.Active()) {
        dsNDSSelectTarget.Close();
    }
    if (dsListItems.Active()) {
        dsListItems.Close();
    }
}

void TRatemendForm::cblNDSSelectSourceChange() {
    ChangeSelectedNDS();
}

void TRatemendForm::LookupChosen(Control box, int index) {
    RunGuarded([&] {
        if (BusyWithTheList()) {
            // The box has already moved on screen: put back the rate that is current.
            LookupBox& cbl =
                box == Control::cblNDSSelectSource ? cblNDSSelectSource : cblNDSSelectTarget;
            fSurface.SetLookupShown(box, cbl.ShownIndex());
            return;
        }
        if (box == Control::cblNDSSelectSource) {
            cblNDSSelectSource.Choose(index);
        } else if (box == Control::cblNDSSelectTarget) {
            cblNDSSelectTarget.Choose(index);
        }
    });
}

void TRatemendForm::ChangeSelectedNDS() {
    if (dsListItems.Active()) {
        dsListItems.Close();
    }
    dsListItems.SetParamInt("NdsID",
                            static_cast<std::int32_t>(dsNDSSelectSource.FieldAsInteger("NdsID")));
    dsListItems.Open();
    dsListItems.First();
    if (MemTableData.Active()) {
        MemTableData.EmptyTable();
    }

    // Copy the goods into the list; the grid is redrawn once, when the copy is done.
    MemTableData.DisableControls();
    try {
        MemTableData.Close();
        MemTableData.CreateFields(dsListItems.Fields());
        MemTableData.Open();
        for (dsListItems.First(); !dsListItems.Eof(); dsListItems.Next()) {
            MemTableData.AppendRecord(dsListItems.CurrentRow());
        }
        MemTableData.First();
    } catch (...) {
        MemTableData.EnableControls();
        throw;
    }
    MemTableData.EnableControls();

    fSurface.SetGridSource(&MemTableData);
    const bool hasRows = MemTableData.RecordCount() > 0;
    fSurface.SetEnabled(Control::GridItems, hasRows);
    fSurface.SetEnabled(Control::bApplyChangeNDS, hasRows);
    fSurface.SetEnabled(Control::bbSelAll, hasRows);
    fSurface.SetEnabled(Control::bbSelEmpty, hasRows);
    fSurface.SetEnabled(Control::bbSelInvert, hasRows);
    fSetCancel = false;
    fIsRunProcess = false;
}

// While a run or a selection walk goes through the goods list, the window's other commands
// must not move, edit or reload the list under it: the walk would skip or repeat rows, or tick
// goods of another rate. The controls stay as they are, but such commands are not taken until
// the walk is over.
bool TRatemendForm::BusyWithTheList() const {
    return fIsRunProcess || fIsWalking;
}

void TRatemendForm::GridRowSelected(int shownIndex) {
    RunGuarded([&] {
        if (BusyWithTheList()) {
            return;
        }
        if (MemTableData.Active()) {
            MemTableData.MoveTo(shownIndex);
        }
    });
}

void TRatemendForm::GridToggleCheck(int shownIndex) {
    RunGuarded([&] {
        if (BusyWithTheList()) {
            return;
        }
        if (!MemTableData.Active() || shownIndex < 0 || shownIndex >= MemTableData.ShownCount()) {
            return;
        }
        if (MemTableData.CurrentIndex() != shownIndex) {
            MemTableData.MoveTo(shownIndex);
        }
        const bool ticked =
            !MemTableData.FieldIsNull("SelField") && MemTableData.FieldAsInteger("SelField") == 1;
        MemTableData.Edit();
        MemTableData.SetFieldAsInteger("SelField", ticked ? 0 : 1);
    });
}

// ---------------------------------------------------------------------------------------------
// Selection commands

void TRatemendForm::SelectionWalk(SelectKind kind) {
    if (BusyWithTheList()) {
        return;
    }
    if (MemTableData.RecordCount() < 1) {
        return;
    }
    MemTableData.First();
    MemTableData.DisableControls();
    fIsWalking = true;
    try {
        while (!MemTableData.Eof()) {
            MemTableData.Edit();
            std::int64_t value = kind == SelectKind::All ? 1 : 0;
            if (kind == SelectKind::Invert) {
                value = MemTableData.FieldAsInteger("SelField") == 0 ? 1 : 0;
            }
            MemTableData.SetFieldAsInteger("SelField", value);
            MemTableData.Post();
            fSurface.ProcessMessages();
            MemTableData.Next();
        }
        MemTableData.First();
    } catch (...) {
        // The grid must not stay frozen after a failed walk.
        fIsWalking = false;
        MemTableData.EnableControls();
        throw;
    }
    fIsWalking = false;
    MemTableData.EnableControls();
}

void TRatemendForm::bbSelAllClick() {
    RunGuarded([this] { SelectionWalk(SelectKind::All); });
}

void TRatemendForm::bbSelEmptyClick() {
    RunGuarded([this] { SelectionWalk(SelectKind::Empty); });
}

void TRatemendForm::bbSelInvertClick() {
    RunGuarded([this] { SelectionWalk(SelectKind::Invert); });
}

// ---------------------------------------------------------------------------------------------
// Applying the rate change

void TRatemendForm::bCancelChangeNDSClick() {
    fSetCancel = true;
}

void TRatemendForm::bApplyChangeNDSClick() {
    RunGuarded([this] {
        if (!BusyWithTheList()) {
            ApplyChangeNDS();
        }
    });
}

void TRatemendForm::ApplyChangeNDS() {
    // Read before the guarded part: an error here goes to the standard error box.
    const std::string sourceName = TrimControl(dsNDSSelectSource.FieldAsString("Name"));
    const std::string targetName = TrimControl(dsNDSSelectTarget.FieldAsString("Name"));

    bool runStarted = false;
    bool reload = true;
    int total = 0;
    int committed = 0;
    std::string failure;  // set when the run broke off on an error

    try {
        MemTableData.SetFilter(kTickedFilter);
        total = MemTableData.RecordCount();
        if (total < 1) {
            fSurface.ShowMessage("Нет выбраных записей");
        } else if (dsNDSSelectSource.FieldAsInteger("NdsID") ==
                   dsNDSSelectTarget.FieldAsInteger("NdsID")) {
            fSurface.ShowMessage("Выбранные ставки НДС одинаковы");
            reload = false;
        } else if (fSurface.MessageBox("Выполнить смену ставки НДС cо ставки " + sourceName +
                                           " на ставку " + targetName + " для " +
                                           std::to_string(total) + " позиций товаров",
                                       "Внимание", kConfirmFirst) != mb::IDOK ||
                   fSurface.MessageBox("Выполнение данной операции не обратимо.\n\r Продолжить?",
                                       "Внимание", kConfirmSecond) != mb::IDOK) {
            reload = false;
        } else {
            fIsRunProcess = true;
            MemTableData.First();
            SetControlProgressStatus(true);
            MemTableData.DisableControls();
            runStarted = true;
            while (!MemTableData.Eof()) {
                if (fSetCancel) {
                    fSurface.ShowMessage("Операция прервана");
                    break;
                }
                const int position = MemTableData.RecNo();
                fSurface.SetProgressPosition(position);
                const auto itemId =
                    static_cast<std::int32_t>(MemTableData.FieldAsInteger("ItemID"));
                qApplyNDS.SetParamInt(
                    "NdsID", static_cast<std::int32_t>(dsNDSSelectTarget.FieldAsInteger("NdsID")));
                qApplyNDS.SetParamInt("ItemID", itemId);
                qApplyNDS.ExecQuery();
                ++committed;
                fSurface.SetProgressPosition(position);
                fSurface.ProcessMessages();
                MemTableData.Next();
            }
        }
    } catch (const std::exception& e) {
        if (runStarted) {
            failure = ErrorTypeName(e) + ":" + ErrorMessage(e);
        }
    } catch (...) {
        if (runStarted) {
            failure = "Exception:";
        }
    }

    if (runStarted) {
        try {
            SetControlProgressStatus(false);
        } catch (...) {
        }
        MemTableData.EnableControls();
    }

    if (!reload) {
        try {
            MemTableData.SetFilter("");
        } catch (...) {
        }
        return;
    }

    try {
        MemTableData.SetFilter("");
    } catch (...) {
    }
    fIsRunProcess = false;
    // The reload clears it too, but a failed reload must not leave a cancel for the next run.
    fSetCancel = false;
    try {
        ChangeSelectedNDS();
    } catch (...) {
        // A failed reload is not reported; the list keeps what it had.
    }

    if (!failure.empty()) {
        // A run broken off by an error must not look like a completed one.
        fSurface.MessageBox("Смена ставки НДС прервана из-за ошибки. Изменено позиций: " +
                                std::to_string(committed) + " из " + std::to_string(total) +
                                ".\r\n" + failure,
                            "Ошибка", mb::OK | mb::ICONERROR);
    }
}

}  // namespace rm
