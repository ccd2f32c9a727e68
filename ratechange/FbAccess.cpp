#include "FbAccess.h"

#include <firebird/Interface.h>

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace rm::fb {

using namespace Firebird;

namespace {

// Parameter block items (values of the client library's public constants).
constexpr unsigned char kDpbVersion1 = 1;
constexpr unsigned char kDpbUserName = 28;
constexpr unsigned char kDpbPassword = 29;
constexpr unsigned char kDpbLcCtype = 48;

constexpr unsigned char kTpbVersion3 = 3;

// Status vector tags and the few error codes the layer looks at.
constexpr intptr_t kArgEnd = 0;
constexpr intptr_t kArgGds = 1;
constexpr intptr_t kArgString = 2;
constexpr intptr_t kArgCString = 3;
constexpr intptr_t kArgNumber = 4;
constexpr intptr_t kArgInterpreted = 5;
constexpr intptr_t kArgSqlState = 19;
constexpr long kIscSqlerr = 335544436L;

// SQL types of message fields (nullable bit cleared).
constexpr unsigned kSqlVarying = 448;
constexpr unsigned kSqlText = 452;
constexpr unsigned kSqlDouble = 480;
constexpr unsigned kSqlFloat = 482;
constexpr unsigned kSqlLong = 496;
constexpr unsigned kSqlShort = 500;
constexpr unsigned kSqlTimestamp = 510;
constexpr unsigned kSqlBlob = 520;
constexpr unsigned kSqlDFloat = 530;
constexpr unsigned kSqlTypeTime = 560;
constexpr unsigned kSqlTypeDate = 570;
constexpr unsigned kSqlInt64 = 580;
constexpr unsigned kSqlBoolean = 32764;

constexpr unsigned kDialect = 3;

// ---------------------------------------------------------------------------------------------
// The client library

struct Client {
    void* handle = nullptr;
    IMaster* master = nullptr;
    IUtil* util = nullptr;
    IProvider* provider = nullptr;
};

std::mutex gClientsLock;
std::map<std::string, Client>& Clients() {
    static std::map<std::string, Client> clients;  // loaded libraries stay loaded
    return clients;
}

using GetMasterFn = IMaster* (*)();

#ifdef _WIN32
Client& LoadClient(const std::string& name) {
    std::lock_guard lock(gClientsLock);
    auto& clients = Clients();
    if (auto it = clients.find(name); it != clients.end())
        return it->second;
    HMODULE h = LoadLibraryA(name.c_str());
    if (!h) {
        const DWORD code = GetLastError();
        char* text = nullptr;
        FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                           FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<char*>(&text), 0, nullptr);
        std::string message = text ? text : "";
        LocalFree(text);
        throw EOSError(static_cast<int>(code), message);
    }
    auto fn = reinterpret_cast<GetMasterFn>(GetProcAddress(h, "fb_get_master_interface"));
    if (!fn) {
        const DWORD code = GetLastError();
        FreeLibrary(h);
        throw EOSError(static_cast<int>(code), "");
    }
    Client c;
    c.handle = h;
    c.master = fn();
    c.util = c.master->getUtilInterface();
    c.provider = c.master->getDispatcher();
    return clients.emplace(name, c).first->second;
}
#else
// The loader of this platform has no system error code: the failures get the codes and texts
// the operator's workstation shows for the same situations.
constexpr int kModuleNotFound = 126;
constexpr int kProcNotFound = 127;
constexpr int kBadModule = 193;

Client& LoadClient(const std::string& name) {
    std::lock_guard lock(gClientsLock);
    auto& clients = Clients();
    if (auto it = clients.find(name); it != clients.end())
        return it->second;
    dlerror();
    void* h = dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!h) {
        const char* err = dlerror();
        std::string text = err ? err : "";
        // The library itself, or one it needs, is nowhere to be found.
        if (text.find("cannot open shared object file: No such file or directory") !=
            std::string::npos)
            throw EOSError(kModuleNotFound, "Не найден указанный модуль");
        throw EOSError(kBadModule, text);
    }
    dlerror();
    auto fn = reinterpret_cast<GetMasterFn>(dlsym(h, "fb_get_master_interface"));
    if (!fn) {
        dlclose(h);
        throw EOSError(kProcNotFound, "Не найдена указанная процедура");
    }
    Client c;
    c.handle = h;
    c.master = fn();
    c.util = c.master->getUtilInterface();
    c.provider = c.master->getDispatcher();
    return clients.emplace(name, c).first->second;
}
#endif

// ---------------------------------------------------------------------------------------------
// Errors

