#include "BareLoops.h"

#include <dlfcn.h>
#include <firebird/Interface.h>
#include <ibase.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "BareClient.h"
#include "FbAccess.h"

namespace rm::bench {

using namespace Firebird;

namespace {

using test::bare::AddString;
using test::bare::Master;
using test::bare::Status;

// The window's transaction parameters: read committed, record versions, no wait.
const unsigned char kReadTpb[] = {isc_tpb_version3, isc_tpb_read, isc_tpb_nowait,
                                  isc_tpb_rec_version, isc_tpb_read_committed};
const unsigned char kWriteTpb[] = {isc_tpb_version3, isc_tpb_write, isc_tpb_nowait,
                                   isc_tpb_rec_version, isc_tpb_read_committed};

// The integer parameters of a prepared statement, set in a message buffer of its own layout.
struct Prepared {
    IStatement* stmt = nullptr;
    IMessageMetadata* inMeta = nullptr;
    IMessageMetadata* outMeta = nullptr;
    std::vector<unsigned char> inBuf;
    std::vector<unsigned char> outBuf;
    std::vector<unsigned> inOffsets;

    void Prepare(IAttachment* att, std::string sql, bool withOutput, bool builtLayout = false) {
        fb::PrepareParameterText(sql);
        Status st;
        ITransaction* tra = att->startTransaction(&st, sizeof kReadTpb, kReadTpb);
        st.Check("start transaction");
        stmt = att->prepare(&st, tra, static_cast<unsigned>(sql.size()), sql.c_str(), 3,
                            IStatement::PREPARE_PREFETCH_METADATA);
        st.Check("prepare");
        tra->commit(&st);
        st.Check("commit");
        inMeta = stmt->getInputMetadata(&st);
        st.Check("input metadata");
        if (builtLayout) {
            // The same layout (nullable 32-bit integers), built here instead of taken from the
            // statement.
            const unsigned count = inMeta->getCount(&st);
            inMeta->release();
            IMetadataBuilder* b = Master()->getMetadataBuilder(&st, count);
            st.Check("metadata builder");
            for (unsigned i = 0; i < count; ++i) {
                b->setType(&st, i, SQL_LONG + 1);
                b->setLength(&st, i, sizeof(std::int32_t));
                b->setScale(&st, i, 0);
            }
            inMeta = b->getMetadata(&st);
            b->release();
            st.Check("built metadata");
        }
        inBuf.assign(inMeta->getMessageLength(&st), 0);
        const unsigned n = inMeta->getCount(&st);
        for (unsigned i = 0; i < n; ++i) {
            if ((inMeta->getType(&st, i) & ~1u) != SQL_LONG) {
                throw std::runtime_error("parameter " + std::to_string(i) + " is not an integer");
            }
            // The null indicators stay 0: the buffer starts zeroed.
            inOffsets.push_back(inMeta->getOffset(&st, i));
        }
        st.Check("input layout");
        if (withOutput) {
            outMeta = stmt->getOutputMetadata(&st);
            st.Check("output metadata");
            outBuf.assign(outMeta->getMessageLength(&st), 0);
        }
    }

    void SetInt(std::size_t index, std::int32_t value) {
        std::memcpy(inBuf.data() + inOffsets.at(index), &value, sizeof value);
    }

