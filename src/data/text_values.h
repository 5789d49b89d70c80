// Reading typed values out of texts, shared by the sources that hold their values
// as text (CSV fields, SQLite's date and boolean columns).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tablirex::data {

/// What a text holds, from the narrowest kind to plain text.
enum class TextKind : std::uint8_t {
  Empty,     // nothing: a NULL
  Integer,   // [-]digits fitting 64 bits, no leading zero ("007" is a code, not 7)
  Real,      // [-]digits[.digits][e[+-]digits], or an integer too large for 64 bits
  Boolean,   // true / false, any case
  Date,      // YYYY-MM-DD
  DateTime,  // YYYY-MM-DD[T ]hh:mm[:ss[.fraction]][Z|±hh:mm]
  Time,      // hh:mm[:ss[.fraction]]
  Text,
};

/// The kind of a text, as above.
TextKind ClassifyText(std::string_view text) noexcept;

/// The kind two column values share: integer widens to real, date to date-time;
/// any other mix is text. Empty values leave the other kind unchanged.
TextKind WidenKind(TextKind a, TextKind b) noexcept;

/// Strict parses; each returns false (or nullopt) unless the whole text matches.
bool ParseInteger(std::string_view text, std::int64_t& value) noexcept;
bool ParseReal(std::string_view text, double& value) noexcept;
bool ParseBoolean(std::string_view text, bool& value) noexcept;
/// An ISO 8601 date or date and time as a serial day number. A zone suffix ("Z",
/// "+02:00") is applied, so the serial is in universal time; hasTime says whether a
/// time of day was written.
std::optional<double> ParseDateTimeText(std::string_view text, bool* hasTime = nullptr) noexcept;
/// A time of day "hh:mm[:ss[.fraction]]" as a fraction of a day.
std::optional<double> ParseTimeText(std::string_view text) noexcept;

/// Serial day numbers from the two numeric date forms SQLite's functions use.
inline constexpr double kJulianDayOfSerialZero = 2415018.5;  // 1899-12-30 00:00
inline constexpr double kSerialOfUnixEpoch = 25569.0;        // 1970-01-01 00:00
inline double SerialFromJulianDay(double jd) noexcept { return jd - kJulianDayOfSerialZero; }
inline double SerialFromUnixTime(double seconds) noexcept {
  return kSerialOfUnixEpoch + seconds / 86400.0;
}

/// Binary data as a cell shows it: "0x" and two upper-case hexadecimal digits per
/// byte ("0x00FF"; "0x" for no bytes). Sources give blobs this way, never as raw bytes.
std::string BinaryText(std::string_view bytes);
/// Appends BinaryText of a hexadecimal text ("\x0aff" as PostgreSQL sends bytea,
/// or bare digits) to out; false, with out unchanged, when the text is no such hex.
bool HexAsBinaryText(std::string_view hex, std::string& out);

/// Characters (code points) of a UTF-8 text.
std::size_t Utf8Length(std::string_view text) noexcept;

}  // namespace tablirex::data
