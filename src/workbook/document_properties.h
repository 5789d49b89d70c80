// The workbook's document properties as the file writers read them, and the
// summary streams of a compound document built from them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "cfb/compound_file.h"

namespace tablirex {

/// The built-in document properties: UTF-8 texts, empty while not set, indexed
/// by TXLSDocumentProperty - 1 (title first, comments last); the times as serial
/// day numbers (UTC), 0 while not set.
struct TXLSDocumentProperties {
  static constexpr std::size_t kTexts = 8;
  std::array<std::string, kTexts> Texts;
  double Created = 0;
  double LastSaved = 0;

  const std::string& Title() const noexcept { return Texts[0]; }
  /// True while no property is set: the file then carries no summary streams.
  bool Empty() const noexcept;
};

/// The "\005SummaryInformation" and "\005DocumentSummaryInformation" streams of
/// the properties (the second only when category, manager or company is set).
/// Texts are stored in codePage when it holds every one of them, otherwise as
/// UTF-16. Nothing when no property is set.
std::vector<TCompoundStreamData> SummaryStreams(const TXLSDocumentProperties& properties,
                                                std::uint16_t codePage);

/// The <title> and <meta> lines (each ended with CR LF) of an HTML page's head.
std::string DocumentPropertiesHTML(const TXLSDocumentProperties& properties);

}  // namespace tablirex
