// The fixed statement texts and connection settings of the utility. Each line of a statement
// ends with CR LF; the rate list query of the source box carries one extra empty line.
#pragma once

namespace rm::sql {

inline constexpr const char* kRateListTarget =
    "select\r\n"
    "  \"NdsID\",\r\n"
    "  \"Name\",\r\n"
    "  \"Tax\"\r\n"
    "from\r\n"
    "  \"dcNds\"\r\n";

inline constexpr const char* kRateListSource =
    "select\r\n"
    "  \"NdsID\",\r\n"
    "  \"Name\",\r\n"
    "  \"Tax\"\r\n"
    "from\r\n"
    "  \"dcNds\"\r\n"
    "\r\n";

inline constexpr const char* kListItems =
    "select\r\n"
    "    0 AS \"SelField\",\r\n"
    "    \"dcItems\".\"ItemID\",\r\n"
    "    \"dcItems\".\"Name\" as  \"dcItemName\" ,\r\n"
    "    \"dcItems\".\"FullName\",\r\n"
    "    \"dcItems\".\"NdsID\",\r\n"
    "    \"dcItemsGrps\".\"ItemsGrpID\",\r\n"
    "    \"dcItemsGrps\".\"Name\" as  \"dcItemsGrpName\",\r\n"
    "    \"dcNds\".\"NdsID\",\r\n"
    "    \"dcNds\".\"Name\" as \"dcNdsName\",\r\n"
    "    \"dcNds\".\"Tax\",\r\n"
    "    \"dcItems\".\"UnitID\"\r\n"
    "from \"dcItems\"\r\n"
    "   inner join \"dcItemsGrps\" on (\"dcItems\".\"ItemsGrpID\" = \"dcItemsGrps\".\"ItemsGrpID\")\r\n"
    "   inner join \"dcNds\" on (\"dcItems\".\"NdsID\" = \"dcNds\".\"NdsID\")\r\n"
    "where\r\n"
    "  ( \"dcItems\".\"ItemID\" <> 0) and (\"dcItems\".\"NdsID\" = :\"NdsID\");\r\n";

inline constexpr const char* kApplyNDS =
    "UPDATE\r\n"
    "  \"dcItems\"\r\n"
    "SET\r\n"
    "  \"NdsID\" = :\"NdsID\"\r\n"
    "WHERE\r\n"
    "  \"ItemID\" = :\"ItemID\";\r\n";

// Transaction parameter lines.
inline constexpr const char* kTrReadParams[] = {"read", "nowait", "rec_version", "read_committed"};
inline constexpr const char* kTrWriteParams[] = {"write", "nowait", "rec_version", "read_committed"};

}  // namespace rm::sql
