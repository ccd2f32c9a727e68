// The apply run over 10,000 ticked goods, on a real database through the embedded engine:
// the whole "Применить" command of the window (both confirmations answered OK, the walk over the
// ticked rows, one update and one full commit per item, progress, pending messages, the reload
// at the end) against a bare loop of the same update text with a transaction started and
// committed for each item. Every run gets a fresh copy of the same database, so each does the
// same work. The window runs once on the real Qt window (offscreen) and once on a surface
// without Qt. Prints figures and ratios; fails only when something breaks.
#include <unistd.h>

#include <QApplication>
#include <algorithm>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <functional>
#include <memory>
#include <numeric>
#include <string>
#include <vector>

#include "BareLoops.h"
#include "FbAccess.h"
#include "RatemendForm.h"
#include "Statements.h"
#include "TestDb.h"

namespace {

using namespace rm;
using namespace rm::bench;
namespace fs = std::filesystem;

constexpr int kTicked = 10000;      // goods of rate 0, every one ticked and moved to rate 20
constexpr int kOtherGoods = 10000;  // goods of rate 10, untouched
constexpr int kRuns = 5;
constexpr int kTargetRate = 20;

// The server's host part ("localhost/30551") when the benchmark goes through a server; empty
// for the embedded engine.
std::string gServer;

std::string Target(const std::string& path) {
    return gServer.empty() ? path : gServer + ":" + path;
}

std::int64_t CountOfRate(const std::string& db, int rate) {
    BareDb bare(Target(db));
    return BareScalar(bare,
                      "select count(*) from \"dcItems\" where \"NdsID\" = " + std::to_string(rate));
}

// The Qt window with the time spent in its per-item calls of a run added up.
class TimedWindow : public AnsweringWindow {
  public:
    using AnsweringWindow::AnsweringWindow;
    void SetProgressPosition(int value) override {
        const auto start = std::chrono::steady_clock::now();
        AnsweringWindow::SetProgressPosition(value);
        progressMs += MsSince(start);
    }
    void ProcessMessages() override {
        const auto start = std::chrono::steady_clock::now();
        AnsweringWindow::ProcessMessages();
        messagesMs += MsSince(start);
    }
    double progressMs = 0;
    double messagesMs = 0;
};

class Bench {
  public:
    Bench() : fDir(test::MakeTempDir("bench-apply")), fTemplate(fDir + "/template.fdb") {}
    ~Bench() {
        std::error_code ec;
        fs::remove_all(fDir, ec);
    }

    void MakeTemplate() { test::CreateProductDb(fTemplate, FillSql(kTicked, kOtherGoods)); }

    // A fresh copy of the template database, written out before the run starts so that the
    // writing back of earlier runs' pages does not fall into the next run's time.
    std::string FreshCopy() {
        const std::string path = fDir + "/run-" + std::to_string(++fCopies) + ".fdb";
        fs::copy_file(fTemplate, path);
        ::sync();
        return path;
    }

    double BareRun(bool builtLayout = false) {
        const std::string db = FreshCopy();
        std::vector<std::int32_t> ids(kTicked);
        std::iota(ids.begin(), ids.end(), 1);
        double ms = 0;
        {
            BareDb bare(Target(db));
            const auto start = std::chrono::steady_clock::now();
            Expect(BareUpdateLoop(bare, sql::kApplyNDS, kTargetRate, ids, builtLayout) == kTicked,
                   "bare loop executions");
            ms = MsSince(start);
        }
        Expect(CountOfRate(db, kTargetRate) == kTicked, "goods moved by the bare loop");
        fs::remove(db);
        return ms;
    }

