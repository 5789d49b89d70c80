// A PostgreSQL query's result as a dataset (libpq; target tablirex_postgres).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "tablirex/data.h"

// libpq's handle types, declared here so that callers need not see libpq-fe.h.
struct pg_conn;
struct pg_result;

namespace tablirex {

/// One row of the table that maps PostgreSQL type OIDs to data type codes. The
/// source, its tests and docs/postgres.md all read this one table.
struct TPostgresType {
  std::uint32_t Oid;
  const char* Name;         // the type's name in pg_type
  TFieldType DataType;
  std::int32_t DisplayWidth;  // characters; 0 when the type gives no natural width
};

/// Every type OID the source knows. A type not listed (arrays, enums, ranges,
/// geometric and network types, extension types ...) is read as text (ftString).
std::span<const TPostgresType> PostgresTypes() noexcept;

/// The data type code of a result column of type `oid` with type modifier
/// `typmod` (PQfmod; -1 when none): the table's code, except that numeric with
/// scale 2 (numeric(p,2)) is currency. Unknown OIDs give ftString.
TFieldType PostgresFieldType(std::uint32_t oid, std::int32_t typmod) noexcept;

/// The rows of one query, streamed from the server one record at a time (libpq's
/// single-row mode): memory holds the current record only, whatever the size of
/// the result.
///
/// Values come as the data type code says (see docs/postgres.md): integers,
/// doubles (float4/float8, and numeric other than numeric(p,2)), varCurrency (money,
/// numeric(p,2)), varDate serials (date, time, timetz, timestamp, timestamptz),
/// booleans, bytea as "0x" and upper-case hex digits ("0x0102FF"), and UTF-8 texts
/// for everything else. A value with no such form (NaN, ±Infinity, a date before
/// 1900-01-01 or after 9999-12-31, 'infinity', a time of 24:00:00) comes as the
/// server's text. timestamptz and timetz are shown in the session time zone, which
/// is the server's unless the conninfo sets it (options='-c TimeZone=...'); the
/// offset is dropped. NULL is TVariant::Null().
///
/// The connection uses client_encoding UTF8, DateStyle ISO and lc_monetary C, so
/// that the values it reads do not depend on the server's locale settings.
class TPostgresDataSet final : public TDataSet {
 public:
  TPostgresDataSet();
  ~TPostgresDataSet() override;

  /// Connects with a libpq connection string ("host=/tmp/sock dbname=app" or a
  /// postgresql:// URI) and runs `query`; on success the dataset stands on the
  /// first record (Eof() for an empty result) with one field per result column.
  /// The rows are those of the first statement that returns rows; a query that
  /// returns none fails. Returns xlsOK, or xlsFail with the server's message in
  /// GetErrorText(). A dataset is opened once: open another query with another
  /// dataset.
  std::int32_t Open(std::string_view conninfo, std::string_view query);
  /// Stops a running query and closes the connection; Eof() becomes true. The
  /// fields stay (their values are then NULL).
  void Close() noexcept;
  bool IsOpen() const noexcept { return conn_ != nullptr; }

  /// Stands on the first record: nothing is read when the dataset stands on it (or
  /// just before it) already; otherwise the running query is stopped and run again.
  std::int32_t First() override;
  /// Reads the next record. An error the server raises while sending rows gives
  /// xlsFail with its message, and Eof() becomes true.
  std::int32_t Next() override;
  /// Returns to a record: forward by reading on, backward by running the query
  /// again and skipping to it. A bookmark past the last record leaves Eof() true
  /// and fails.
  std::int32_t GotoBookmark(TBookmark bookmark) override;

  /// The type OID of a result column (0 outside 0..GetFieldCount()-1).
  std::uint32_t GetFieldTypeOid(std::int32_t index) const noexcept;

  /// The current record as a single-row result; nullptr before the first record
  /// and at the end. The fields read their values from it.
  const pg_result* CurrentRow() const noexcept { return GetRecNo() >= 0 ? row_.get() : nullptr; }

 private:
  struct ConnCloser {
    void operator()(pg_conn* conn) const noexcept;
  };
  struct ResultClearer {
    void operator()(pg_result* result) const noexcept;
  };
  using ConnPtr = std::unique_ptr<pg_conn, ConnCloser>;
  using ResultPtr = std::unique_ptr<pg_result, ResultClearer>;

  std::int32_t Execute();
  std::int32_t ReadRow();
  std::int32_t FinishQuery();
  void StopQuery() noexcept;
  void Drain() noexcept;
  std::int32_t FailQuery(std::string message);

  ConnPtr conn_;
  ResultPtr row_;
  std::string query_;
  std::vector<std::uint32_t> oids_;
  bool running_ = false;  // results of the query are still to be read
};

}  // namespace tablirex