// SQLCODE of the error codes this utility meets whose status vector carries no SQLCODE.
long SqlCodeOf(long gds) {
    switch (gds) {
        case 335544336L:  // deadlock
        case 335544345L:  // lock_conflict
        case 335544451L:  // update_conflict
        case 335544510L:  // lock_timeout
            return -913;
        case 335544349L:  // no_dup
        case 335544665L:  // unique_key_violation
            return -803;
        case 335544347L:  // not_valid
            return -625;
        case 335544466L:  // foreign_key
            return -530;
        case 335544352L:  // no_priv
            return -551;
        case 335544558L:  // check_constraint
            return -297;
        case 335544361L:  // read_only_trans
            return -817;
        case 335544517L:  // except
            return -836;
        case 335544334L:  // convert_error
            return -413;
        case 335544321L:  // arith_except
            return -802;
        case 335544580L:  // dsql_relation_err
            return -204;
        case 335544578L:  // dsql_field_err
            return -206;
        case 335544634L:  // dsql_token_unk_err
            return -104;
        case 335544324L:  // bad_db_handle
        case 335544328L:  // bad_segstr_handle
        case 335544332L:  // bad_trans_handle
        case 335544323L:  // bad_db_format
        case 335544344L:  // io_error
        case 335544375L:  // unavailable
        case 335544421L:  // connect_reject
        case 335544472L:  // login
        case 335544528L:  // shutdown
        case 335544721L:  // network_error
        case 335544726L:  // net_read_err
        case 335544727L:  // net_write_err
        case 335544741L:  // lost_db_connection
        case 335544734L:  // wrong_ods
        case 335544325L:  // bad_dpb_content
            return -902;
        case 335544569L:  // dsql_error
            return -104;
        default:
            return 0;
    }
}

std::string FormatVector(IUtil* util, IMaster* master, const intptr_t* vector) {
    IStatus* st = master->getStatus();
    st->setErrors(vector);
    std::string text(2048, '\0');
    const unsigned n = util->formatStatus(text.data(), static_cast<unsigned>(text.size()), st);
    st->dispose();
    text.resize(std::min<std::size_t>(n, text.size()));
    if (auto z = text.find('\0'); z != std::string::npos)
        text.resize(z);
    return text;
}

// The SQL error text of an SQLCODE, from the client library's message file.
std::string SqlCodeText(const Client& client, long sqlCode) {
    if (sqlCode == 0)
        return {};
    const long number = sqlCode < 0 ? 1000 + sqlCode : sqlCode;
    if (number < 0 || number > 0x3FFF)
        return {};
    constexpr intptr_t kIscMask = 0x14000000;
    constexpr intptr_t kSqlFacility = 13;
    // Some of these texts name an object ("@1"); the SQLCODE alone carries none, so each
    // placeholder gets an empty text instead of the library's "missing argument" remark.
    static const char kNone[] = "";
    const auto none = reinterpret_cast<intptr_t>(kNone);
    const intptr_t vector[] = {kArgGds,    kIscMask | (kSqlFacility << 16) | number,
                               kArgString, none,
                               kArgString, none,
                               kArgString, none,
                               kArgString, none,
                               kArgString, none,
                               kArgEnd};
    std::string text = FormatVector(client.util, client.master, vector);
    if (text.rfind("unknown ISC error", 0) == 0 || text.rfind("Unknown ISC error", 0) == 0 ||
        text.find("not found") != std::string::npos)
        return {};
    return text;
}

void AppendPiece(std::string& out, std::string piece) {
    while (!piece.empty() && static_cast<unsigned char>(piece.back()) <= 32)
        piece.pop_back();
    std::size_t start = 0;
    while (start < piece.size() && static_cast<unsigned char>(piece[start]) <= 32)
        ++start;
    piece.erase(0, start);
    if (piece.empty())
        return;
    if (piece[0] >= 'a' && piece[0] <= 'z')
        piece[0] = static_cast<char>(piece[0] - 'a' + 'A');
    if (piece.back() != '.')
        piece += '.';
    out += piece;
    out += "\r\n";
}

[[noreturn]] void RaiseStatus(const Client& client, IStatus* status, const std::string& path) {
    const intptr_t* v = status->getErrors();
    std::vector<long> gds;
    long sqlCode = 0;
    for (const intptr_t* p = v; p && *p != kArgEnd;) {
        const intptr_t tag = *p++;
        if (tag == kArgCString) {
            p += 2;
            continue;
        }
        const intptr_t arg = *p++;
        if (tag == kArgGds) {
            gds.push_back(static_cast<long>(arg));
            if (arg == kIscSqlerr && p[0] == kArgNumber && sqlCode == 0)
                sqlCode = static_cast<long>(p[1]);
        }
        (void)kArgString;
        (void)kArgInterpreted;
        (void)kArgSqlState;
    }
    if (sqlCode == 0)
        for (long code : gds)
            if ((sqlCode = SqlCodeOf(code)) != 0)
                break;

    std::string message = path + ":\r\n";
    AppendPiece(message, SqlCodeText(client, sqlCode));
    const std::string all = FormatVector(client.util, client.master, v);
    std::size_t pos = 0;
    while (pos <= all.size()) {
        std::size_t end = all.find('\n', pos);
        if (end == std::string::npos)
            end = all.size();
        std::string line = all.substr(pos, end - pos);
        if (!line.empty() && line[0] == '-')
            line.erase(0, 1);
        AppendPiece(message, line);
        pos = end + 1;
    }
    throw EFIBInterBaseError(message, static_cast<int>(sqlCode), std::move(gds));
}

[[noreturn]] void RaiseClosed(const std::string& path) {
    const auto dot = path.rfind('.');
    throw EDatabaseError((dot == std::string::npos ? path : path.substr(dot + 1)) +
                         ": Cannot perform this operation on a closed dataset");
}

std::string ShortName(const std::string& path) {
    const auto dot = path.rfind('.');
    return dot == std::string::npos ? path : path.substr(dot + 1);
}

// One prepared statement of a connection with its input and output messages.
struct Prepared {
    IStatement* stmt = nullptr;
    IMessageMetadata* inMeta = nullptr;
    IMessageMetadata* outMeta = nullptr;
    std::vector<unsigned char> inBuf;
    std::vector<unsigned> inOffsets;  // value offset per placeholder
    std::vector<unsigned> inNullOffsets;

