// The data-access layer against a bare loop over the client library's OO API, in the same run
// and on the same database:
//   1. the goods query of one rate holding 100,000 goods, fetched to the end (goal: layer/bare
//   <= 1.3);
//   2. 10,000 executions of the update statement, each with a full commit (goal: <= 1.1).
// Prints figures and ratios; does not judge them.
//
// Usage: bench_dataaccess [server-prefix]   e.g. "localhost/30551" to go through a server
// (default: the embedded engine).
#include <dlfcn.h>
#include <firebird/Interface.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "FbAccess.h"
#include "Statements.h"
#include "TestDb.h"

namespace {

using namespace rm;
using Clock = std::chrono::steady_clock;
using namespace Firebird;

constexpr int kGoods = 100000;
constexpr int kUpdates = 10000;
constexpr int kRounds = 3;

double Seconds(const std::function<void()>& f) {
    double best = 1e100;
    for (int i = 0; i < kRounds; ++i) {
        const auto t0 = Clock::now();
        f();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
    }
    return best;
}

std::vector<std::string> Lines(const char* const (&p)[4]) {
    return {p, p + 4};
}

// ---- the bare baseline ----------------------------------------------------------------------

struct Bare {
    IMaster* master;
    IStatus* raw;
    CheckStatusWrapper st;
    IAttachment* att = nullptr;

    Bare()
        : master(reinterpret_cast<IMaster* (*)()>(
              dlsym(dlopen("libfbclient.so.2", RTLD_NOW), "fb_get_master_interface"))()),
          raw(master->getStatus()),
          st(raw) {}
    void Check() {
        if (st.getState() & IStatus::STATE_ERRORS) {
            char buf[1024];
            master->getUtilInterface()->formatStatus(buf, sizeof buf, raw);
            std::fprintf(stderr, "bare: %s\n", buf);
            std::exit(1);
        }
    }
    void Attach(const std::string& target) {
        const unsigned char dpb[] = {1, 48,  5,   'U', 'T', 'F', '-', '8', 29,
                                     7, 'v', 'o', 'r', 'p', 'l', 'i', 'n', 28,
                                     6, 'S', 'Y', 'S', 'D', 'B', 'A'};
        att = master->getDispatcher()->attachDatabase(&st, target.c_str(), sizeof dpb, dpb);
        Check();
    }
    ITransaction* Start(bool write) {
        const unsigned char tpb[] = {3, static_cast<unsigned char>(write ? 9 : 8), 7, 17, 15};
        ITransaction* t = att->startTransaction(&st, sizeof tpb, tpb);
        Check();
        return t;
    }
    IMessageMetadata* IntParams(unsigned n) {
        IMetadataBuilder* b = master->getMetadataBuilder(&st, n);
        for (unsigned i = 0; i < n; ++i) {
            b->setType(&st, i, 496 + 1);
            b->setLength(&st, i, 4);
        }
        IMessageMetadata* m = b->getMetadata(&st);
        b->release();
        Check();
        return m;
    }
};

std::string Prepared(const char* sql) {
    std::string text = sql;
    fb::PrepareParameterText(text);
    return text;
}

}  // namespace

