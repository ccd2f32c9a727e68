// What the connecting tests check after an attempt: the boxes' texts and the window's state.
#pragma once

#include <gtest/gtest.h>

#include "FormFixture.h"

namespace rm::test {

inline const char* const kNoSettingsBox =
    "Ошибка|Не удалось получить параметры для подключения к БД |0x110";
inline const char* const kNotConnectedBox =
    "Ошибка|Не удалось выполнить подключение к базе данных|0x110";

inline void ExpectConnected(FormFixture& f, const std::string& target) {
    EXPECT_TRUE(f.form.Database.Connected());
    EXPECT_EQ(f.s.State(Control::eDBPath).caption, target);
    EXPECT_FALSE(f.s.State(Control::eDBPath).enabled);
    EXPECT_FALSE(f.s.State(Control::bDBChangePath).enabled);
    EXPECT_TRUE(f.s.State(Control::cblNDSSelectSource).enabled);
    // The rate lists are loaded and rate 0 preselected.
    EXPECT_EQ(f.s.lookupShown[Control::cblNDSSelectSource],
              f.EntryOf(Control::cblNDSSelectSource, "Без НДС"));
    EXPECT_TRUE(f.form.MemTableData.Active());
}

inline void ExpectDisconnected(FormFixture& f) {
    EXPECT_FALSE(f.form.Database.Connected());
    EXPECT_EQ(f.s.State(Control::eDBPath).caption, "");
    EXPECT_TRUE(f.s.State(Control::eDBPath).enabled);
    EXPECT_TRUE(f.s.State(Control::bDBChangePath).enabled);
    EXPECT_FALSE(f.s.State(Control::cblNDSSelectSource).enabled);
    EXPECT_FALSE(f.s.State(Control::bApplyChangeNDS).enabled);
    EXPECT_EQ(f.s.State(Control::bApplyChangeNDS).caption, "Применить");
    EXPECT_TRUE(f.s.lookupItems.empty());
}

}  // namespace rm::test