    // The whole apply command; the start-up, the choice of the target rate and the ticks are
    // not timed.
    double WindowRun(bool onQt) {
        const std::string db = FreshCopy();
        double ms = 0;
        {
            WorkingDir wd(fDir + "/wd-" + std::to_string(fCopies), Target(db));
            std::unique_ptr<TimedWindow> window;
            LightSurface light;
            if (onQt) {
                window = std::make_unique<TimedWindow>(QStringLiteral("Ratemend"));
                window->ShowCentred();
                QCoreApplication::processEvents();
            }
            IWindowSurface& surface = onQt ? static_cast<IWindowSurface&>(*window) : light;
            TRatemendForm form(surface, "Ratemend");
            if (window) {
                window->SetEvents(&form);
            }
            form.FormCreate();
            Expect(form.MemTableData.RecordCount() == kTicked, "goods of the source rate");
            form.cblNDSSelectTarget.SetKeyValue(kTargetRate);
            Expect(form.dsNDSSelectTarget.FieldAsInteger("NdsID") == kTargetRate, "target rate");
            form.bbSelAllClick();
            QCoreApplication::processEvents();

            if (window) {
                window->progressMs = window->messagesMs = 0;
            }
            const auto start = std::chrono::steady_clock::now();
            form.bApplyChangeNDSClick();
            QCoreApplication::processEvents();  // the grid's repaint after the reload
            ms = MsSince(start);

            Expect(form.MemTableData.Active() && form.MemTableData.RecordCount() == 0,
                   "the reloaded list is empty");
            // The reload that ends the command, once more on its own.
            const auto reload = std::chrono::steady_clock::now();
            form.ChangeSelectedNDS();
            QCoreApplication::processEvents();
            reloads.push_back(MsSince(reload));
            if (window) {
                progress.push_back(window->progressMs);
                messages.push_back(window->messagesMs);
            }
            form.FormDestroy();
            if (window) {
                window->SetEvents(nullptr);
                window->SetGridSource(nullptr);
            }
        }
        Expect(CountOfRate(db, kTargetRate) == kTicked, "goods moved by the window");
        fs::remove(db);
        return ms;
    }

    // The data-access layer's update statement alone, as the window drives it per item.
    double LayerRun() {
        const std::string db = FreshCopy();
        double ms = 0;
        {
            fb::Database conn("Bench.Database");
            conn.SetDBName(Target(db));
            conn.Open();
            fb::Transaction tr(conn, "Bench.TrDefWrite",
                               {"write", "nowait", "rec_version", "read_committed"});
            fb::Query q(conn, tr, "Bench.qApplyNDS", sql::kApplyNDS);
            const auto start = std::chrono::steady_clock::now();
            for (int id = 1; id <= kTicked; ++id) {
                q.SetParamInt("NdsID", kTargetRate);
                q.SetParamInt("ItemID", id);
                q.ExecQuery();
            }
            ms = MsSince(start);
            conn.Close();
        }
        Expect(CountOfRate(db, kTargetRate) == kTicked, "goods moved by the layer");
        fs::remove(db);
        return ms;
    }

    // The window's per-item surface work alone on a shown window: the progress bar set twice
    // (shown, range 0..N, as during a run) and pending messages handled once.
    double PumpMs(bool progressShown) {
        AnsweringWindow window(QStringLiteral("Ratemend"));
        window.ShowCentred();
        window.SetVisible(Control::pbChangeProgress, progressShown);
        window.SetProgressMin(0);
        window.SetProgressMax(kTicked);
        window.SetWidth(Control::pbChangeProgress, 883);
        QCoreApplication::processEvents();
        return MedianMs(kRuns, [&] {
            for (int i = 0; i < kTicked; ++i) {
                window.SetProgressPosition(i + 1);
                window.SetProgressPosition(i + 1);
                window.ProcessMessages();
            }
        });
    }

    std::vector<double> reloads;  // the ending reload of each window run, timed again
    // Time of the Qt window's runs spent setting the progress bar and handling messages.
    std::vector<double> progress;
    std::vector<double> messages;