    void Release() {
        if (outMeta)
            outMeta->release();
        if (inMeta)
            inMeta->release();
        if (stmt)
            stmt->release();
        stmt = nullptr;
        inMeta = outMeta = nullptr;
        inBuf.clear();
        inOffsets.clear();
        inNullOffsets.clear();
    }
};

struct Column {
    unsigned type = 0;
    int subType = 0;
    int scale = 0;
    unsigned length = 0;
    unsigned charSet = 0;
    unsigned offset = 0;
    unsigned nullOffset = 0;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// Shared state

struct DatabaseImpl {
    std::string componentPath;
    std::string dbName;
    std::vector<std::string> params{"lc_ctype=UTF-8", "password=vorplin", "user_name=SYSDBA"};
    Client* client = nullptr;
    IAttachment* att = nullptr;
    IStatus* status = nullptr;  // of the loaded library, made at the first open
    std::vector<TransactionImpl*> transactions;
    std::vector<DatasetImpl*> datasets;
    std::vector<QueryImpl*> queries;

    CheckStatusWrapper Status() { return CheckStatusWrapper(status); }
    void Check(CheckStatusWrapper& st, const std::string& path) {
        if (st.getState() & IStatus::STATE_ERRORS)
            RaiseStatus(*client, status, path);
    }
};

struct TransactionImpl {
    Database* db = nullptr;
    std::string componentPath;
    std::vector<std::string> params;
    ITransaction* tra = nullptr;

    void End(bool commit);
};

namespace {

template <typename T>
void Unregister(std::vector<T*>& list, T* item) {
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}

// Placeholders of a statement text: parameter names and prepared input message.
void Prepare(DatabaseImpl& d, ITransaction* tra, const std::string& path, const std::string& sql,
             const std::vector<std::string>& names, Prepared& p) {
    auto st = d.Status();
    p.stmt = d.att->prepare(&st, tra, static_cast<unsigned>(sql.size()), sql.c_str(), kDialect,
                            IStatement::PREPARE_PREFETCH_METADATA);
    d.Check(st, path);
    try {
        p.outMeta = p.stmt->getOutputMetadata(&st);
        d.Check(st, path);
        if (!names.empty()) {
            IMetadataBuilder* b =
                d.client->master->getMetadataBuilder(&st, static_cast<unsigned>(names.size()));
            d.Check(st, path);
            for (unsigned i = 0; i < names.size(); ++i) {
                b->setType(&st, i, kSqlLong + 1);
                b->setLength(&st, i, sizeof(std::int32_t));
                b->setScale(&st, i, 0);
            }
            p.inMeta = b->getMetadata(&st);
            b->release();
            d.Check(st, path);
            p.inBuf.assign(p.inMeta->getMessageLength(&st), 0);
            for (unsigned i = 0; i < names.size(); ++i) {
                p.inOffsets.push_back(p.inMeta->getOffset(&st, i));
                p.inNullOffsets.push_back(p.inMeta->getNullOffset(&st, i));
            }
            d.Check(st, path);
        }
    } catch (...) {
        p.Release();
        throw;
    }
}

void BindInts(Prepared& p, const std::vector<std::int32_t>& values) {
    for (std::size_t i = 0; i < p.inOffsets.size() && i < values.size(); ++i) {
        std::memcpy(p.inBuf.data() + p.inOffsets[i], &values[i], sizeof(std::int32_t));
        const std::int16_t notNull = 0;
        std::memcpy(p.inBuf.data() + p.inNullOffsets[i], &notNull, sizeof notNull);
    }
}

void SetParam(const std::vector<std::string>& names, std::vector<std::int32_t>& values,
              const std::string& path, const std::string& name, std::int32_t value) {
    bool found = false;
    for (std::size_t i = 0; i < names.size(); ++i)
        if (names[i] == name) {
            values[i] = value;
            found = true;
        }
    if (!found)
        throw EDatabaseError(ShortName(path) + ": Parameter \"" + name + "\" not found");
}

}  // namespace

// What a dataset and a statement share: their connection and transaction, the text as written
// and as it goes to the server, the parameters by name, and the statement prepared once.
struct StatementPart {
    Database* db = nullptr;
    Transaction* tr = nullptr;
    std::string componentPath;
    std::string text;
    std::string preparedText;
    std::vector<std::string> paramNames;
    std::vector<std::int32_t> paramValues;
    Prepared prepared;

    void Init(Database& database, Transaction& transaction, std::string path, std::string sql) {
        db = &database;
        tr = &transaction;
        componentPath = std::move(path);
        text = std::move(sql);
        preparedText = text;
        paramNames = PrepareParameterText(preparedText);
        paramValues.assign(paramNames.size(), 0);
    }
};

struct DatasetImpl : StatementPart {
    IResultSet* cursor = nullptr;
    bool active = false;
    bool unidirectional = false;
    bool eof = true;
    bool fetchedAll = true;
    std::vector<FieldDef> fields;
    std::vector<Column> columns;
    std::vector<unsigned char> outBuf;
    std::vector<std::vector<Value>> rows;  // buffered rows; one reused row when unidirectional
    std::size_t current = 0;               // index in rows (buffered)
    int recNo = 0;
    bool moved = false;

