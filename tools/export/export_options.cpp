// Options of tablirex export, the data source they name and the grid file.
#include "export/export_options.h"

#include <algorithm>
#include <charconv>
#include <fstream>
#include <string_view>

#include <nlohmann/json.hpp>

#include "tablirex/csv_dataset.h"
#include "tablirex/result.h"
#ifdef TABLIREX_HAVE_SQLITE
#include "tablirex/sqlite_dataset.h"
#endif
#ifdef TABLIREX_HAVE_POSTGRES
#include "tablirex/postgres_dataset.h"
#endif

namespace tablirex::tool {

const ExportSwitch kExportSwitches[] = {
    {"--biff5", "write an Excel 5 workbook instead", &ExportOptions::biff5},
    {"--freeze-header", "keep the header row in view (a frozen pane below it, every sheet)",
     &ExportOptions::freezeHeader},
    {"--autofit", "fit each column to its widest shown text (2 to 80 characters)\n"
                  "instead of the fields' display widths", &ExportOptions::autofit},
    {"--no-column-widths", "keep the sheet's column widths", &ExportOptions::noColumnWidths},
    {"--allow-formulas", "texts beginning with \"=\" become formulas (default: texts)",
     &ExportOptions::allowFormulas},
    {"--autofilter", "filter drop-downs on the header row of every sheet", &ExportOptions::autoFilter},
    {"--hyperlinks", "texts that are whole http(s) or mailto addresses become links",
     &ExportOptions::hyperlinks},
    {"--strict", "fail (and write nothing) where the file cannot hold a value whole\n"
                 "or a CSV byte is invalid in its encoding, instead of warning",
     &ExportOptions::strict},
    {"--quiet", "no progress line and no summary", &ExportOptions::quiet},
};
const std::size_t kExportSwitchCount = std::size(kExportSwitches);

const std::string& ExportHelp() {
  static const std::string help = [] {
    std::string h =
        "usage: tablirex export SOURCE -o OUT [options]\n"
        "\n"
        "source (one of):\n"
        "  --sqlite FILE            a SQLite database file (with --query)\n"
        "  --postgres CONNINFO      a PostgreSQL connection string (with --query)\n"
        "  --csv FILE               a CSV file with a header row\n"
        "  --query SQL              the query whose result is exported\n"
        "  --delimiter C            CSV: the field separator (default: comma, semicolon or tab,\n"
        "                           whichever the header line holds most)\n"
        "  --encoding NAME          CSV: utf-8 (default), cp1252, latin-1 or utf-16; a byte\n"
        "                           order mark decides\n"
        "\n"
        "output:\n"
        "  -o FILE                  .xlsx: workbook package; .xls: Excel 97 workbook;\n"
        "                           .htm/.html: HTML pages\n"
        "\n"
        "exporter properties:\n"
        "  --sheet-name NAME        name of the first sheet (default Sheet1)\n"
        "  --title TEXT             the workbook's title (default the first sheet's name)\n"
        "  --start-row N            zero-based row offset of the header (default 0)\n"
        "  --start-col N            zero-based column of the first field (default 0)\n"
        "  --rows-per-sheet N       last one-based row a record may take on a sheet (default 65535,\n"
        "                           1048576 for an .xlsx output,\n"
        "                           16384 with --biff5)\n"
        "  --header-font FONT       e.g. \"Arial,10,bold\" (styles: bold italic underline strikeout)\n"
        "  --detail-font FONT       e.g. \"Arial,10\"\n"
        "  --header-color COLOR     fill of the header cells: a name (silver, yellow, ...) or #RRGGBB\n"
        "  --detail-color COLOR     fill of the record cells\n"
        "  --header-border STYLE    none, hair, thin, thick or double\n"
        "  --detail-border STYLE    none, hair, thin, thick or double\n"
        "  --header-border-color C  colour of the header borders\n"
        "  --detail-border-color C  colour of the record borders\n"
        "  --grid GRID.json         export through grid columns (titles, widths, alignments, ...)\n"
        "\n"
        "switches:\n";
    for (const ExportSwitch& s : kExportSwitches) {
      std::string line = std::string("  ") + s.option;
      line.resize(std::max<std::size_t>(line.size() + 1, 27), ' ');
      for (const char c : std::string_view(s.help)) {
        line += c;
        if (c == '\n') line += std::string(27, ' ');
      }
      h += line + "\n";
    }
    return h;
  }();
  return help;
}

namespace {

bool ParseInt(std::string_view text, std::int64_t low, std::int64_t high, std::int64_t& value) {
  std::int64_t v = 0;
  const auto r = std::from_chars(text.data(), text.data() + text.size(), v);
  if (r.ec != std::errc() || r.ptr != text.data() + text.size() || v < low || v > high) return false;
  value = v;
  return true;
}

bool ParseBorder(std::string_view text, TBorderStyle& style) {
  static constexpr struct {
    const char* name;
    TBorderStyle style;
  } kStyles[] = {{"none", BorderStyleNone},
                 {"hair", BorderStyleSingleHair},
                 {"thin", BorderStyleSingleThin},
                 {"thick", BorderStyleSingleThick},
                 {"double", BorderStyleDouble}};
  for (const auto& s : kStyles)
    if (text == s.name) {
      style = s.style;
      return true;
    }
  return false;
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return s;
}

bool EndsWith(const std::string& s, std::string_view tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

}  // namespace

bool ParseExportOptions(const std::vector<std::string>& args, ExportOptions& o, std::string& error) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    std::string a = args[i];
    if (a == "--help" || a == "-h") {
      error = ExportHelp();
      return false;
    }
    if (a == "-q") a = "--quiet";
    bool isSwitch = false;
    for (const ExportSwitch& s : kExportSwitches)
      if (a == s.option) {
        o.*s.member = true;
        isSwitch = true;
      }
    if (isSwitch) continue;
    if (a.rfind("-", 0) != 0) {
      error = "unexpected argument '" + a + "' (see tablirex export --help)";
      return false;
    }
    if (i + 1 >= args.size()) {
      error = "option " + a + " needs a value";
      return false;
    }
    const std::string& v = args[++i];
    auto bad = [&](const std::string& what) {
      error = "option " + a + ": '" + v + "' is not " + what;
      return false;
    };
    auto setSource = [&](SourceKind kind) {
      if (o.source != SourceKind::None) {
        error = "give one source only (--sqlite, --postgres or --csv)";
        return false;
      }
      o.source = kind;
      o.sourceArg = v;
      return true;
    };
    std::int64_t n = 0;
    if (a == "--sqlite") { if (!setSource(SourceKind::SQLite)) return false; }
    else if (a == "--postgres") { if (!setSource(SourceKind::Postgres)) return false; }
    else if (a == "--csv") { if (!setSource(SourceKind::Csv)) return false; }
    else if (a == "--query") o.query = v;
    else if (a == "--delimiter") {
      if (v == "\\t" || v == "tab") o.delimiter = '\t';
      else if (v.size() == 1 && v[0] != '"' && v[0] != '\n' && v[0] != '\r') o.delimiter = v[0];
      else return bad("one character (or \"tab\")");
    } else if (a == "--encoding") {
      TCsvEncoding e{};
      if (!ParseCsvEncoding(v, e)) return bad("utf-8, cp1252, latin-1 or utf-16");
      o.encoding = e;
    } else if (a == "-o" || a == "--output") o.output = v;
    else if (a == "--sheet-name") o.sheetName = v;
    else if (a == "--title") o.title = v;
    else if (a == "--start-row") {
      if (!ParseInt(v, 0, 65534, n)) return bad("a row number from 0 to 65534");
      o.startRow = static_cast<std::uint16_t>(n);
    } else if (a == "--start-col") {
      if (!ParseInt(v, 0, 255, n)) return bad("a column number from 0 to 255");
      o.startCol = static_cast<std::uint16_t>(n);
    } else if (a == "--rows-per-sheet") {
      if (!ParseInt(v, 2, 65535, n)) return bad("a row count from 2 to 65535");
      o.rowsPerSheet = static_cast<std::int32_t>(n);
    } else if (a == "--header-font" || a == "--detail-font") {
      TFont f = a == "--header-font" ? TFont("Arial", 10, fsBold) : TFont("Arial", 10);
      if (!ParseFont(v, f)) return bad("a font such as \"Arial,10,bold\"");
      (a == "--header-font" ? o.headerFont : o.detailFont) = f;
    } else if (a == "--header-color" || a == "--detail-color" || a == "--header-border-color" ||
               a == "--detail-border-color") {
      TColor c = clNone;
      if (!ParseColor(v, c)) return bad("a colour name, #RRGGBB or none");
      if (a == "--header-color") o.headerColor = c;
      else if (a == "--detail-color") o.detailColor = c;
      else if (a == "--header-border-color") o.headerBorderColor = c;
      else o.detailBorderColor = c;
    } else if (a == "--header-border" || a == "--detail-border") {
      TBorderStyle s = BorderStyleNone;
      if (!ParseBorder(v, s)) return bad("none, hair, thin, thick or double");
      (a == "--header-border" ? o.headerBorder : o.detailBorder) = s;
    } else if (a == "--grid") o.gridFile = v;
    else {
      error = "unknown option " + a + " (see tablirex export --help)";
      return false;
    }
  }
  if (o.source == SourceKind::None) {
    error = "no source: give --sqlite FILE, --postgres CONNINFO or --csv FILE";
    return false;
  }
  if ((o.source == SourceKind::SQLite || o.source == SourceKind::Postgres) && o.query.empty()) {
    error = "--query SQL is needed with --sqlite and --postgres";
    return false;
  }
  if (o.source == SourceKind::Csv && !o.query.empty()) {
    error = "--query does not apply to --csv";
    return false;
  }
  if (o.source != SourceKind::Csv && (o.delimiter != 0 || o.encoding)) {
    error = std::string(o.delimiter != 0 ? "--delimiter" : "--encoding") + " applies to --csv only";
    return false;
  }
  if (o.output.empty()) {
    error = "no output: give -o FILE (.xlsx, .xls, .htm or .html)";
    return false;
  }
  const std::string ext = Lower(o.output);
  const bool html = EndsWith(ext, ".htm") || EndsWith(ext, ".html");
  const bool package = EndsWith(ext, ".xlsx");
  if (!html && !package && !EndsWith(ext, ".xls")) {
    error = "output " + o.output + ": the name must end in .xlsx, .xls, .htm or .html";
    return false;
  }
  if ((html || package) && o.biff5) {
    error = "--biff5 applies to .xls output only";
    return false;
  }
  return true;
}

