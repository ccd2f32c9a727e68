// What the window tests share: a recording receiver of the window's commands that also ticks
// the goods list the way the window's logic does, and a small goods list.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "MemTable.h"
#include "WindowSurface.h"

namespace rm::guitest {

class RecordingEvents : public IWindowEvents {
  public:
    explicit RecordingEvents(MemTable* table = nullptr) : fTable(table) {}

    std::vector<std::string> calls;
    bool allowClose = true;

    void bDBChangePathClick() override { calls.push_back("bDBChangePathClick"); }
    void bApplyChangeNDSClick() override { calls.push_back("bApplyChangeNDSClick"); }
    void bCancelChangeNDSClick() override { calls.push_back("bCancelChangeNDSClick"); }
    void bbSelAllClick() override { calls.push_back("bbSelAllClick"); }
    void bbSelEmptyClick() override { calls.push_back("bbSelEmptyClick"); }
    void bbSelInvertClick() override { calls.push_back("bbSelInvertClick"); }
    void LookupChosen(Control box, int index) override {
        calls.push_back(std::string("LookupChosen(") + ControlName(box) + "," +
                        std::to_string(index) + ")");
    }
    void GridRowSelected(int shownIndex) override {
        calls.push_back("GridRowSelected(" + std::to_string(shownIndex) + ")");
        if (fTable) {
            fTable->MoveTo(shownIndex);
        }
    }
    // 0 or empty becomes 1, 1 becomes 0; the edit stays pending until the row is left.
    void GridToggleCheck(int shownIndex) override {
        calls.push_back("GridToggleCheck(" + std::to_string(shownIndex) + ")");
        if (fTable) {
            fTable->MoveTo(shownIndex);
            fTable->Edit();
            const bool ticked =
                !fTable->FieldIsNull("SelField") && fTable->FieldAsInteger("SelField") == 1;
            fTable->SetFieldAsInteger("SelField", ticked ? 0 : 1);
        }
    }
    bool FormCloseQuery() override {
        calls.push_back("FormCloseQuery");
        return allowClose;
    }

  private:
    MemTable* fTable;
};

inline std::vector<FieldDef> GoodsFields() {
    auto f = [](const char* name, FieldType type, int size = 0) {
        FieldDef d;
        d.name = name;
        d.type = type;
        d.size = size;
        return d;
    };
    return {f("SelField", FieldType::Integer),
            f("ItemID", FieldType::Integer),
            f("dcItemName", FieldType::Text, 100),
            f("FullName", FieldType::Text, 250),
            f("NdsID", FieldType::Integer),
            f("ItemsGrpID", FieldType::Integer),
            f("dcItemsGrpName", FieldType::Text, 100),
            f("NdsID1", FieldType::Integer),
            f("dcNdsName", FieldType::Text, 50),
            f("Tax", FieldType::Double),
            f("UnitID", FieldType::Integer)};
}

struct Goods {
    Value sel;
    const char* group;
    const char* name;
};

// Loads the goods list as the reload does: suspended, rebuilt, every tick as given.
inline void LoadGoods(MemTable& table, const std::vector<Goods>& goods,
                      const char* rate = "НДС 20%") {
    table.DisableControls();
    table.Close();
    table.CreateFields(GoodsFields());
    table.Open();
    std::int64_t id = 1;
    for (const auto& g : goods) {
        table.AppendRecord({g.sel, id, std::string(g.name).substr(0, 20), std::string(g.name),
                            std::int64_t{1}, std::int64_t{10}, std::string(g.group),
                            std::int64_t{1}, std::string(rate), 20.0, std::int64_t{1}});
        ++id;
    }
    table.First();
    table.EnableControls();
}

// Runs fn on the next modal box or dialog once it is up (the test's stand-in for the operator).
inline void OnNextModal(std::function<void(QWidget*)> fn) {
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, fn = std::move(fn)] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible()) {
            return;
        }
        timer->stop();
        timer->deleteLater();
        fn(modal);
    });
    timer->start();
}

}  // namespace rm::guitest
