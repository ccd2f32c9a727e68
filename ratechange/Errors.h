// Error types raised by the data-access layer and the goods list. Each carries the type
// name the operator sees in a message box ("EOSError", "EFIBInterBaseError", ...) and the
// message text, UTF-8.
#pragma once

#include <exception>
#include <string>
#include <vector>

namespace rm {

class EError : public std::exception {
public:
    EError(std::string typeName, std::string message)
        : fTypeName(std::move(typeName)), fMessage(std::move(message)) {}
    const std::string& TypeName() const noexcept { return fTypeName; }
    const std::string& Message() const noexcept { return fMessage; }
    const char* what() const noexcept override { return fMessage.c_str(); }

private:
    std::string fTypeName;
    std::string fMessage;
};

// Operating-system failure, e.g. the client library cannot be loaded.
// Message: "System Error.  Code: %d." CR LF "%s".
class EOSError : public EError {
public:
    EOSError(int code, const std::string& systemText);
    int Code() const noexcept { return fCode; }

private:
    int fCode;
};

// Error reported by the Firebird client library or the server.
class EFIBInterBaseError : public EError {
public:
    EFIBInterBaseError(std::string message, int sqlCode, std::vector<long> gdsCodes)
        : EError("EFIBInterBaseError", std::move(message)),
          fSqlCode(sqlCode),
          fGdsCodes(std::move(gdsCodes)) {}
    int SqlCode() const noexcept { return fSqlCode; }
    // The ISC error codes of the status vector, in order (isc_lock_conflict, ...).
    const std::vector<long>& GdsCodes() const noexcept { return fGdsCodes; }
    bool HasGdsCode(long code) const noexcept;

private:
    int fSqlCode;
    std::vector<long> fGdsCodes;
};

// Dataset-level misuse: a closed dataset, an unknown field or parameter, ...
class EDatabaseError : public EError {
public:
    explicit EDatabaseError(std::string message) : EError("EDatabaseError", std::move(message)) {}
};

}  // namespace rm