  private:
    std::string fDir;
    std::string fTemplate;
    int fCopies = 0;
};

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

int Run() {
    Bench bench;
    auto start = std::chrono::steady_clock::now();
    bench.MakeTemplate();
    std::printf(
        "apply benchmark: %d ticked goods moved from rate 0 to rate %d, %d goods of "
        "another rate; %s, a fresh copy of the database for every run "
        "(made in %s ms)\n",
        kTicked, kTargetRate, kOtherGoods,
        gServer.empty() ? "embedded engine" : ("server " + gServer).c_str(),
        Fixed(MsSince(start)).c_str());

    bench.BareRun();  // warm-up: the engine, the file cache
    std::vector<double> bare, onQt, alone, layer, built;
    // The engine's background work makes a run's time depend on what ran before it, so the
    // order of the kinds is turned round every other round.
    const std::vector<std::function<void()>> kinds = {
        [&] { bare.push_back(bench.BareRun()); },
        [&] { onQt.push_back(bench.WindowRun(true)); },
        [&] { alone.push_back(bench.WindowRun(false)); },
        [&] { layer.push_back(bench.LayerRun()); },
        [&] { built.push_back(bench.BareRun(true)); },
    };
    for (int i = 0; i < kRuns; ++i) {
        for (std::size_t k = 0; k < kinds.size(); ++k) {
            kinds[i % 2 == 0 ? k : kinds.size() - 1 - k]();
        }
    }
    const double bareMs = Median(bare);
    const double qtMs = Median(onQt);
    const double aloneMs = Median(alone);
    const double layerMs = Median(layer);
    const double builtMs = Median(built);
    const double pumpHiddenMs = bench.PumpMs(false);
    const double pumpShownMs = bench.PumpMs(true);

    auto list = [](const std::vector<double>& v) {
        std::string s;
        for (double x : v) {
            s += (s.empty() ? "" : ", ") + Fixed(x);
        }
        return s;
    };
    std::printf("\n-- the utility (window logic on the Qt window, offscreen); medians of %d --\n",
                kRuns);
    Line("apply " + std::to_string(kTicked) + " ticked items", "window", qtMs,
         "bare loop (start, execute, commit)", bareMs, "<= 1.15");
    std::printf("\n-- where the time goes --\n");
    Line("apply " + std::to_string(kTicked) + " ticked items", "logic alone", aloneMs, "bare loop",
         bareMs, "-");
    std::printf("per item: bare loop %s us, window %s us, logic alone %s us\n",
                Fixed(bareMs * 1000 / kTicked).c_str(), Fixed(qtMs * 1000 / kTicked).c_str(),
                Fixed(aloneMs * 1000 / kTicked).c_str());
    Line("update " + std::to_string(kTicked) + " items", "data-access layer", layerMs, "bare loop",
         bareMs, "-");
    Line("update " + std::to_string(kTicked) + " items", "bare loop, parameter layout built",
         builtMs, "bare loop, the statement's layout", bareMs, "-");
    std::printf(
        "progress set twice and pending messages handled, %d times on the Qt window: "
        "%s ms with the progress bar shown, %s ms with it hidden\n",
        kTicked, Fixed(pumpShownMs).c_str(), Fixed(pumpHiddenMs).c_str());
    std::printf(
        "inside the window's runs: setting the progress bar %s ms, handling pending "
        "messages %s ms\n",
        Fixed(Median(bench.progress)).c_str(), Fixed(Median(bench.messages)).c_str());
    std::printf("the reload that ends the command (goods of the source rate, none left): %s ms\n",
                Fixed(Median(bench.reloads)).c_str());
    std::printf("runs (ms): bare loop %s; window %s; logic alone %s; layer %s\n",
                list(bare).c_str(), list(onQt).c_str(), list(alone).c_str(), list(layer).c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    // bench_apply [HOST/PORT]: through the Firebird server there instead of the embedded engine.
    if (argc > 1) {
        gServer = argv[1];
    }
    try {
        return Run();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_apply: %s\n", e.what());
        return 1;
    }
}
