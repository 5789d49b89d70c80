// The workloads W1-W4 written by libxlsxwriter in its constant-memory mode, the
// yardstick of the .xlsx benchmarks (timed side by side, whole process): the same cells as
// bench_w1_numbers ... bench_w4_formulas write.
//   bench_lxw_workloads w1|w2|w3|w4 OUT.xlsx
#include <cstdio>
#include <cstring>

#include <xlsxwriter.h>

static void w1(lxw_worksheet* s) {
  for (int r = 0; r < 65536; ++r)
    for (int c = 0; c < 16; ++c) worksheet_write_number(s, r, c, (r * 16.0 + c) / 7.0, NULL);
}

static void w2(lxw_worksheet* s) {
  char texts[5000][16];
  for (int i = 0; i < 5000; ++i) snprintf(texts[i], sizeof texts[i], "item-%d", i);
  for (int r = 0; r < 65536; ++r)
    for (int c = 0; c < 8; ++c) worksheet_write_string(s, r, c, texts[(r * 8 + c) % 5000], NULL);
}

static void w3(lxw_workbook* b, lxw_worksheet* s) {
  lxw_format* header = workbook_add_format(b);
  format_set_bold(header);
  format_set_bg_color(header, 0x99CCFF);
  format_set_border(header, LXW_BORDER_THIN);
  format_set_bottom(header, LXW_BORDER_MEDIUM);
  lxw_format* number = workbook_add_format(b);
  format_set_num_format(number, "#,##0.00");
  lxw_format* date = workbook_add_format(b);
  format_set_num_format(date, "dd.mm.yyyy");
  char texts[1000][16];
  for (int i = 0; i < 1000; ++i) snprintf(texts[i], sizeof texts[i], "entry %d", i);
  for (int c = 0; c < 10; ++c) {
    char t[16];
    snprintf(t, sizeof t, "Column %d", c + 1);
    worksheet_write_string(s, 0, c, t, header);
    if (c % 3 != 2) worksheet_set_column(s, c, c, 8.43, c % 3 == 0 ? number : date);
  }
  for (int r = 0; r < 20000; ++r)
    for (int c = 0; c < 10; ++c) {
      if (c % 3 == 0)
        worksheet_write_number(s, r + 1, c, r * 10.25 + c, number);
      else if (c % 3 == 1)
        worksheet_write_number(s, r + 1, c, 45292.0 + r % 3000 + (c * 60 + r % 60) / 1440.0, date);
      else
        worksheet_write_string(s, r + 1, c, texts[(r * 10 + c) % 1000], NULL);
    }
}

static void w4(lxw_worksheet* s) {
  char f[64];
  for (int r = 1; r <= 20000; ++r) {
    worksheet_write_number(s, r - 1, 0, r, NULL);
    snprintf(f, sizeof f, "=A%d*2+1", r);
    worksheet_write_formula(s, r - 1, 1, f, NULL);
    snprintf(f, sizeof f, "=SUM(A$1:A%d)", r);
    worksheet_write_formula(s, r - 1, 2, f, NULL);
  }
}

int main(int argc, char** argv) {
  if (argc != 3) {
    fprintf(stderr, "usage: bench_lxw_workloads w1|w2|w3|w4 OUT.xlsx\n");
    return 2;
  }
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  lxw_workbook* b = workbook_new_opt(argv[2], &options);
  lxw_worksheet* s = workbook_add_worksheet(b, NULL);
  if (strcmp(argv[1], "w1") == 0) w1(s);
  else if (strcmp(argv[1], "w2") == 0) w2(s);
  else if (strcmp(argv[1], "w3") == 0) w3(b, s);
  else w4(s);
  return workbook_close(b) == LXW_NO_ERROR ? 0 : 1;
}