    void Release() {
        if (outMeta) {
            outMeta->release();
        }
        if (inMeta) {
            inMeta->release();
        }
        if (stmt) {
            Status st;
            stmt->free(&st);
        }
        outMeta = inMeta = nullptr;
        stmt = nullptr;
    }
};

}  // namespace

// ---------------------------------------------------------------------------------------------

BareDb::BareDb(const std::string& target) {
    std::vector<unsigned char> dpb{isc_dpb_version1};
    AddString(dpb, isc_dpb_user_name, "SYSDBA");
    AddString(dpb, isc_dpb_password, "vorplin");
    AddString(dpb, isc_dpb_lc_ctype, "UTF8");
    Status st;
    fAtt = Master()->getDispatcher()->attachDatabase(&st, target.c_str(),
                                                     static_cast<unsigned>(dpb.size()), dpb.data());
    st.Check("attach");
}

BareDb::~BareDb() {
    if (fAtt) {
        Status st;
        fAtt->detach(&st);  // a failed detach is of no interest to a benchmark ending anyway
    }
}

struct BareFetch::Impl {
    IAttachment* att;
    Prepared p;
};

BareFetch::BareFetch(BareDb& db, std::string sql) : fImpl(new Impl{db.Attachment(), {}}) {
    try {
        fImpl->p.Prepare(fImpl->att, std::move(sql), true);
    } catch (...) {
        fImpl->p.Release();
        delete fImpl;
        throw;
    }
}

BareFetch::~BareFetch() {
    fImpl->p.Release();
    delete fImpl;
}

int BareFetch::Run(std::int32_t param) {
    Prepared& p = fImpl->p;
    p.SetInt(0, param);
    Status st;
    ITransaction* tra = fImpl->att->startTransaction(&st, sizeof kReadTpb, kReadTpb);
    st.Check("start transaction");
    IResultSet* rs = p.stmt->openCursor(&st, tra, p.inMeta, p.inBuf.data(), p.outMeta, 0);
    st.Check("open cursor");
    int rows = 0;
    while (rs->fetchNext(&st, p.outBuf.data()) == IStatus::RESULT_OK) {
        ++rows;
    }
    st.Check("fetch");
    rs->close(&st);
    st.Check("close cursor");
    tra->commit(&st);
    st.Check("commit");
    return rows;
}

int BareUpdateLoop(BareDb& db, std::string sql, std::int32_t newRate,
                   const std::vector<std::int32_t>& itemIds, bool builtLayout) {
    Prepared p;
    int done = 0;
    try {
        p.Prepare(db.Attachment(), std::move(sql), false, builtLayout);
        Status st;
        for (const std::int32_t id : itemIds) {
            p.SetInt(0, newRate);
            p.SetInt(1, id);
            ITransaction* tra = db.Attachment()->startTransaction(&st, sizeof kWriteTpb, kWriteTpb);
            st.Check("start transaction");
            p.stmt->execute(&st, tra, p.inMeta, p.inBuf.data(), nullptr, nullptr);
            st.Check("execute");
            tra->commit(&st);
            st.Check("commit");
            ++done;
        }
    } catch (...) {
        p.Release();
        throw;
    }
    p.Release();
    return done;
}

std::int64_t BareScalar(BareDb& db, const std::string& sql) {
    Status st;
    ITransaction* tra = db.Attachment()->startTransaction(&st, sizeof kReadTpb, kReadTpb);
    st.Check("start transaction");
    IStatement* stmt = db.Attachment()->prepare(&st, tra, 0, sql.c_str(), 3,
                                                IStatement::PREPARE_PREFETCH_METADATA);
    st.Check("prepare");
    IMessageMetadata* meta = stmt->getOutputMetadata(&st);
    st.Check("output metadata");
    std::vector<unsigned char> buf(meta->getMessageLength(&st));
    const unsigned type = meta->getType(&st, 0) & ~1u;
    const unsigned offset = meta->getOffset(&st, 0);
    IResultSet* rs = stmt->openCursor(&st, tra, nullptr, nullptr, meta, 0);
    st.Check("open cursor");
    std::int64_t value = 0;
    if (rs->fetchNext(&st, buf.data()) == IStatus::RESULT_OK) {
        if (type == SQL_INT64) {
            std::memcpy(&value, buf.data() + offset, sizeof value);
        } else if (type == SQL_LONG) {
            std::int32_t v = 0;
            std::memcpy(&v, buf.data() + offset, sizeof v);
            value = v;
        } else {
            throw std::runtime_error("the first column is not an integer");
        }
    }
    st.Check("fetch");
    rs->close(&st);
    meta->release();
    stmt->free(&st);
    tra->commit(&st);
    st.Check("commit");
    return value;
}

// ---------------------------------------------------------------------------------------------

double MedianMs(int runs, const std::function<void()>& fn, bool warmUp) {
    if (warmUp) {
        fn();
    }
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        fn();
        times.push_back(MsSince(start));
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

double PeakRssMb() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

double CurrentRssMb() {
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) /
           (1024.0 * 1024.0);
}

std::string Fixed(double value, int decimals) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", decimals, value);
    return buf;
}

WorkingDir::WorkingDir(const std::string& dir, const std::string& dbPath)
    : fOld(std::filesystem::current_path().string()) {
    std::filesystem::create_directories(dir + "/Net");
    std::ofstream(dir + "/Net/ConnectionInfo.ini") << "[Connect]\nDatabase=" << dbPath << "\n";
    std::filesystem::current_path(dir);
}

WorkingDir::~WorkingDir() {
    std::error_code ec;
    std::filesystem::current_path(fOld, ec);
}

std::string FillSql(int rateZeroGoods, int otherGoods) {
    return "insert into \"dcNds\" (\"NdsID\", \"Name\", \"Tax\") values (0, 'Без НДС', 0);\n"
           "insert into \"dcNds\" (\"NdsID\", \"Name\", \"Tax\") values (10, 'НДС 10%', 10);\n"
           "insert into \"dcNds\" (\"NdsID\", \"Name\", \"Tax\") values (20, 'НДС 20%', 20);\n"
           "execute block as declare i integer = 1; begin while (i <= 50) do begin "
           "insert into \"dcItemsGrps\" (\"ItemsGrpID\", \"Name\") values (:i, 'Группа товаров "
           "№ ' || :i); i = i + 1; end end;\n"
           "execute block as declare i integer = 1; begin while (i <= " +
           std::to_string(rateZeroGoods + otherGoods) +
           ") do begin "
           "insert into \"dcItems\" (\"ItemID\", \"Name\", \"FullName\", \"NdsID\", "
           "\"ItemsGrpID\", \"UnitID\") values (:i, 'Товар ' || :i, 'Товар ' || :i || ', "
           "полное наименование для чека и накладной', iif(:i <= " +
           std::to_string(rateZeroGoods) + ", 0, 10), mod(:i, 50) + 1, 1); i = i + 1; end end;\n";
}

void Line(const std::string& what, const std::string& a, double aMs, const std::string& b,
          double bMs, const char* goal) {
    std::printf("%s: %s %s ms, %s %s ms, ratio %s (goal %s)\n", what.c_str(), a.c_str(),
                Fixed(aMs).c_str(), b.c_str(), Fixed(bMs).c_str(), Fixed(aMs / bMs, 2).c_str(),
                goal);
}

void Expect(bool ok, const std::string& what) {
    if (!ok) {
        throw std::runtime_error("unexpected: " + what);
    }
}

}  // namespace rm::bench
