#include "TestDb.h"

#include "BareClient.h"

#include <dlfcn.h>
#include <firebird/Interface.h>
#include <ibase.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <vector>

namespace rm::test {

namespace fs = std::filesystem;
using namespace Firebird;

using bare::AddString;
using bare::Master;
using bare::Status;

namespace {

constexpr const char* kUser = "SYSDBA";
constexpr const char* kPassword = "vorplin";

std::vector<unsigned char> BaseDpb() {
    std::vector<unsigned char> dpb{isc_dpb_version1};
    AddString(dpb, isc_dpb_user_name, kUser);
    AddString(dpb, isc_dpb_password, kPassword);
    AddString(dpb, isc_dpb_lc_ctype, "UTF8");
    return dpb;
}

IAttachment* Attach(const std::string& target) {
    Status st;
    const auto dpb = BaseDpb();
    IAttachment* att = Master()->getDispatcher()->attachDatabase(
        &st, target.c_str(), static_cast<unsigned>(dpb.size()), dpb.data());
    st.Check("attach " + target);
    return att;
}

IAttachment* Create(const std::string& target, int dialect) {
    Status st;
    auto dpb = BaseDpb();
    dpb.insert(dpb.end(), {isc_dpb_sql_dialect, 4, static_cast<unsigned char>(dialect), 0, 0, 0});
    AddString(dpb, isc_dpb_set_db_charset, "UTF8");
    dpb.insert(dpb.end(), {isc_dpb_force_write, 1, 0});  // test data need no synchronous writes
    dpb.insert(dpb.end(), {isc_dpb_page_size, 4, 0x00, 0x20, 0, 0});  // 8 KiB
    IAttachment* att = Master()->getDispatcher()->createDatabase(
        &st, target.c_str(), static_cast<unsigned>(dpb.size()), dpb.data());
    st.Check("create " + target);
    return att;
}

void Detach(IAttachment* att) {
    Status st;
    att->detach(&st);
    st.Check("detach");
}

std::vector<std::string> SplitStatements(const std::string& sql) {
    std::vector<std::string> out;
    std::string cur;
    std::istringstream in(sql);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        std::string trimmed = line;
        while (!trimmed.empty() && (trimmed.back() == ' ' || trimmed.back() == '\t'))
            trimmed.pop_back();
        const auto first = trimmed.find_first_not_of(" \t");
        if (first != std::string::npos && trimmed.compare(first, 2, "--") == 0)
            continue;
        if (!trimmed.empty() && trimmed.back() == ';') {
            trimmed.pop_back();
            cur += trimmed;
            if (cur.find_first_not_of(" \t\r\n") != std::string::npos)
                out.push_back(cur);
            cur.clear();
        } else {
            cur += line;
            cur += '\n';
        }
    }
    if (cur.find_first_not_of(" \t\r\n") != std::string::npos)
        out.push_back(cur);
    return out;
}

bool IsDdl(const std::string& stmt) {
    const auto first = stmt.find_first_not_of(" \t\r\n");
    if (first == std::string::npos)
        return false;
    std::string word;
    for (auto i = first; i < stmt.size() && std::isalpha(static_cast<unsigned char>(stmt[i])); ++i)
        word += static_cast<char>(std::tolower(static_cast<unsigned char>(stmt[i])));
    return word == "create" || word == "alter" || word == "drop" || word == "recreate" ||
           word == "grant" || word == "revoke" || word == "comment";
}

// Runs the statements: plain statements share one transaction, each DDL statement is
// committed on its own so that the statements after it can use what it made.
void Run(IAttachment* att, const std::string& sql, int dialect) {
    Status st;
    ITransaction* tra = nullptr;
    auto commit = [&] {
        if (!tra)
            return;
        tra->commit(&st);
        st.Check("commit");
        tra = nullptr;
    };
    try {
        for (const auto& stmt : SplitStatements(sql)) {
            const bool ddl = IsDdl(stmt);
            if (ddl)
                commit();
            if (!tra) {
                tra = att->startTransaction(&st, 0, nullptr);
                st.Check("start transaction");
            }
            att->execute(&st, tra, 0, stmt.c_str(), static_cast<unsigned>(dialect), nullptr,
                         nullptr, nullptr, nullptr);
            st.Check(stmt);
            if (ddl)
                commit();
        }
        commit();
    } catch (...) {
        if (tra) {
            Status rs;
            tra->rollback(&rs);
        }
        throw;
    }
}

std::string ReadFile(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f)
        throw std::runtime_error("cannot read " + path);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

}  // namespace

std::string MakeTempDir(const std::string& tag) {
    static std::atomic<int> counter{0};
    const fs::path base = fs::temp_directory_path() / "ratemend-tests";
    fs::create_directories(base);
    for (;;) {
        const fs::path dir =
            base / (tag + "-" + std::to_string(getpid()) + "-" + std::to_string(counter++));
        if (fs::create_directory(dir))
            return dir.string();
    }
}

std::string FixtureSqlPath() {
    if (const char* env = std::getenv("RATEMEND_FIXTURE_SQL"); env && *env)
        return env;
    return (fs::path(__FILE__).parent_path().parent_path() / "fixtures" / "product.sql").string();
}

void CreateEmptyDb(const std::string& target, int dialect) {
    Detach(Create(target, dialect));
}

void CreateProductDb(const std::string& path, const std::string& extraSql) {
    static const std::string schema = ReadFile(FixtureSqlPath());
    IAttachment* att = Create(path, 3);
    try {
        Run(att, schema, 3);
        Run(att, extraSql, 3);
    } catch (...) {
        Status st;
        att->detach(&st);
        throw;
    }
    Detach(att);
}

void ExecSql(const std::string& target, const std::string& sql) {
    IAttachment* att = Attach(target);
    try {
        Run(att, sql, 3);
    } catch (...) {
        Status st;
        att->detach(&st);
        throw;
    }
    Detach(att);
}

std::string ServerTarget(const std::string& path) {
    const char* server = std::getenv("RATEMEND_TEST_SERVER");
    if (!server || !*server)
        return {};
    return std::string(server) + ":" + path;
}

bool UseServerPortForDefault() {
    const char* dir = std::getenv("RATEMEND_TEST_SERVER_DIR");
    if (!dir || !*dir)
        return false;
    return setenv("FIREBIRD", (fs::path(dir) / "client").c_str(), 1) == 0;
}

}  // namespace rm::test
