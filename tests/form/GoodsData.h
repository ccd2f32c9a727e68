// A small product database for the window tests: rates (one pair sharing a name, one rate
// whose goods are all excluded), two groups, goods spread over the rates.
#pragma once

#include <string>

namespace rm::test {

inline std::string GoodsSql(bool withRateZero = true) {
    std::string sql;
    if (withRateZero) {
        sql += "insert into \"dcNds\" (\"NdsID\", \"Name\", \"Tax\") values (0, 'Без НДС', 0);\n";
    }
    sql +=
        "insert into \"dcNds\" (\"NdsID\", \"Name\", \"Tax\") values (10, '  НДС 10%  ', 10);\n"
        "insert into \"dcNds\" (\"NdsID\", \"Name\", \"Tax\") values (20, 'НДС 20%', 20);\n"
        "insert into \"dcNds\" (\"NdsID\", \"Name\", \"Tax\") values (21, 'НДС 20%', 20);\n"
        "insert into \"dcNds\" (\"NdsID\", \"Name\", \"Tax\") values (30, 'Пустая', 30);\n"
        "insert into \"dcItemsGrps\" (\"ItemsGrpID\", \"Name\") values (1, 'Продукты');\n"
        "insert into \"dcItemsGrps\" (\"ItemsGrpID\", \"Name\") values (2, 'Напитки');\n";
    struct Item {
        int id, nds, grp;
        const char* name;
    };
    const Item items[] = {
        {0, 30, 1, "Служебный"},  // never listed
        {101, 0, 1, "Хлеб"},         {102, 0, 2, "Вода"},  {103, 0, 1, "Соль"},
        {104, 0, 2, "Сок"},          {105, 0, 1, "Сахар"}, {201, 10, 1, "Молоко"},
        {202, 10, 1, "Кефир"},       {203, 10, 2, "Квас"}, {301, 20, 2, "Пиво"},
        {302, 20, 1, "Кофе"},        {401, 21, 2, "Чай"},  {402, 21, 1, "Какао"},
        {501, 30, 99, "Без группы"},  // its group is missing: never listed
        {502, 99, 1, "Без ставки"},   // its rate is missing: never listed
    };
    for (const auto& it : items) {
        sql +=
            "insert into \"dcItems\" (\"ItemID\", \"Name\", \"FullName\", \"NdsID\", "
            "\"ItemsGrpID\", \"UnitID\") values (" +
            std::to_string(it.id) + ", '" + it.name + "', '" + it.name + " полное', " +
            std::to_string(it.nds) + ", " + std::to_string(it.grp) + ", 1);\n";
    }
    return sql;
}

}  // namespace rm::test