    void CloseCursor(bool quiet);
    bool FetchOne(std::vector<Value>& row);
    void ConvertRow(std::vector<Value>& row);
};

struct QueryImpl : StatementPart {
    bool autoCommit = true;
};

// ---------------------------------------------------------------------------------------------
// Parameter text

std::vector<std::string> PrepareParameterText(std::string& sql) {
    std::vector<std::string> names;
    const std::size_t n = sql.size();
    std::size_t i = 0;
    auto isIdent = [](char c) {
        return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
               c == '_' || c == '$';
    };
    while (i < n) {
        const char c = sql[i];
        if (c == '\'') {  // string literal, '' inside
            ++i;
            while (i < n) {
                if (sql[i] == '\'') {
                    if (i + 1 < n && sql[i + 1] == '\'') {
                        i += 2;
                        continue;
                    }
                    break;
                }
                ++i;
            }
            ++i;
        } else if (c == '"') {  // quoted name
            const auto end = sql.find('"', i + 1);
            i = end == std::string::npos ? n : end + 1;
        } else if (c == '-' && i + 1 < n && sql[i + 1] == '-') {
            const auto end = sql.find('\n', i);
            i = end == std::string::npos ? n : end + 1;
        } else if (c == '/' && i + 1 < n && sql[i + 1] == '*') {
            const auto end = sql.find("*/", i + 2);
            i = end == std::string::npos ? n : end + 2;
        } else if (c == ':' && i + 1 < n && sql[i + 1] == '"') {
            const auto end = sql.find('"', i + 2);
            if (end == std::string::npos)
                break;  // unterminated: left for the server to refuse
            names.push_back(sql.substr(i + 2, end - i - 2));
            sql[i] = '?';
            std::fill(sql.begin() + static_cast<std::ptrdiff_t>(i + 1),
                      sql.begin() + static_cast<std::ptrdiff_t>(end + 1), ' ');
            i = end + 1;
        } else if (c == ':' && i + 1 < n && isIdent(sql[i + 1]) &&
                   !(sql[i + 1] >= '0' && sql[i + 1] <= '9')) {
            std::size_t end = i + 1;
            while (end < n && isIdent(sql[end]))
                ++end;
            names.push_back(sql.substr(i + 1, end - i - 1));
            sql[i] = '?';
            std::fill(sql.begin() + static_cast<std::ptrdiff_t>(i + 1),
                      sql.begin() + static_cast<std::ptrdiff_t>(end), ' ');
            i = end;
        } else {
            ++i;
        }
    }
    return names;
}

const char* DefaultLibraryName() {
#ifdef _WIN32
    return "fbclient.dll";
#else
    return "libfbclient.so.2";
#endif
}

// ---------------------------------------------------------------------------------------------
// Database

Database::Database(std::string componentPath)
    : LibraryName(DefaultLibraryName()), fImpl(std::make_unique<DatabaseImpl>()) {
    fImpl->componentPath = std::move(componentPath);
}

Database::~Database() {
    Close();
    for (auto* t : fImpl->transactions)
        t->db = nullptr;
    for (auto* d : fImpl->datasets)
        d->db = nullptr;
    for (auto* q : fImpl->queries)
        q->db = nullptr;
    if (fImpl->status)
        fImpl->status->dispose();
}

void Database::SetDBName(const std::string& target) {
    if (Connected())
        throw EDatabaseError(ShortName(fImpl->componentPath) +
                             ": Cannot perform this operation on an active connection");
    fImpl->dbName = target;
}
const std::string& Database::DBName() const {
    return fImpl->dbName;
}
const std::vector<std::string>& Database::DBParams() const {
    return fImpl->params;
}
void Database::SetDBParams(std::vector<std::string> lines) {
    if (Connected())
        throw EDatabaseError(ShortName(fImpl->componentPath) +
                             ": Cannot perform this operation on an active connection");
    fImpl->params = std::move(lines);
}
bool Database::Connected() const {
    return fImpl->att != nullptr;
}
DatabaseImpl& Database::Impl() {
    return *fImpl;
}
const std::string& Database::ComponentPath() const {
    return fImpl->componentPath;
}

void Database::Open() {
    auto& d = *fImpl;
    if (d.att)
        return;
    Client& client = LoadClient(LibraryName);
    if (d.client != &client) {
        if (d.status)
            d.status->dispose();
        d.client = &client;
        d.status = client.master->getStatus();
    }
    std::vector<unsigned char> dpb{kDpbVersion1};
    for (const auto& line : d.params) {
        const auto eq = line.find('=');
        const std::string key = line.substr(0, eq);
        const std::string value = eq == std::string::npos ? std::string() : line.substr(eq + 1);
        unsigned char item = 0;
        if (key == "lc_ctype")
            item = kDpbLcCtype;
        else if (key == "password")
            item = kDpbPassword;
        else if (key == "user_name")
            item = kDpbUserName;
        else
            continue;
        dpb.push_back(item);
        dpb.push_back(static_cast<unsigned char>(std::min<std::size_t>(value.size(), 255)));
        dpb.insert(
            dpb.end(), value.begin(),
            value.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(value.size(), 255)));
    }
    auto st = d.Status();
    IAttachment* att = client.provider->attachDatabase(
        &st, d.dbName.c_str(), static_cast<unsigned>(dpb.size()), dpb.data());
    if (st.getState() & IStatus::STATE_ERRORS) {
        if (att)
            att->release();
        RaiseStatus(client, d.status, d.componentPath);
    }
    d.att = att;
}