int main(int argc, char** argv) {
    const std::string dir = test::MakeTempDir("bench");
    const std::string path = dir + "/bench.fdb";
    const std::string target = argc > 1 ? std::string(argv[1]) + ":" + path : path;
    std::printf("database: %s\n", target.c_str());
    test::CreateProductDb(
        path,
        "insert into \"dcNds\" values (10, 'НДС 10%', 10);\n"
        "insert into \"dcNds\" values (20, 'НДС 20%', 20);\n"
        "insert into \"dcItemsGrps\" values (1, 'Бакалея');\n"
        "execute block as declare i integer = 1; begin while (i <= " +
            std::to_string(kGoods) +
            ") do begin insert into \"dcItems\" values (:i, 'Товар ' || :i, "
            "'Товар номер ' || :i || ', упаковка 1 шт.', 10, 1, 796); i = i + 1; end end;\n");

    // 1. The goods query.
    fb::Database db;
    db.SetDBName(target);
    db.Open();
    fb::Transaction trRead(db, "RatemendForm.TrDefRead", Lines(sql::kTrReadParams));
    fb::Transaction trWrite(db, "RatemendForm.TrDefWrite", Lines(sql::kTrWriteParams));
    fb::Dataset items(db, trRead, "RatemendForm.dsListItems", sql::kListItems);
    long layerRows = 0;
    auto layerFetch = [&](bool unidirectional) {
        return Seconds([&] {
            items.Close();
            items.SetUnidirectional(unidirectional);
            items.SetParamInt("NdsID", 10);
            items.Open();
            layerRows = 0;
            std::int64_t sum = 0;
            for (; !items.Eof(); items.Next()) {
                const auto& row = items.CurrentRow();
                sum += std::get<std::int64_t>(row[1]);
                ++layerRows;
            }
            if (sum == 0)
                std::puts("");
        });
    };
    const double layerOnePass = layerFetch(true);
    const double layerBuffered = layerFetch(false);
    items.Close();

    Bare bare;
    bare.Attach(target);
    ITransaction* tra = bare.Start(false);
    const std::string goods = Prepared(sql::kListItems);
    IStatement* stmt = bare.att->prepare(&bare.st, tra, 0, goods.c_str(), 3,
                                         IStatement::PREPARE_PREFETCH_METADATA);
    bare.Check();
    IMessageMetadata* in1 = bare.IntParams(1);
    IMessageMetadata* out = stmt->getOutputMetadata(&bare.st);
    std::vector<unsigned char> inBuf(in1->getMessageLength(&bare.st)),
        outBuf(out->getMessageLength(&bare.st));
    const unsigned idOffset = out->getOffset(&bare.st, 1);
    long bareRows = 0;
    const double bareFetch = Seconds([&] {
        const std::int32_t nds = 10;
        std::memcpy(inBuf.data() + in1->getOffset(&bare.st, 0), &nds, 4);
        std::memset(inBuf.data() + in1->getNullOffset(&bare.st, 0), 0, 2);
        IResultSet* rs = stmt->openCursor(&bare.st, tra, in1, inBuf.data(), out, 0);
        bare.Check();
        bareRows = 0;
        std::int64_t sum = 0;
        while (rs->fetchNext(&bare.st, outBuf.data()) == IStatus::RESULT_OK) {
            std::int32_t id;
            std::memcpy(&id, outBuf.data() + idOffset, 4);
            sum += id;
            ++bareRows;
        }
        bare.Check();
        rs->close(&bare.st);
        if (sum == 0)
            std::puts("");
    });
    stmt->free(&bare.st);
    tra->commit(&bare.st);

    std::printf("goods query, %ld rows (bare %ld):\n", layerRows, bareRows);
    std::printf("  bare OO API loop      %8.3f s\n", bareFetch);
    std::printf("  layer, one pass       %8.3f s   ratio %.2f (goal <= 1.3)\n", layerOnePass,
                layerOnePass / bareFetch);
    std::printf("  layer, rows kept      %8.3f s   ratio %.2f\n", layerBuffered,
                layerBuffered / bareFetch);

    // 2. The update statement, one full commit per execution; items alternate between rates.
    fb::Query apply(db, trWrite, "RatemendForm.qApplyNDS", sql::kApplyNDS);
    int round = 0;
    const double layerUpdate = Seconds([&] {
        const int nds = round++ % 2 ? 10 : 20;
        for (int i = 1; i <= kUpdates; ++i) {
            apply.SetParamInt("NdsID", nds);
            apply.SetParamInt("ItemID", i);
            apply.ExecQuery();
        }
    });

    const std::string update = Prepared(sql::kApplyNDS);
    IMessageMetadata* in2 = bare.IntParams(2);
    std::vector<unsigned char> in2Buf(in2->getMessageLength(&bare.st));
    IStatement* upd = nullptr;
    const double bareUpdate = Seconds([&] {
        const std::int32_t nds = round++ % 2 ? 10 : 20;
        for (std::int32_t i = 1; i <= kUpdates; ++i) {
            ITransaction* t = bare.Start(true);
            if (!upd) {
                upd = bare.att->prepare(&bare.st, t, 0, update.c_str(), 3, 0);
                bare.Check();
            }
            std::memcpy(in2Buf.data() + in2->getOffset(&bare.st, 0), &nds, 4);
            std::memcpy(in2Buf.data() + in2->getOffset(&bare.st, 1), &i, 4);
            std::memset(in2Buf.data() + in2->getNullOffset(&bare.st, 0), 0, 2);
            std::memset(in2Buf.data() + in2->getNullOffset(&bare.st, 1), 0, 2);
            upd->execute(&bare.st, t, in2, in2Buf.data(), nullptr, nullptr);
            bare.Check();
            t->commit(&bare.st);
            bare.Check();
        }
    });
    upd->free(&bare.st);
    bare.att->detach(&bare.st);
    db.Close();

    std::printf("update statement, %d executions with a commit each:\n", kUpdates);
    std::printf("  bare OO API loop      %8.3f s\n", bareUpdate);
    std::printf("  layer                 %8.3f s   ratio %.2f (goal <= 1.1)\n", layerUpdate,
                layerUpdate / bareUpdate);

    std::filesystem::remove_all(dir);
    return 0;
}
