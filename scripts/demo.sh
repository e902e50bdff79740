#!/usr/bin/env bash
# Runs the command-line tool on the bundled examples (examples/sales, written by
# examples/generate.cpp and committed). Results go to build/demo/, replacing earlier ones.
set -euo pipefail
build=${1:-build/release}
root=$(cd "$(dirname "$0")/.." && pwd)
tool="$build/bin/tabulon"
if [ ! -x "$tool" ]; then
  echo "The command-line tool was not built: $tool is missing." >&2
  exit 1
fi
examples="$root/examples/sales"
results="$root/build/demo"
mkdir -p "$results"

echo "== Worksheets the example folder offers"
"$tool" --list-sheets "$examples"

echo
echo "== copy-rows: the sales rows of every month of every branch, without the headers"
"$tool" copy-rows --folder "$examples" --sheets "January;February;March" \
  --from-row 2 --to-row 1 --keep-formulas yes \
  --result "$results/all-sales-rows.xlsx" --overwrite </dev/null

echo
echo "== copy-sheets: every month worksheet of every branch in one workbook"
"$tool" copy-sheets --folder "$examples" --sheets "January;February;March" \
  --keep-formulas yes --result "$results/all-month-sheets.xlsx" --overwrite </dev/null

echo
echo "== add-cell-by-cell: units and revenue of the first seven January lines, summed over"
echo "   the branches into the cells the template marks with (SUM)"
"$tool" add-cell-by-cell --folder "$examples" --sheets January \
  --template "$root/examples/templates/totals.xlsx" --template-sheet Totals \
  --keep-formulas yes --result "$results/january-totals.xlsx" --overwrite </dev/null

echo
echo "== intersection: North's January sales of the products South also sold in January"
"$tool" intersection --file1 "$examples/north.xlsx" --sheet1 January --key1 2 \
  --file2 "$examples/south.xlsx" --sheet2 January --key2 2 \
  --keep-formulas yes --result "$results/january-shared-products.xlsx" --overwrite </dev/null

echo
echo "== The GUI, drawn without a display: its pages, editors, dialog and a finished run"
screenshots="$results/screenshots"
if [ -x "$build/bin/gui_screenshots" ]; then
  QT_QPA_PLATFORM=offscreen "$build/bin/gui_screenshots" "$examples" "$screenshots" \
    2> >(grep -v -e propagateSizeHints -e XDG_RUNTIME_DIR >&2)
else
  echo "gui_screenshots was not built; no pictures of the GUI." >&2
fi

echo
echo "Results:"
echo "  $results/all-sales-rows.xlsx"
echo "  $results/all-month-sheets.xlsx"
echo "  $results/january-totals.xlsx"
echo "  $results/january-shared-products.xlsx"
echo "  $screenshots/ (pictures of the GUI)"