void Database::Close() {
    auto& d = *fImpl;
    if (!d.att)
        return;
    auto st = d.Status();
    for (auto* ds : d.datasets) {
        ds->CloseCursor(true);
        ds->prepared.Release();
        ds->active = false;
    }
    for (auto* q : d.queries)
        q->prepared.Release();
    for (auto* t : d.transactions) {
        if (!t->tra)
            continue;
        t->tra->rollback(&st);
        if (st.getState() & IStatus::STATE_ERRORS)
            t->tra->release();
        t->tra = nullptr;
    }
    d.att->detach(&st);
    if (st.getState() & IStatus::STATE_ERRORS)
        d.att->release();
    d.att = nullptr;
}

// ---------------------------------------------------------------------------------------------
// Transaction

Transaction::Transaction(Database& db, std::string componentPath, std::vector<std::string> params)
    : fImpl(std::make_unique<TransactionImpl>()) {
    fImpl->db = &db;
    fImpl->componentPath = std::move(componentPath);
    fImpl->params = std::move(params);
    db.Impl().transactions.push_back(fImpl.get());
}

Transaction::~Transaction() {
    auto& t = *fImpl;
    if (!t.db)
        return;
    auto& d = t.db->Impl();
    if (t.tra) {
        auto st = d.Status();
        t.tra->rollback(&st);
        if (st.getState() & IStatus::STATE_ERRORS)
            t.tra->release();
        t.tra = nullptr;
    }
    Unregister(d.transactions, fImpl.get());
}

const std::vector<std::string>& Transaction::TRParams() const {
    return fImpl->params;
}
bool Transaction::Active() const {
    return fImpl->tra != nullptr;
}
TransactionImpl& Transaction::Impl() {
    return *fImpl;
}

std::vector<std::uint8_t> Transaction::ParameterBlock() const {
    static const std::map<std::string, std::uint8_t> kItems = {
        {"consistency", 1},
        {"concurrency", 2},
        {"shared", 3},
        {"protected", 4},
        {"exclusive", 5},
        {"wait", 6},
        {"nowait", 7},
        {"read", 8},
        {"write", 9},
        {"lock_read", 10},
        {"lock_write", 11},
        {"verb_time", 12},
        {"commit_time", 13},
        {"ignore_limbo", 14},
        {"read_committed", 15},
        {"autocommit", 16},
        {"rec_version", 17},
        {"no_rec_version", 18},
        {"restart_requests", 19},
        {"no_auto_undo", 20},
    };
    std::vector<std::uint8_t> tpb{kTpbVersion3};
    for (const auto& p : fImpl->params) {
        auto it = kItems.find(p);
        if (it == kItems.end())
            throw EDatabaseError(ShortName(fImpl->componentPath) +
                                 ": Unknown transaction parameter \"" + p + "\"");
        tpb.push_back(it->second);
    }
    return tpb;
}

void Transaction::StartTransaction() {
    auto& t = *fImpl;
    if (t.tra)
        return;
    if (!t.db || !t.db->Connected())
        throw EDatabaseError(ShortName(t.componentPath) + ": Database not connected");
    auto& d = t.db->Impl();
    const auto tpb = ParameterBlock();
    auto st = d.Status();
    ITransaction* tra = d.att->startTransaction(&st, static_cast<unsigned>(tpb.size()), tpb.data());
    d.Check(st, t.componentPath);
    t.tra = tra;
}

// Commit or rollback; either ends the transaction. A failure leaves it active.
void TransactionImpl::End(bool commit) {
    if (!tra)
        throw EDatabaseError(ShortName(componentPath) + ": Transaction is not active");
    auto& d = db->Impl();
    auto st = d.Status();
    if (commit)
        tra->commit(&st);
    else
        tra->rollback(&st);
    d.Check(st, componentPath);
    tra = nullptr;
}

void Transaction::Commit() {
    fImpl->End(true);
}

void Transaction::Rollback() {
    fImpl->End(false);
}

// ---------------------------------------------------------------------------------------------
// Dataset

void DatasetImpl::CloseCursor(bool quiet) {
    if (!cursor)
        return;
    auto& d = db->Impl();
    auto st = d.Status();
    IResultSet* c = cursor;
    cursor = nullptr;
    c->close(&st);
    if (st.getState() & IStatus::STATE_ERRORS) {
        c->release();
        if (!quiet)
            RaiseStatus(*d.client, d.status, componentPath);
    }
}

