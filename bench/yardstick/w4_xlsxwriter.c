/* The W4 workload written by libxlsxwriter in its constant-memory mode, as the
 * yardstick bench_w4_formulas is measured against (it stores formula text, with
 * no result and no compilation):
 *   cc -O2 -o w4_xlsxwriter bench/yardstick/w4_xlsxwriter.c -lxlsxwriter
 *   then time it side by side with build/release/bench_w4_formulas --once /tmp/w4.xls
 *   (whole processes, taking turns: /usr/bin/time -v for each, several runs)
 */
#include <stdio.h>
#include <xlsxwriter.h>

int main(int argc, char** argv) {
  const char* path = argc > 1 ? argv[1] : "w4.xlsx";
  lxw_workbook_options options = {.constant_memory = LXW_TRUE, .tmpdir = NULL};
  lxw_workbook* book = workbook_new_opt(path, &options);
  lxw_worksheet* sheet = workbook_add_worksheet(book, NULL);
  char f[64];
  for (int r = 1; r <= 20000; ++r) {
    worksheet_write_number(sheet, (lxw_row_t)r, 0, r, NULL);
    snprintf(f, sizeof f, "=A%d*2+1", r + 1);
    worksheet_write_formula(sheet, (lxw_row_t)r, 1, f, NULL);
    snprintf(f, sizeof f, "=SUM(A$1:A%d)", r + 1);
    worksheet_write_formula(sheet, (lxw_row_t)r, 2, f, NULL);
  }
  return workbook_close(book) == LXW_NO_ERROR ? 0 : 1;
}
