// The goods list with 100,000 goods of one rate, on a real database through the embedded
// engine, driven through the window's logic on the real Qt window (offscreen):
//  - reload (ChangeSelectedNDS: the goods query, the copy into the goods list, the grid's
//    refresh and repaint) against a bare fetch of the same query over the client library;
//  - ticking every row (bbSelAllClick) against that reload;
//  - the resident size before and after loading the goods, and the peak;
//  - scrolling the grid from top to bottom, one repaint per step.
// The same reload and tick run again on a surface without Qt, to show what the logic costs
// alone. Prints figures and ratios; fails only when something breaks.
#include <QApplication>
#include <QScrollBar>
#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "BareLoops.h"
#include "FbAccess.h"
#include "GoodsModel.h"
#include "RatemendForm.h"
#include "Statements.h"
#include "TestDb.h"

namespace {

using namespace rm;
using namespace rm::bench;

constexpr int kGoods = 100000;
constexpr int kOtherGoods = 10000;  // goods of another rate, which the query leaves out
constexpr int kRuns = 5;

int CountTicked(MemTable& t) {
    const int f = t.FieldIndex("SelField");
    int n = 0;
    for (int i = 0; i < t.ShownCount(); ++i) {
        n += ValueAsInt64(t.ShownValue(i, f)) == 1 ? 1 : 0;
    }
    return n;
}

int Run() {
    const std::string dir = test::MakeTempDir("bench-goods");
    const std::string db = dir + "/product.fdb";
    std::printf("goods list benchmark: %d goods of one rate, %d of another; embedded engine, %s\n",
                kGoods, kOtherGoods, db.c_str());
    std::printf("resident at start: %s MB\n", Fixed(CurrentRssMb()).c_str());

    auto start = std::chrono::steady_clock::now();
    test::CreateProductDb(db, FillSql(kGoods, kOtherGoods));
    std::printf("database made and filled in %s ms\n", Fixed(MsSince(start)).c_str());

    // The bare fetch: the same query text, prepared once, every row fetched into one buffer.
    double bareMs = 0;
    {
        BareDb bare(db);
        BareFetch fetch(bare, sql::kListItems);
        Expect(fetch.Run(0) == kGoods, "bare fetch row count");
        bareMs = MedianMs(kRuns, [&] { fetch.Run(0); });
    }

    // The data-access layer alone: the same query walked row by row, nothing copied.
    double layerMs = 0;
    {
        fb::Database conn("Bench.Database");
        conn.SetDBName(db);
        conn.Open();
        fb::Transaction tr(conn, "Bench.Tr", {"read", "nowait", "rec_version", "read_committed"});
        fb::Dataset ds(conn, tr, "Bench.ds", sql::kListItems);
        ds.SetUnidirectional(true);
        ds.SetParamInt("NdsID", 0);
        int rows = 0;
        layerMs = MedianMs(kRuns, [&] {
            rows = 0;
            ds.Open();
            for (ds.First(); !ds.Eof(); ds.Next()) {
                ++rows;
            }
            ds.Close();
        });
        Expect(rows == kGoods, "layer row count");
        conn.Close();
    }

    // The utility: the Qt window shown offscreen, the window logic on it.
    AnsweringWindow window(QStringLiteral("Ratemend"));
    window.ShowCentred();
    QCoreApplication::processEvents();
    const double rssBefore = CurrentRssMb();
    const double peakBefore = PeakRssMb();

    WorkingDir wd(dir, db);
    TRatemendForm form(window, "Ratemend");
    window.SetEvents(&form);
    start = std::chrono::steady_clock::now();
    form.FormCreate();  // connects, opens the rate lists, loads the goods of rate 0
    QCoreApplication::processEvents();
    const double firstLoadMs = MsSince(start);
    Expect(form.MemTableData.RecordCount() == kGoods, "goods loaded at start-up");
    Expect(window.Model()->rowCount() == kGoods, "rows in the grid");
    const double rssAfter = CurrentRssMb();
    const double peakAfter = PeakRssMb();

    std::vector<double> gridMs;
    const double reloadMs = MedianMs(kRuns, [&] {
        form.ChangeSelectedNDS();
        const auto paint = std::chrono::steady_clock::now();
        QCoreApplication::processEvents();  // the grid's reset and repaint
        gridMs.push_back(MsSince(paint));
    });
    std::sort(gridMs.begin(), gridMs.end());
    Expect(form.MemTableData.RecordCount() == kGoods, "goods after a reload");

    const double tickMs = MedianMs(kRuns, [&] {
        form.bbSelAllClick();
        QCoreApplication::processEvents();
    });
    Expect(CountTicked(form.MemTableData) == kGoods, "every row ticked");

    // What the per-row pending-message handling of the walk costs on its own.
    const double pumpMs = MedianMs(kRuns, [&] {
        for (int i = 0; i < kGoods; ++i) {
            window.ProcessMessages();
        }
    });

    // Scrolling: jump through the grid in 400 steps, repainting each one.
    GoodsGridView* grid = window.Grid();
    QScrollBar* bar = grid->verticalScrollBar();
    std::vector<double> frames;
    constexpr int kSteps = 400;
    for (int i = 0; i <= kSteps; ++i) {
        bar->setValue(static_cast<int>(static_cast<long long>(bar->maximum()) * i / kSteps));
        const auto f = std::chrono::steady_clock::now();
        grid->viewport()->repaint();
        frames.push_back(MsSince(f));
    }
    std::sort(frames.begin(), frames.end());
    const auto widgets = grid->findChildren<QWidget*>().size();

    std::printf("\n-- the utility (window logic on the Qt window, offscreen) --\n");
    Line("reload " + std::to_string(kGoods) + " goods", "window", reloadMs, "bare fetch", bareMs,
         "<= 1.5");
    Line("tick all " + std::to_string(kGoods) + " rows", "window", tickMs, "window reload",
         reloadMs, "<= 0.5");
    std::printf("resident before loading: %s MB (peak %s MB)\n", Fixed(rssBefore).c_str(),
                Fixed(peakBefore).c_str());
    std::printf("resident with %d goods loaded: %s MB, peak %s MB (goal <= 150 MB)\n", kGoods,
                Fixed(rssAfter).c_str(), Fixed(peakAfter).c_str());
    std::printf("first load at start-up (connect, rate lists, goods, paint): %s ms\n",
                Fixed(firstLoadMs).c_str());
    std::printf(
        "scrolling %d rows in %d steps: repaint median %s ms, max %s ms; %lld widgets "
        "inside the grid\n",
        kGoods, kSteps, Fixed(frames[frames.size() / 2], 2).c_str(),
        Fixed(frames.back(), 2).c_str(), static_cast<long long>(widgets));

    // The window logic alone, on a surface that keeps nothing.
    LightSurface light;
    TRatemendForm bare(light, "Ratemend");
    bare.FormCreate();
    Expect(bare.MemTableData.RecordCount() == kGoods, "goods loaded on the light surface");
    const double lightReloadMs = MedianMs(kRuns, [&] { bare.ChangeSelectedNDS(); });
    const double lightTickMs = MedianMs(kRuns, [&] { bare.bbSelAllClick(); });
    Expect(CountTicked(bare.MemTableData) == kGoods, "every row ticked on the light surface");
    bare.FormDestroy();

    std::printf("\n-- where the time goes --\n");
    Line("fetch " + std::to_string(kGoods) + " goods", "data-access layer", layerMs, "bare fetch",
         bareMs, "-");
    Line("reload " + std::to_string(kGoods) + " goods", "logic alone", lightReloadMs, "bare fetch",
         bareMs, "-");
    std::printf("grid repaint after a reload (pending messages handled once): median %s ms\n",
                Fixed(gridMs[gridMs.size() / 2]).c_str());
    Line("tick all " + std::to_string(kGoods) + " rows", "logic alone", lightTickMs,
         "window reload", reloadMs, "-");
    std::printf("pending-message handling, %d calls on the Qt window: %s ms\n", kGoods,
                Fixed(pumpMs).c_str());
    std::printf("peak resident at the end: %s MB\n", Fixed(PeakRssMb()).c_str());

    form.FormDestroy();
    window.SetEvents(nullptr);
    window.SetGridSource(nullptr);
    std::error_code ec;
    std::filesystem::remove_all(dir, ec);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    try {
        return Run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_goods: %s\n", e.what());
        return 1;
    }
}
