// Options of tablirex export, the data source they name and the grid file.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tablirex/csv_dataset.h"
#include "tablirex/data.h"
#include "tablirex/dataset2excel.h"

namespace tablirex::tool {

enum class SourceKind { None, SQLite, Postgres, Csv };

struct ExportOptions {
  SourceKind source = SourceKind::None;
  std::string sourceArg;  // file name or connection string
  std::string query;
  char delimiter = 0;  // CSV: 0 finds it from the header line
  std::optional<TCsvEncoding> encoding;  // CSV: UTF-8 when not given
  std::string output;
  bool biff5 = false;
  std::string sheetName;
  std::string title;
  std::uint16_t startRow = 0;
  std::uint16_t startCol = 0;
  std::optional<std::int32_t> rowsPerSheet;
  std::optional<TFont> headerFont, detailFont;
  std::optional<TColor> headerColor, detailColor, headerBorderColor, detailBorderColor;
  std::optional<TBorderStyle> headerBorder, detailBorder;
  bool noColumnWidths = false;
  bool allowFormulas = false;
  bool freezeHeader = false;
  bool autofit = false;
  bool autoFilter = false;
  bool hyperlinks = false;
  std::string gridFile;
  bool quiet = false;
  bool strict = false;  // a save that would lose something fails
};

/// The options without a value, each with its help line: the parser and the help
/// text read this one table. A switch of the exporters is added here and copied to
/// them in ApplyCommon (cmd_export.cpp).
struct ExportSwitch {
  const char* option;
  const char* help;
  bool ExportOptions::*member;
};
extern const ExportSwitch kExportSwitches[];
extern const std::size_t kExportSwitchCount;

/// The text `tablirex export --help` prints.
const std::string& ExportHelp();

/// Parses the arguments after "export". Returns false with a message for an unknown
/// option, a missing or malformed value, no source, no output, or an output whose
/// extension names no form. "--help" sets error to the help text and returns false.
bool ParseExportOptions(const std::vector<std::string>& args, ExportOptions& o, std::string& error);

/// Opens the source the options name, positioned before its first record; nullptr
/// with the source's own message on failure. warnings receives what the source
/// had to replace while opening (CSV bytes invalid in the file's encoding).
std::unique_ptr<TDataSet> OpenSource(const ExportOptions& o, std::string& error,
                                     std::vector<std::string>& warnings);

/// Reads a grid description (JSON) into grid's columns:
///   {"columns": [{"field": "id", "title": "No.", "width": 60, "alignment": "right",
///                 "visible": true, "font": "Arial,10", "color": "#FFFFFF",
///                 "title_font": "Arial,10,bold", "title_color": "silver",
///                 "title_alignment": "center"}, ...]}
/// A field that the dataset lacks is an error naming it.
bool LoadGrid(const std::string& path, TDBGrid& grid, std::string& error);

}  // namespace tablirex::tool
