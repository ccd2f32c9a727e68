// What the window benchmarks measure against and drive the window with:
//  - bare loops straight over the client library's OO API (no layer, no goods list, no window),
//    running the very statement texts the window runs;
//  - two window surfaces: the Qt window with its message boxes answered OK, and a light surface
//    that keeps nothing (the window logic alone);
//  - clocks, medians and the process's resident size.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "QtWindow.h"
#include "WindowSurface.h"

namespace Firebird {
class IAttachment;
}

namespace rm::bench {

// --- bare loops ----------------------------------------------------------------------------

// One attachment through the client library (loaded with dlopen at the first use), with the
// window's login and character set. Errors throw std::runtime_error with the library's text.
class BareDb {
  public:
    explicit BareDb(const std::string& target);
    ~BareDb();
    BareDb(const BareDb&) = delete;
    BareDb& operator=(const BareDb&) = delete;
    Firebird::IAttachment* Attachment() const { return fAtt; }

  private:
    Firebird::IAttachment* fAtt = nullptr;
};

// A select with one integer parameter, prepared once (as the window prepares once per
// connection). Run() opens the cursor in a read committed read-only transaction started for
// the run, fetches every row into one message buffer, closes, commits, and returns the rows.
class BareFetch {
  public:
    // sql: the window's text, parameters written as :"Name"; it is turned into the same "?" text
    // the data-access layer prepares.
    BareFetch(BareDb& db, std::string sql);
    ~BareFetch();
    BareFetch(const BareFetch&) = delete;
    BareFetch& operator=(const BareFetch&) = delete;
    int Run(std::int32_t param);

  private:
    struct Impl;
    Impl* fImpl;
};

// The apply run without the window: prepares the update (two integer parameters: the new rate,
// then the item), then for each item starts a write transaction, executes, and commits it
// fully. Returns the number of executions. With builtLayout the parameters are passed in a
// message layout built by the caller (as the data-access layer does) instead of the statement's
// own.
int BareUpdateLoop(BareDb& db, std::string sql, std::int32_t newRate,
                   const std::vector<std::int32_t>& itemIds, bool builtLayout = false);

// Rows of a query with no parameters whose first column is an integer (a count, say).
std::int64_t BareScalar(BareDb& db, const std::string& sql);

// --- clocks and memory ---------------------------------------------------------------------

inline double MsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// Runs fn once untimed, then `runs` times timed; returns the median in milliseconds.
double MedianMs(int runs, const std::function<void()>& fn, bool warmUp = true);

double PeakRssMb();     // getrusage ru_maxrss
double CurrentRssMb();  // /proc/self/statm

// "12.3"
std::string Fixed(double value, int decimals = 1);

// Fills a product database: three rates, 50 groups, `rateZeroGoods` goods of rate 0 (ids from 1)
// and `otherGoods` of rate 10, with names of a realistic length (Cyrillic, two bytes a letter).
std::string FillSql(int rateZeroGoods, int otherGoods);

// One figure line: "what: a N ms, b M ms, ratio R (goal G)".
void Line(const std::string& what, const std::string& a, double aMs, const std::string& b,
          double bMs, const char* goal);

// A benchmark that does not do the work it times is no benchmark: stop with a message.
void Expect(bool ok, const std::string& what);

// --- surfaces ------------------------------------------------------------------------------

// The real window, with every message box answered OK and plain messages dismissed at once.
class AnsweringWindow : public QtWindow {
  public:
    using QtWindow::QtWindow;
    int MessageBox(const std::string&, const std::string&, unsigned) override { return mb::IDOK; }
    void ShowMessage(const std::string&) override {}
};

// A surface that keeps only the enabled state (the logic reads it back) and answers OK.
class LightSurface : public IWindowSurface {
  public:
    void SetEnabled(Control c, bool enabled) override { fEnabled[Index(c)] = enabled; }
    bool IsEnabled(Control c) const override { return fEnabled[Index(c)]; }
    void SetVisible(Control, bool) override {}
    void SetCaption(Control, const std::string&) override {}
    void SetLeft(Control, int) override {}
    void SetWidth(Control, int) override {}
    void SetProgressMin(int) override {}
    void SetProgressMax(int) override {}
    void SetProgressStep(int) override {}
    void SetProgressPosition(int) override {}
    void SetFocus(Control) override {}
    void SetMinHeight(int) override {}
    void SetMinWidth(int) override {}
    int MessageBox(const std::string&, const std::string&, unsigned) override { return mb::IDOK; }
    void ShowMessage(const std::string&) override {}
    void ProcessMessages() override {}
    bool ExecuteFileDialog(std::string&) override { return false; }
    void SetLookupItems(Control, const std::vector<std::string>&) override {}
    void SetLookupShown(Control, int) override {}
    void SetGridSource(MemTable*) override {}

  private:
    static std::size_t Index(Control c) { return static_cast<std::size_t>(c); }
    bool fEnabled[kControlCount] = {};
};

// Makes `dir` the working directory with Net/ConnectionInfo.ini naming `dbPath`, as the
// window expects at start-up; the previous working directory comes back on destruction.
class WorkingDir {
  public:
    WorkingDir(const std::string& dir, const std::string& dbPath);
    ~WorkingDir();
    WorkingDir(const WorkingDir&) = delete;
    WorkingDir& operator=(const WorkingDir&) = delete;

  private:
    std::string fOld;
};

}  // namespace rm::bench