void DatasetImpl::ConvertRow(std::vector<Value>& row) {
    row.resize(columns.size());
    const unsigned char* buf = outBuf.data();
    auto& d = db->Impl();
    for (std::size_t i = 0; i < columns.size(); ++i) {
        const Column& c = columns[i];
        Value& v = row[i];
        std::int16_t isNull;
        std::memcpy(&isNull, buf + c.nullOffset, sizeof isNull);
        if (isNull) {
            v.emplace<std::monostate>();
            continue;
        }
        const unsigned char* p = buf + c.offset;
        auto setText = [&v](const char* s, std::size_t n) {
            if (auto* str = std::get_if<std::string>(&v))
                str->assign(s, n);
            else
                v.emplace<std::string>(s, n);
        };
        auto setInt = [&](std::int64_t x) {
            if (c.scale < 0) {
                // One division by an exact power of ten: 7 at scale -2 reads as 0.07 exactly
                // as the literal does, not a bit off as repeated divisions would make it.
                static constexpr double kPowers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,
                                                     1e7,  1e8,  1e9,  1e10, 1e11, 1e12, 1e13,
                                                     1e14, 1e15, 1e16, 1e17, 1e18};
                const int digits = std::min(-c.scale, 18);
                v = static_cast<double>(x) / kPowers[digits];
            } else {
                v = x;
            }
        };
        switch (c.type) {
            case kSqlShort: {
                std::int16_t x;
                std::memcpy(&x, p, sizeof x);
                setInt(x);
                break;
            }
            case kSqlLong: {
                std::int32_t x;
                std::memcpy(&x, p, sizeof x);
                setInt(x);
                break;
            }
            case kSqlInt64: {
                std::int64_t x;
                std::memcpy(&x, p, sizeof x);
                setInt(x);
                break;
            }
            case kSqlBoolean:
                v = static_cast<std::int64_t>(*p != 0);
                break;
            case kSqlFloat: {
                float x;
                std::memcpy(&x, p, sizeof x);
                v = static_cast<double>(x);
                break;
            }
            case kSqlDouble:
            case kSqlDFloat: {
                double x;
                std::memcpy(&x, p, sizeof x);
                v = x;
                break;
            }
            case kSqlText: {
                std::size_t n = c.length;
                if (c.charSet != 1)  // CHAR padding goes, except for binary text
                    while (n > 0 && p[n - 1] == ' ')
                        --n;
                setText(reinterpret_cast<const char*>(p), n);
                break;
            }
            case kSqlVarying: {
                std::uint16_t n;
                std::memcpy(&n, p, sizeof n);
                setText(reinterpret_cast<const char*>(p + 2), n);
                break;
            }
            case kSqlTypeDate:
            case kSqlTypeTime:
            case kSqlTimestamp: {
                unsigned y = 0, mo = 0, dd = 0, h = 0, mi = 0, s = 0, fr = 0;
                ISC_DATE date = 0;
                ISC_TIME time = 0;
                if (c.type == kSqlTypeDate)
                    std::memcpy(&date, p, sizeof date);
                else if (c.type == kSqlTypeTime)
                    std::memcpy(&time, p, sizeof time);
                else {
                    std::memcpy(&date, p, sizeof date);
                    std::memcpy(&time, p + sizeof date, sizeof time);
                }
                char out[40];
                int len = 0;
                if (c.type != kSqlTypeTime)
                    d.client->util->decodeDate(date, &y, &mo, &dd);
                if (c.type != kSqlTypeDate)
                    d.client->util->decodeTime(time, &h, &mi, &s, &fr);
                if (c.type == kSqlTypeDate)
                    len = std::snprintf(out, sizeof out, "%02u.%02u.%04u", dd, mo, y);
                else if (c.type == kSqlTypeTime)
                    len = std::snprintf(out, sizeof out, "%02u:%02u:%02u", h, mi, s);
                else
                    len = std::snprintf(out, sizeof out, "%02u.%02u.%04u %02u:%02u:%02u", dd, mo, y,
                                        h, mi, s);
                setText(out, static_cast<std::size_t>(std::max(len, 0)));
                break;
            }
            case kSqlBlob: {
                ISC_QUAD id;
                std::memcpy(&id, p, sizeof id);
                auto st = d.Status();
                IBlob* blob = d.att->openBlob(&st, tr->Impl().tra, &id, 0, nullptr);
                d.Check(st, componentPath);
                std::string data;
                char chunk[16384];
                for (;;) {
                    unsigned got = 0;
                    const int r = blob->getSegment(&st, sizeof chunk, chunk, &got);
                    if (r == IStatus::RESULT_OK || r == IStatus::RESULT_SEGMENT) {
                        data.append(chunk, got);
                        continue;
                    }
                    break;
                }
                const bool failed = st.getState() & IStatus::STATE_ERRORS;
                if (failed) {
                    blob->release();
                    RaiseStatus(*d.client, d.status, componentPath);
                }
                blob->close(&st);
                if (st.getState() & IStatus::STATE_ERRORS)
                    blob->release();
                v = std::move(data);
                break;
            }
            default:
                v.emplace<std::monostate>();
                break;
        }
    }
}

// Fetches the next row from the server into `row`; false at the end of the result.
bool DatasetImpl::FetchOne(std::vector<Value>& row) {
    if (fetchedAll || !cursor)
        return false;
    auto& d = db->Impl();
    auto st = d.Status();
    const int r = cursor->fetchNext(&st, outBuf.data());
    if (st.getState() & IStatus::STATE_ERRORS)
        RaiseStatus(*d.client, d.status, componentPath);
    if (r != IStatus::RESULT_OK) {
        fetchedAll = true;
        return false;
    }
    ConvertRow(row);
    return true;
}

Dataset::Dataset(Database& db, Transaction& tr, std::string componentPath, std::string selectSQL)
    : fImpl(std::make_unique<DatasetImpl>()) {
    fImpl->Init(db, tr, std::move(componentPath), std::move(selectSQL));
    db.Impl().datasets.push_back(fImpl.get());
}

Dataset::~Dataset() {
    auto& s = *fImpl;
    if (!s.db)
        return;
    s.CloseCursor(true);
    s.prepared.Release();
    Unregister(s.db->Impl().datasets, fImpl.get());
}

const std::string& Dataset::SelectSQL() const {
    return fImpl->text;
}

