// Renders the main window in each state of its controls to PNG files, for review:
//   render_states DIR      (run with QT_QPA_PLATFORM=offscreen)
// The states are switched by the window logic's own state procedures on the real window, with
// a goods list filled by hand (no database): disconnected, connected with goods, change running,
// after the change, a running change in a larger window, and a rate without goods.
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTest>
#include <cstdio>

#include "GuiSupport.h"
#include "QtWindow.h"
#include "RatemendForm.h"

using namespace rm;
using rm::guitest::Goods;
using rm::guitest::LoadGoods;

namespace {

const std::vector<Goods> kGoods = {
    {std::int64_t{0}, "Бакалея", "Крупа гречневая ядрица \"Мистраль\" 900 г"},
    {std::int64_t{1}, "Бакалея", "Рис круглозёрный 800 г"},
    {std::int64_t{0}, "Бакалея", "Макароны \"Рожки\" 450 г"},
    {std::int64_t{1}, "Молочные продукты", "Молоко пастеризованное 3,2% 1 л"},
    {std::int64_t{0}, "Молочные продукты", "Кефир 1% 900 г"},
    {std::int64_t{0}, "Молочные продукты", "Творог 5% 200 г"},
    {std::int64_t{1}, "Хлеб", "Батон нарезной 400 г"},
    {std::int64_t{0}, "Хлеб", "Хлеб бородинский 350 г"},
    {std::int64_t{0}, "Детское питание", "Пюре яблочное 90 г"},
    {std::int64_t{0}, "Детское питание", "Каша гречневая безмолочная 200 г"},
};

const char* const kTarget = "SHOP-01:D:\\Base\\PRODUCT.FDB";

// What the window's creation does before it connects.
void Created(QtWindow& w) {
    w.SetMinHeight(300);
    w.SetMinWidth(730);
    w.SetLeft(Control::bCancelChangeNDS, 897);
    w.SetLeft(Control::pbChangeProgress, 8);
}

void GoodsListRule(QtWindow& w, const MemTable& table) {
    const bool any = table.RecordCount() > 0;
    for (Control c : {Control::GridItems, Control::bApplyChangeNDS, Control::bbSelAll,
                      Control::bbSelEmpty, Control::bbSelInvert}) {
        w.SetEnabled(c, any);
    }
}

void Connected(QtWindow& w, TRatemendForm& form, MemTable& table, const std::vector<Goods>& goods) {
    w.SetCaption(Control::eDBPath, kTarget);
    form.SetControlBDStatus(true);
    const std::vector<std::string> rates = {"Без НДС", "НДС 10%", "НДС 20%", "НДС 0%"};
    w.SetLookupItems(Control::cblNDSSelectSource, rates);
    w.SetLookupItems(Control::cblNDSSelectTarget, rates);
    w.SetLookupShown(Control::cblNDSSelectSource, 2);
    LoadGoods(table, goods);
    w.SetGridSource(&table);
    GoodsListRule(w, table);
    w.SetLookupShown(Control::cblNDSSelectTarget, 1);
    w.SetFocus(Control::cblNDSSelectSource);
}

bool Save(QtWindow& w, const QDir& dir, const char* name) {
    QApplication::processEvents();
    const QString file = dir.filePath(QString::fromLatin1(name) + ".png");
    if (!w.grab().save(file)) {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(file));
        return false;
    }
    std::printf("%s\n", qPrintable(file));
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: render_states DIR\n");
        return 2;
    }
    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.mkpath(QStringLiteral("."))) {
        std::fprintf(stderr, "cannot create %s\n", argv[1]);
        return 1;
    }
    bool ok = true;

    {
        QtWindow w(QStringLiteral("Ratemend"));
        TRatemendForm form(w, "Ratemend");
        Created(w);
        w.SetCaption(Control::eDBPath, "");
        form.SetControlBDStatus(false);
        w.show();
        ok &= QTest::qWaitForWindowExposed(&w);
        ok &= Save(w, dir, "1-disconnected");
    }
    {
        QtWindow w(QStringLiteral("Ratemend"));
        TRatemendForm form(w, "Ratemend");
        MemTable& table = form.MemTableData;
        Created(w);
        Connected(w, form, table, kGoods);
        w.show();
        ok &= QTest::qWaitForWindowExposed(&w);
        table.MoveTo(3);
        ok &= Save(w, dir, "2-connected");

        // Apply: only the ticked rows, then the progress layout, two rows done.
        table.SetFilter("(SelField = 1)");
        table.First();
        form.SetControlProgressStatus(true);
        w.SetProgressPosition(2);
        ok &= Save(w, dir, "3-change-running");

        w.resize(1200, 650);
        ok &= Save(w, dir, "5-change-running-larger");
        w.resize(kDesignClientSize);

        // The run ends: rest layout, filter off, the moved goods gone after the reload.
        form.SetControlProgressStatus(false);
        table.SetFilter("");
        std::vector<Goods> rest;
        for (const auto& g : kGoods) {
            if (!std::holds_alternative<std::int64_t>(g.sel) ||
                std::get<std::int64_t>(g.sel) != 1) {
                rest.push_back({std::int64_t{0}, g.group, g.name});
            }
        }
        LoadGoods(table, rest);
        GoodsListRule(w, table);
        ok &= Save(w, dir, "4-after-change");

        // Another source rate without goods: the grid and the five buttons are disabled.
        w.SetLookupShown(Control::cblNDSSelectSource, 3);
        LoadGoods(table, {});
        GoodsListRule(w, table);
        ok &= Save(w, dir, "6-rate-without-goods");
        w.SetGridSource(nullptr);
    }
    return ok ? 0 : 1;
}
