// The connection target from the connection settings file, and this computer's name.
#pragma once

#include <string>

namespace rm {

// Net/ConnectionInfo.ini made absolute against the current working directory.
std::string Database_GetPathToSettingsFile();
// "Database" alone, or "Server:Database", from section Connect; empty when Database is empty.
std::string Database_GetSettings();
// This computer's name, trimmed; empty when it cannot be had.
std::string GetComputerNetName();

}  // namespace rm
