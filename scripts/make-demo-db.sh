#!/usr/bin/env bash
# Makes a demo product database: DIR/product.fdb (through the embedded engine, from the fixture
# schema) with a few VAT rates and a few hundred goods in several groups, and
# DIR/Net/ConnectionInfo.ini pointing at it. Running it again makes both afresh.
#
#   make-demo-db.sh DIR        then start the utility with DIR as the working folder
set -euo pipefail

[ $# -eq 1 ] || { echo "usage: make-demo-db.sh DIR" >&2; exit 1; }
root=$(cd "$(dirname "$0")/.." && pwd)
mkdir -p "$1/Net"
dir=$(cd "$1" && pwd)
db="$dir/product.fdb"
schema="$root/tests/fixtures/product.sql"
command -v isql-fb >/dev/null || { echo "isql-fb not found (package firebird3.0-utils)" >&2; exit 1; }

rm -f "$db"
{
    echo "set names UTF8;"
    echo "create database '$db' user 'SYSDBA' password 'vorplin' default character set UTF8;"
    echo "input '$schema';"
    echo "commit;"
    cat <<'SQL'
insert into "dcNds" values (0, 'Без НДС', 0);
insert into "dcNds" values (10, 'НДС 10%', 10);
insert into "dcNds" values (18, 'НДС 18% (до 2019 г.)', 18);
insert into "dcNds" values (20, 'НДС 20%', 20);

insert into "dcItemsGrps" values (0, 'Служебная');
insert into "dcItemsGrps" values (1, 'Молочные продукты');
insert into "dcItemsGrps" values (2, 'Хлеб и выпечка');
insert into "dcItemsGrps" values (3, 'Бакалея');
insert into "dcItemsGrps" values (4, 'Напитки');
insert into "dcItemsGrps" values (5, 'Бытовая химия');
insert into "dcItemsGrps" values (6, 'Детские товары');
insert into "dcItemsGrps" values (7, 'Канцелярия');

insert into "dcItems" values (0, 'Служебный', 'Служебный товар', 0, 0, 796);

set term ^;
execute block as
  declare i integer = 1;
  declare g integer;
  declare k integer;
  declare base varchar(60);
  declare pack varchar(30);
  declare nds integer;
begin
  g = 1;
  while (g <= 7) do
  begin
    k = 1;
    while (k <= 12) do
    begin
      base = decode(g,
        1, decode(mod(k, 6), 0, 'Молоко', 1, 'Кефир', 2, 'Сметана', 3, 'Творог', 4, 'Йогурт', 'Ряженка'),
        2, decode(mod(k, 6), 0, 'Батон', 1, 'Хлеб ржаной', 2, 'Булочка с маком', 3, 'Лаваш', 4, 'Сушки', 'Пирожок с капустой'),
        3, decode(mod(k, 6), 0, 'Гречка', 1, 'Рис круглозёрный', 2, 'Макароны', 3, 'Сахар', 4, 'Мука пшеничная', 'Соль'),
        4, decode(mod(k, 6), 0, 'Вода питьевая', 1, 'Сок яблочный', 2, 'Морс клюквенный', 3, 'Квас', 4, 'Чай чёрный', 'Кофе молотый'),
        5, decode(mod(k, 6), 0, 'Мыло хозяйственное', 1, 'Порошок стиральный', 2, 'Средство для посуды', 3, 'Чистящее средство', 4, 'Губки кухонные', 'Отбеливатель'),
        6, decode(mod(k, 6), 0, 'Пюре фруктовое', 1, 'Каша детская', 2, 'Подгузники', 3, 'Салфетки влажные', 4, 'Соска', 'Погремушка'),
        decode(mod(k, 6), 0, 'Тетрадь 12 л.', 1, 'Ручка шариковая', 2, 'Карандаш', 3, 'Ластик', 4, 'Линейка 30 см', 'Клей-карандаш'));
      pack = decode(mod(i, 5), 0, '', 1, ', 1 шт.', 2, ', упаковка', 3, ', 0,5 кг', ', 1 кг');
      -- Food and children's goods at 10%, the rest at 20%; some are still at the old 18%
      -- or without VAT.
      nds = iif(g in (1, 2, 3, 6), 10, 20);
      if (mod(i, 11) = 0) then nds = 18;
      if (mod(i, 4) = 0) then nds = 0;
      insert into "dcItems" values (:i, :base, :base || ' «Демо ' || :i || '»' || :pack, :nds, :g,
        iif(mod(:i, 3) = 0, 166, 796));
      i = i + 1;
      k = k + 1;
    end
    g = g + 1;
  end
  -- A few more goods per group up to a few hundred.
  while (i <= 320) do
  begin
    g = 1 + mod(i, 7);
    insert into "dcItems" values (:i, 'Товар ' || :i, 'Товар демонстрационный № ' || :i, iif(:g in (1, 2, 3, 6), 10, 20), :g, 796);
    i = i + 1;
  end
end^
set term ;^
commit;
SQL
} | isql-fb -q -b -user SYSDBA -password vorplin >"$dir/make-demo-db.log" 2>&1 || {
    cat "$dir/make-demo-db.log" >&2
    exit 1
}
rm -f "$dir/make-demo-db.log"

printf '[Connect]\nDatabase=%s\n' "$db" >"$dir/Net/ConnectionInfo.ini"
echo "demo database: $db"
echo "settings file: $dir/Net/ConnectionInfo.ini (start the utility in $dir)"