namespace {

// A database source: the query run over the connection the source names.
template <class DataSet>
std::unique_ptr<TDataSet> OpenQuery(const ExportOptions& o, std::string& error) {
  auto ds = std::make_unique<DataSet>();
  if (ds->Open(o.sourceArg, o.query) != xlsOK) {
    error = ds->GetErrorText();
    return nullptr;
  }
  return ds;
}

}  // namespace

std::unique_ptr<TDataSet> OpenSource(const ExportOptions& o, std::string& error,
                                     std::vector<std::string>& warnings) {
  switch (o.source) {
    case SourceKind::Csv: {
      auto ds = std::make_unique<TCsvDataSet>();
      TCsvOptions options;
      options.Delimiter = o.delimiter;
      options.Encoding = o.encoding.value_or(TCsvEncoding::Utf8);
      options.Strict = o.strict;
      if (ds->Open(o.sourceArg, options) != xlsOK) {
        error = ds->GetErrorText();
        return nullptr;
      }
      warnings = ds->GetWarnings();
      return ds;
    }
    case SourceKind::SQLite: {
#ifdef TABLIREX_HAVE_SQLITE
      return OpenQuery<TSQLiteDataSet>(o, error);
#else
      error = "this build has no SQLite support";
      return nullptr;
#endif
    }
    case SourceKind::Postgres: {
#ifdef TABLIREX_HAVE_POSTGRES
      return OpenQuery<TPostgresDataSet>(o, error);
#else
      error = "this build has no PostgreSQL support";
      return nullptr;
#endif
    }
    case SourceKind::None:
      break;
  }
  error = "no source";
  return nullptr;
}