void Dataset::SetParamInt(const std::string& name, std::int32_t value) {
    auto& s = *fImpl;
    if (s.active)
        throw EDatabaseError(ShortName(s.componentPath) +
                             ": Cannot perform this operation on an open dataset");
    SetParam(s.paramNames, s.paramValues, s.componentPath, name, value);
}

void Dataset::Open() {
    auto& s = *fImpl;
    if (s.active)
        return;
    if (!s.db || !s.db->Connected())
        throw EDatabaseError(ShortName(s.componentPath) + ": Database not connected");
    auto& d = s.db->Impl();
    if (!s.tr->Active())
        s.tr->StartTransaction();
    ITransaction* tra = s.tr->Impl().tra;
    if (!s.prepared.stmt) {
        Prepare(d, tra, s.componentPath, s.preparedText, s.paramNames, s.prepared);
        // Fields named by their aliases; a name already taken gets the first free number.
        auto st = d.Status();
        IMessageMetadata* m = s.prepared.outMeta;
        const unsigned n = m->getCount(&st);
        s.fields.clear();
        s.columns.clear();
        for (unsigned i = 0; i < n; ++i) {
            Column c;
            c.type = m->getType(&st, i) & ~1u;
            c.subType = m->getSubType(&st, i);
            c.scale = m->getScale(&st, i);
            c.length = m->getLength(&st, i);
            c.charSet = m->getCharSet(&st, i);
            c.offset = m->getOffset(&st, i);
            c.nullOffset = m->getNullOffset(&st, i);
            FieldDef f;
            const char* alias = m->getAlias(&st, i);
            std::string name = alias && *alias ? alias : m->getField(&st, i);
            auto taken = [&s](const std::string& x) {
                return std::any_of(s.fields.begin(), s.fields.end(),
                                   [&](const FieldDef& e) { return e.name == x; });
            };
            if (taken(name)) {
                for (int k = 1;; ++k)
                    if (!taken(name + std::to_string(k))) {
                        name += std::to_string(k);
                        break;
                    }
            }
            f.name = std::move(name);
            f.required = !m->isNullable(&st, i);
            switch (c.type) {
                case kSqlShort:
                    f.type = c.scale < 0 ? FieldType::Numeric : FieldType::SmallInt;
                    break;
                case kSqlLong:
                    f.type = c.scale < 0 ? FieldType::Numeric : FieldType::Integer;
                    break;
                case kSqlInt64:
                    f.type = c.scale < 0 ? FieldType::Numeric : FieldType::BigInt;
                    break;
                case kSqlBoolean:
                    f.type = FieldType::SmallInt;
                    break;
                case kSqlFloat:
                    f.type = FieldType::Float;
                    break;
                case kSqlDouble:
                case kSqlDFloat:
                    f.type = FieldType::Double;
                    break;
                case kSqlTypeDate:
                case kSqlTypeTime:
                case kSqlTimestamp:
                    f.type = FieldType::DateTime;
                    break;
                case kSqlBlob:
                    f.type = FieldType::Blob;
                    break;
                default: {
                    f.type = FieldType::Text;
                    const unsigned bytesPerChar = c.charSet == 4 ? 4 : c.charSet == 3 ? 3 : 1;
                    f.size = static_cast<int>(c.length / bytesPerChar);
                }
            }
            f.scale = c.scale < 0 ? -c.scale : 0;
            s.fields.push_back(std::move(f));
            s.columns.push_back(c);
        }
        s.outBuf.assign(m->getMessageLength(&st), 0);
        if (st.getState() & IStatus::STATE_ERRORS) {
            s.prepared.Release();
            RaiseStatus(*d.client, d.status, s.componentPath);
        }
    }
    BindInts(s.prepared, s.paramValues);
    auto st = d.Status();
    s.cursor = s.prepared.stmt->openCursor(
        &st, tra, s.prepared.inMeta, s.prepared.inBuf.empty() ? nullptr : s.prepared.inBuf.data(),
        s.prepared.outMeta, 0);
    d.Check(st, s.componentPath);
    s.active = true;
    s.fetchedAll = false;
    s.moved = false;
    s.current = 0;
    if (!s.unidirectional)
        s.rows.clear();
    else
        s.rows.resize(1);
    try {
        if (s.unidirectional) {
            s.eof = !s.FetchOne(s.rows[0]);
        } else {
            std::vector<Value> row;
            s.eof = !s.FetchOne(row);
            if (!s.eof)
                s.rows.push_back(std::move(row));
        }
    } catch (...) {
        s.CloseCursor(true);
        s.active = false;
        throw;
    }
    s.recNo = s.eof ? 0 : 1;
}

void Dataset::Close() {
    auto& s = *fImpl;
    if (!s.active)
        return;
    s.active = false;
    s.eof = true;
    s.recNo = 0;
    s.rows.clear();
    if (s.db && s.db->Connected())
        s.CloseCursor(false);
}

bool Dataset::Active() const {
    return fImpl->active;
}
const std::vector<FieldDef>& Dataset::Fields() const {
    return fImpl->fields;
}

int Dataset::FieldIndex(const std::string& name) const {
    const auto& f = fImpl->fields;
    for (std::size_t i = 0; i < f.size(); ++i)
        if (f[i].name == name)
            return static_cast<int>(i);
    return -1;
}

void Dataset::First() {
    auto& s = *fImpl;
    if (!s.active)
        RaiseClosed(s.componentPath);
    if (s.unidirectional) {
        if (s.moved)
            throw EDatabaseError(ShortName(s.componentPath) +
                                 ": Operation not allowed on a unidirectional dataset");
        return;
    }
    s.current = 0;
    s.eof = s.rows.empty();
    s.recNo = s.eof ? 0 : 1;
}

