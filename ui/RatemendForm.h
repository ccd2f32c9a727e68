// The main window's logic: lifecycle handlers, control states, connecting, rate lists, goods
// list, selection and apply commands. Touches controls only through IWindowSurface.
#pragma once

#include <functional>
#include <string>

#include "FbAccess.h"
#include "LookupBox.h"
#include "MemTable.h"
#include "WindowSurface.h"

namespace rm {

class TRatemendForm : public IWindowEvents {
  public:
    // appTitle: the application title (executable file name up to its first full stop),
    // caption of the standard error box.
    TRatemendForm(IWindowSurface& surface, std::string appTitle);
    ~TRatemendForm() override;

    // Lifecycle, in the order the program calls them. Each reports an escaping error itself
    // in the standard error box and returns normally.
    void FormCreate();
    void FormShow();
    bool FormCloseQuery() override;
    void FormDestroy();

    // Runs fn; an error escaping it is shown in the standard error box (MB_OK | MB_ICONERROR,
    // caption the application title) and work goes on.
    void RunGuarded(const std::function<void()>& fn);
    void Application_ShowException(const std::exception& e);
    const std::string& AppTitle() const { return fAppTitle; }

    // IWindowEvents
    void bDBChangePathClick() override;
    void bApplyChangeNDSClick() override;
    void bCancelChangeNDSClick() override;
    void bbSelAllClick() override;
    void bbSelEmptyClick() override;
    void bbSelInvertClick() override;
    void LookupChosen(Control box, int index) override;
    void GridRowSelected(int shownIndex) override;
    void GridToggleCheck(int shownIndex) override;

    // Named procedures of the window.
    void SetControlBDStatus(bool aEnabled);
    void SetControlProgressStatus(bool aEnabled);
    bool Settings_LoadDB(bool IsFromCfgFile);
    std::string Database_GetManualSettings();
    void DataSets_Load();
    void DataSets_UnLoad();
    void cblNDSSelectSourceChange();
    void ChangeSelectedNDS();

    bool IsRunProcess() const { return fIsRunProcess; }
    bool SetCancel() const { return fSetCancel; }

    // Components.
    fb::Database Database;
    fb::Transaction TrDefRead;
    fb::Transaction TrDefWrite;
    fb::Dataset dsNDSSelectSource;
    fb::Dataset dsNDSSelectTarget;
    fb::Dataset dsListItems;
    fb::Query qApplyNDS;
    MemTable MemTableData;
    LookupBox cblNDSSelectSource;
    LookupBox cblNDSSelectTarget;

  private:
    enum class SelectKind { All, Empty, Invert };
    void SelectionWalk(SelectKind kind);
    bool BusyWithTheList() const;
    void ApplyChangeNDS();
    void ShowConnectError(const std::exception& e);

    IWindowSurface& fSurface;
    std::string fAppTitle;
    bool fSetCancel = false;
    bool fIsRunProcess = false;
    bool fIsWalking = false;  // a selection walk is going through the goods list
};

}  // namespace rm
