// A thin data-access layer over the Firebird client library's OO API: one connection,
// transactions with fixed parameter blocks, datasets (prepared query, cursor, buffered rows,
// fields by name) and a statement that commits after each execution.
//
// The client library is loaded by file name at the first Open() of a connection, never at
// start-up; a failed load is retried at the next Open(). Every failure reported by the
// library or the server raises EFIBInterBaseError; a failed load raises EOSError.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Errors.h"
#include "Value.h"

namespace rm::fb {

// Default client library file name of this platform.
const char* DefaultLibraryName();  // "libfbclient.so.2" on Linux, "fbclient.dll" on Windows

class Transaction;
class Dataset;
class Query;
struct DatabaseImpl;

class Database {
  public:
    // componentPath: full component name used as the first line of error messages,
    // e.g. "RatemendForm.Database".
    explicit Database(std::string componentPath = "RatemendForm.Database");
    ~Database();  // Close(); never throws
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    // Connection target: path alone or host:path (host/port:path too). Only while closed.
    void SetDBName(const std::string& target);
    const std::string& DBName() const;
    // The attach parameter lines, in order: "lc_ctype=UTF-8", "password=...", "user_name=SYSDBA".
    const std::vector<std::string>& DBParams() const;
    // Replaces the attach parameter lines (known names: lc_ctype, password, user_name). Only
    // while closed. The utility keeps the defaults; tests use it to be refused a login.
    void SetDBParams(std::vector<std::string> lines);
    int SQLDialect() const { return 3; }
    std::string LibraryName;  // defaults to DefaultLibraryName()

    // Loads the library when needed, attaches. Throws EOSError / EFIBInterBaseError and stays
    // closed on failure.
    void Open();
    bool Connected() const;
    // Closes every open dataset's cursor, rolls back every active transaction, detaches.
    // Never throws (errors on a lost connection are dropped: the attachment is gone anyway).
    void Close();

    DatabaseImpl& Impl();  // for the layer's own classes
    const std::string& ComponentPath() const;

  private:
    friend class Transaction;
    friend class Dataset;
    friend class Query;
    std::unique_ptr<DatabaseImpl> fImpl;
};

struct TransactionImpl;
class Transaction {
  public:
    // params: the parameter lines, e.g. {"read","nowait","rec_version","read_committed"};
    // they map to isc_tpb_version3 followed by one byte each, in order.
    Transaction(Database& db, std::string componentPath, std::vector<std::string> params);
    ~Transaction();
    const std::vector<std::string>& TRParams() const;
    std::vector<std::uint8_t> ParameterBlock() const;
    bool Active() const;
    void StartTransaction();
    void Commit();    // full commit: ends the transaction
    void Rollback();  // ends the transaction
    TransactionImpl& Impl();

  private:
    std::unique_ptr<TransactionImpl> fImpl;
};

// Replaces every :"Name" parameter reference by "?" followed by blanks (the text keeps its
// length) and returns the parameter names in order of their placeholders.
std::vector<std::string> PrepareParameterText(std::string& sql);

struct DatasetImpl;
// A query with buffered rows: rows are fetched from the server as they are reached and kept,
// so the current row can move back (First) and be located by key.
class Dataset {
  public:
    Dataset(Database& db, Transaction& tr, std::string componentPath, std::string selectSQL);
    ~Dataset();
    const std::string& SelectSQL() const;

    // Integer parameter by name (case-sensitive); only while closed.
    void SetParamInt(const std::string& name, std::int32_t value);

    // Starts the transaction if not active, prepares on the first open in a connection,
    // executes, positions on the first row (fetched).
    void Open();
    void Close();  // ends the result; the transaction stays active
    bool Active() const;

    // Fields of the result, named by aliases; a repeated name gets 1, 2, ... (NdsID1).
    const std::vector<FieldDef>& Fields() const;
    int FieldIndex(const std::string& name) const;  // -1 when absent

    void First();
    void Next();
    bool Eof() const;   // past the last row
    int RecNo() const;  // 1-based index of the current row, 0 when empty
    // Moves to the first row whose field equals key (fetches as far as needed). False and the
    // current row unchanged when there is none.
    bool Locate(const std::string& field, std::int64_t key);

    const Value& FieldValue(int index) const;
    const std::vector<Value>& CurrentRow() const;
    std::int64_t FieldAsInteger(const std::string& name) const;
    std::string FieldAsString(const std::string& name) const;

    // When set (before Open), rows are not kept: only the current row lives, and First() is
    // allowed only before the first Next(). For copying a large result once.
    void SetUnidirectional(bool on);

  private:
    std::unique_ptr<DatasetImpl> fImpl;
};

struct QueryImpl;
// An update statement with start-transaction and full commit after each successful execution.
// A failed execution raises; nothing is committed or rolled back and the transaction stays
// active, so the next successful execution commits it.
class Query {
  public:
    Query(Database& db, Transaction& tr, std::string componentPath, std::string sql);
    ~Query();
    const std::string& SQL() const;
    void SetParamInt(const std::string& name, std::int32_t value);
    void ExecQuery();
    // On by default. Off: a successful execution leaves its transaction open (tests use it to
    // hold a row locked from another attachment).
    void SetAutoCommit(bool on);

  private:
    std::unique_ptr<QueryImpl> fImpl;
};

}  // namespace rm::fb