void Dataset::Next() {
    auto& s = *fImpl;
    if (!s.active)
        RaiseClosed(s.componentPath);
    if (s.eof)
        return;
    s.moved = true;
    if (s.unidirectional) {
        if (s.FetchOne(s.rows[0]))
            ++s.recNo;
        else
            s.eof = true;
        return;
    }
    if (s.current + 1 < s.rows.size()) {
        ++s.current;
        ++s.recNo;
        return;
    }
    std::vector<Value> row;
    if (s.FetchOne(row)) {
        s.rows.push_back(std::move(row));
        ++s.current;
        ++s.recNo;
    } else {
        s.eof = true;  // the current row stays the last one
    }
}

bool Dataset::Eof() const {
    return fImpl->eof;
}
int Dataset::RecNo() const {
    return fImpl->recNo;
}

bool Dataset::Locate(const std::string& field, std::int64_t key) {
    auto& s = *fImpl;
    if (!s.active)
        RaiseClosed(s.componentPath);
    const int idx = FieldIndex(field);
    if (idx < 0)
        throw EDatabaseError(ShortName(s.componentPath) + ": Field '" + field + "' not found");
    if (s.unidirectional)
        throw EDatabaseError(ShortName(s.componentPath) +
                             ": Operation not allowed on a unidirectional dataset");
    for (std::size_t i = 0;; ++i) {
        if (i == s.rows.size()) {
            std::vector<Value> row;
            if (!s.FetchOne(row))
                return false;
            s.rows.push_back(std::move(row));
        }
        const Value& v = s.rows[i][static_cast<std::size_t>(idx)];
        if (!IsNull(v) && ValueAsInt64(v) == key) {
            s.current = i;
            s.recNo = static_cast<int>(i) + 1;
            s.eof = false;
            return true;
        }
    }
}

const std::vector<Value>& Dataset::CurrentRow() const {
    auto& s = *fImpl;
    if (!s.active)
        RaiseClosed(s.componentPath);
    static const std::vector<Value> kEmpty;
    if (s.rows.empty() || s.recNo == 0)
        return kEmpty;
    return s.unidirectional ? s.rows[0] : s.rows[s.current];
}

const Value& Dataset::FieldValue(int index) const {
    auto& s = *fImpl;
    const auto& row = CurrentRow();
    if (index < 0 || index >= static_cast<int>(s.fields.size()))
        throw EDatabaseError(ShortName(s.componentPath) + ": Field index out of range");
    static const Value kNull;
    if (row.empty())
        return kNull;  // no current row: every field reads as empty
    return row[static_cast<std::size_t>(index)];
}

std::int64_t Dataset::FieldAsInteger(const std::string& name) const {
    const int idx = FieldIndex(name);
    if (idx < 0)
        throw EDatabaseError(ShortName(fImpl->componentPath) + ": Field '" + name + "' not found");
    return ValueAsInt64(FieldValue(idx));
}

std::string Dataset::FieldAsString(const std::string& name) const {
    const int idx = FieldIndex(name);
    if (idx < 0)
        throw EDatabaseError(ShortName(fImpl->componentPath) + ": Field '" + name + "' not found");
    return ValueAsString(FieldValue(idx));
}

void Dataset::SetUnidirectional(bool on) {
    auto& s = *fImpl;
    if (s.active)
        throw EDatabaseError(ShortName(s.componentPath) +
                             ": Cannot perform this operation on an open dataset");
    s.unidirectional = on;
}

// ---------------------------------------------------------------------------------------------
// Query

Query::Query(Database& db, Transaction& tr, std::string componentPath, std::string sql)
    : fImpl(std::make_unique<QueryImpl>()) {
    fImpl->Init(db, tr, std::move(componentPath), std::move(sql));
    db.Impl().queries.push_back(fImpl.get());
}

Query::~Query() {
    auto& q = *fImpl;
    if (!q.db)
        return;
    q.prepared.Release();
    Unregister(q.db->Impl().queries, fImpl.get());
}

const std::string& Query::SQL() const {
    return fImpl->text;
}

void Query::SetParamInt(const std::string& name, std::int32_t value) {
    auto& q = *fImpl;
    SetParam(q.paramNames, q.paramValues, q.componentPath, name, value);
}

void Query::ExecQuery() {
    auto& q = *fImpl;
    if (!q.db || !q.db->Connected())
        throw EDatabaseError(ShortName(q.componentPath) + ": Database not connected");
    auto& d = q.db->Impl();
    if (!q.tr->Active())
        q.tr->StartTransaction();
    ITransaction* tra = q.tr->Impl().tra;
    if (!q.prepared.stmt)
        Prepare(d, tra, q.componentPath, q.preparedText, q.paramNames, q.prepared);
    BindInts(q.prepared, q.paramValues);
    auto st = d.Status();
    q.prepared.stmt->execute(&st, tra, q.prepared.inMeta,
                             q.prepared.inBuf.empty() ? nullptr : q.prepared.inBuf.data(), nullptr,
                             nullptr);
    // A failure goes to the caller with the transaction left as it is.
    d.Check(st, q.componentPath);
    if (q.autoCommit)
        q.tr->Commit();
}

void Query::SetAutoCommit(bool on) {
    fImpl->autoCommit = on;
}

}  // namespace rm::fb
