#!/usr/bin/env bash
# The main job: builds the library and the tool, makes the sample order database
# (SQLite, about 150,000 orders, the same every time) and exports it into out/ as
# an Excel 97 workbook split over sheets, an .xlsx workbook holding them on one
# sheet, an Excel 5 workbook (all with the header row frozen and the columns fitted
# to their contents), HTML pages, and a grid export with titles, widths and
# alignments of its own; then says what it wrote.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
cmake -S . -B build/release -G Ninja -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/release -j "$(nproc)" --target tablirex_cli
TOOL=./build/release/tablirex
mkdir -p out
rm -f out/orders.db
sqlite3 out/orders.db < scripts/make_demo_db.sql
QUERY="SELECT * FROM orders ORDER BY id"

echo "== exporting $(sqlite3 out/orders.db 'SELECT count(*) FROM orders') orders"
"$TOOL" export --sqlite out/orders.db --query "$QUERY" -o out/orders.xls \
  --sheet-name Orders --header-font "Arial,10,bold" --header-color silver \
  --header-border thin --detail-border thin --freeze-header --autofit --autofilter
"$TOOL" export --sqlite out/orders.db --query "$QUERY" -o out/orders.xlsx \
  --sheet-name Orders --header-font "Arial,10,bold" --header-color silver \
  --header-border thin --detail-border thin --freeze-header --autofit --autofilter
"$TOOL" export --sqlite out/orders.db --query "$QUERY" --biff5 -o out/orders-excel5.xls \
  --sheet-name Orders --header-color silver --header-border thin --freeze-header --autofit
"$TOOL" export --sqlite out/orders.db --query "$QUERY LIMIT 2000" -o out/orders.html \
  --sheet-name Orders --header-color silver --header-border thin --detail-border hair \
  --rows-per-sheet 1001
"$TOOL" export --sqlite out/orders.db \
  --query "SELECT id, customer, product, quantity, amount, order_date FROM orders ORDER BY id LIMIT 500" \
  --grid examples/orders_grid.json -o out/orders-grid.xls --autofilter

echo "== written"
for f in out/orders.xls out/orders-excel5.xls out/orders-grid.xls; do
  sheets=$("$TOOL" dump --brief "$f" | grep -c ' BOUNDSHEET ' || true)
  printf '  %-24s %9d bytes  %d sheet(s)\n' "$f" "$(stat -c %s "$f")" "$sheets"
done
sheets=$(python3 -c 'import sys, zipfile
print(sum(n.startswith("xl/worksheets/sheet") for n in zipfile.ZipFile(sys.argv[1]).namelist()))' out/orders.xlsx)
printf '  %-24s %9d bytes  %d sheet(s)\n' out/orders.xlsx "$(stat -c %s out/orders.xlsx)" "$sheets"
printf '  %-24s %9d bytes  + %d pages in out/orders.files/\n' out/orders.html \
  "$(stat -c %s out/orders.html)" "$(ls out/orders.files 2>/dev/null | grep -c '\.htm' || true)"