namespace {

bool ParseAlignment(const std::string& text, TAlignment& a) {
  const std::string t = Lower(text);
  if (t == "left") a = taLeftJustify;
  else if (t == "right") a = taRightJustify;
  else if (t == "center" || t == "centre") a = taCenter;
  else return false;
  return true;
}

}  // namespace

bool LoadGrid(const std::string& path, TDBGrid& grid, std::string& error) {
  std::ifstream in(path, std::ios::binary);
  if (!in) {
    error = "cannot open the grid file " + path;
    return false;
  }
  nlohmann::json doc;
  try {
    doc = nlohmann::json::parse(in);
  } catch (const nlohmann::json::exception& e) {
    error = "grid file " + path + ": " + e.what();
    return false;
  }
  if (!doc.is_object() || !doc.contains("columns") || !doc["columns"].is_array()) {
    error = "grid file " + path + ": expected an object with a \"columns\" array";
    return false;
  }
  TDataSet* data = grid.GetDataSet();
  std::size_t k = 0;
  for (const auto& c : doc["columns"]) {
    const std::string where = "grid file " + path + ": column " + std::to_string(k + 1);
    ++k;
    if (!c.is_object()) {
      error = where + " is not an object";
      return false;
    }
    TColumn col;
    try {
      for (const auto& [key, value] : c.items()) {
        if (key == "field") {
          col.FieldName = value.get<std::string>();
          if (data && !col.FieldName.empty() && !data->FindField(col.FieldName)) {
            error = where + ": the data has no field \"" + col.FieldName + "\"";
            return false;
          }
        } else if (key == "title") {
          col.Title.Caption = value.get<std::string>();
        } else if (key == "width") {
          const auto w = value.get<std::int64_t>();
          if (w < 0 || w > 10000) {
            error = where + ": width must be 0..10000 pixels";
            return false;
          }
          col.Width = static_cast<std::int32_t>(w);
        } else if (key == "visible") {
          col.Visible = value.get<bool>();
        } else if (key == "alignment" || key == "title_alignment") {
          TAlignment a{};
          if (!ParseAlignment(value.get<std::string>(), a)) {
            error = where + ": " + key + " must be left, right or center";
            return false;
          }
          (key == "alignment" ? col.Alignment : col.Title.Alignment) = a;
        } else if (key == "font" || key == "title_font") {
          TFont& f = key == "font" ? col.Font : col.Title.Font;
          const TColor keep = f.GetColor();
          if (!ParseFont(value.get<std::string>(), f)) {
            error = where + ": " + key + " is not a font such as \"Arial,10,bold\"";
            return false;
          }
          f.SetColor(keep);
        } else if (key == "font_color" || key == "title_font_color" || key == "color" ||
                   key == "title_color") {
          TColor color = clNone;
          if (!ParseColor(value.get<std::string>(), color)) {
            error = where + ": " + key + " is not a colour name, #RRGGBB or none";
            return false;
          }
          if (key == "font_color") col.Font.SetColor(color);
          else if (key == "title_font_color") col.Title.Font.SetColor(color);
          else if (key == "color") col.Color = color;
          else col.Title.Color = color;
        } else {
          error = where + ": unknown key \"" + key + "\"";
          return false;
        }
      }
    } catch (const nlohmann::json::exception& e) {
      error = where + ": " + e.what();
      return false;
    }
    if (col.Title.Caption.empty()) col.Title.Caption = col.FieldName;
    grid.Columns().push_back(std::move(col));
  }
  return true;
}

}  // namespace tablirex::tool
