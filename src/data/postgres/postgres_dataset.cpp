// A PostgreSQL query's result read through libpq's single-row mode: each record
// arrives as a result of its own, so that memory holds one record at a time.
#include "tablirex/postgres_dataset.h"

#include <libpq-fe.h>

#include <string>

#include "data/postgres/postgres_values.h"
#include "tablirex/result.h"

namespace tablirex {

namespace {

// A server message without its closing line break.
std::string Message(const char* text) {
  std::string s = text ? text : "";
  while (!s.empty() && (s.back() == '\n' || s.back() == '\r' || s.back() == ' ')) s.pop_back();
  return s.empty() ? "no message from the server" : s;
}

// Settings that make the text the server sends independent of its locale and
// configuration: UTF-8 texts, ISO dates, money as "$1,234.56", bytea as hex.
constexpr const char* kSessionSetup =
    "SET DateStyle = 'ISO, YMD'; SET lc_monetary = 'C'; SET bytea_output = 'hex'";

// A column of the current record, read from the dataset's single-row result.
class TPostgresField final : public TField {
 public:
  TPostgresField(const TPostgresDataSet& owner, int column, std::string name, TFieldType type,
                 std::int32_t width)
      : TField(std::move(name), type, width), owner_(owner), column_(column) {}

  TVariant GetValue() const override {
    const PGresult* row = owner_.CurrentRow();
    if (!row || PQgetisnull(row, 0, column_)) return TVariant::Null();
    return postgres::ReadValue(
        GetDataType(), std::string_view(PQgetvalue(row, 0, column_),
                                        static_cast<std::size_t>(PQgetlength(row, 0, column_))));
  }

 private:
  const TPostgresDataSet& owner_;
  int column_;
};

}  // namespace

void TPostgresDataSet::ConnCloser::operator()(pg_conn* conn) const noexcept { PQfinish(conn); }
void TPostgresDataSet::ResultClearer::operator()(pg_result* result) const noexcept {
  PQclear(result);
}

TPostgresDataSet::TPostgresDataSet() = default;

TPostgresDataSet::~TPostgresDataSet() { Close(); }

std::int32_t TPostgresDataSet::Open(std::string_view conninfo, std::string_view query) {
  if (conn_ || GetFieldCount() > 0 || !oids_.empty())
    return Fail(
        "PostgreSQL: this dataset was opened already; open another query with a new dataset");
  ClearError();
  const std::string info(conninfo);
  conn_.reset(PQconnectdb(info.c_str()));
  if (!conn_) return Fail("PostgreSQL: cannot connect: out of memory");
  if (PQstatus(conn_.get()) != CONNECTION_OK) {
    std::string message = "PostgreSQL: cannot connect: " + Message(PQerrorMessage(conn_.get()));
    conn_.reset();
    return Fail(std::move(message));
  }
  if (PQsetClientEncoding(conn_.get(), "UTF8") != 0) {
    std::string message =
        "PostgreSQL: cannot set the client encoding: " + Message(PQerrorMessage(conn_.get()));
    conn_.reset();
    return Fail(std::move(message));
  }
  const ResultPtr setup(PQexec(conn_.get(), kSessionSetup));
  if (PQresultStatus(setup.get()) != PGRES_COMMAND_OK) {
    std::string message =
        "PostgreSQL: cannot set up the session: " + Message(PQerrorMessage(conn_.get()));
    conn_.reset();
    return Fail(std::move(message));
  }
  query_ = query;
  const std::int32_t r = Execute();
  if (r != xlsOK) Close();
  return r;
}

void TPostgresDataSet::Close() noexcept {
  StopQuery();
  conn_.reset();
  SetEof(true);
}

std::uint32_t TPostgresDataSet::GetFieldTypeOid(std::int32_t index) const noexcept {
  return index >= 0 && static_cast<std::size_t>(index) < oids_.size()
             ? oids_[static_cast<std::size_t>(index)]
             : 0;
}

std::int32_t TPostgresDataSet::FailQuery(std::string message) {
  row_.reset();
  SetEof(true);
  return Fail(std::move(message));
}

std::int32_t TPostgresDataSet::Execute() {
  row_.reset();
  SetRecNo(-1);
  SetEof(true);
  if (!PQsendQuery(conn_.get(), query_.c_str()))
    return FailQuery("PostgreSQL: cannot send the query: " + Message(PQerrorMessage(conn_.get())));
  running_ = true;
  if (!PQsetSingleRowMode(conn_.get())) {
    StopQuery();
    return FailQuery("PostgreSQL: cannot read the result row by row");
  }
  // Results of statements before the first one that returns rows are passed over.
  while (true) {
    ResultPtr result(PQgetResult(conn_.get()));
    if (!result) {
      running_ = false;
      return FailQuery("PostgreSQL: the query returns no rows (it is no SELECT or the like)");
    }
    const ExecStatusType status = PQresultStatus(result.get());
    if (status == PGRES_COMMAND_OK || status == PGRES_EMPTY_QUERY) continue;
    if (status == PGRES_COPY_IN || status == PGRES_COPY_OUT || status == PGRES_COPY_BOTH) {
      running_ = false;
      conn_.reset();  // a copy in progress leaves the connection unusable for queries
      return FailQuery("PostgreSQL: COPY gives no rows to read; use a SELECT");
    }
    if (status != PGRES_SINGLE_TUPLE && status != PGRES_TUPLES_OK) {
      std::string message =
          "PostgreSQL: the query failed: " + Message(PQresultErrorMessage(result.get()));
      result.reset();
      Drain();
      return FailQuery(std::move(message));
    }
    // The first run describes the fields; later runs of the same text must give
    // the same columns, or the fields would read the wrong values.
    const int columns = PQnfields(result.get());
    if (oids_.empty() && GetFieldCount() == 0) {
      for (int i = 0; i < columns; ++i) {
        const Oid oid = PQftype(result.get(), i);
        const int typmod = PQfmod(result.get(), i);
        oids_.push_back(oid);
        AddField(std::make_unique<TPostgresField>(*this, i, PQfname(result.get(), i),
                                                  PostgresFieldType(oid, typmod),
                                                  postgres::DisplayWidth(oid, typmod)));
      }
    } else {
      bool same = columns == GetFieldCount();
      for (int i = 0; same && i < columns; ++i)
        same = PQftype(result.get(), i) == oids_[static_cast<std::size_t>(i)];
      if (!same) {
        StopQuery();
        return FailQuery("PostgreSQL: the query's columns changed since it was opened");
      }
    }
    if (status == PGRES_TUPLES_OK) {  // no rows at all
      SetRecNo(0);
      return FinishQuery();
    }
    row_ = std::move(result);
    SetRecNo(0);
    SetEof(false);
    return xlsOK;
  }
}

std::int32_t TPostgresDataSet::ReadRow() {
  ResultPtr result(PQgetResult(conn_.get()));
  if (!result) {
    running_ = false;
    return FailQuery("PostgreSQL: the result ended without its closing status");
  }
  switch (PQresultStatus(result.get())) {
    case PGRES_SINGLE_TUPLE:
      row_ = std::move(result);
      SetRecNo(GetRecNo() + 1);
      return xlsOK;
    case PGRES_TUPLES_OK:  // the end of the rows
      SetRecNo(GetRecNo() + 1);
      return FinishQuery();
    default: {
      std::string message = "PostgreSQL: the query failed after " + std::to_string(GetRecNo() + 1) +
                            " records: " + Message(PQresultErrorMessage(result.get()));
      result.reset();
      Drain();
      return FailQuery(std::move(message));
    }
  }
}

std::int32_t TPostgresDataSet::FinishQuery() {
  // Results of the statements after the rows: an error among them is the query's
  // error; a second set of rows would be lost, so it is refused.
  row_.reset();
  SetEof(true);
  std::string message;
  while (ResultPtr result{PQgetResult(conn_.get())}) {
    if (!message.empty()) continue;
    switch (PQresultStatus(result.get())) {
      case PGRES_COMMAND_OK:
      case PGRES_EMPTY_QUERY:
        break;
      case PGRES_SINGLE_TUPLE:
      case PGRES_TUPLES_OK:
        message = "PostgreSQL: the query returns more than one set of rows; only the first is read";
        break;
      default:
        message = "PostgreSQL: the query failed after its rows: " +
                  Message(PQresultErrorMessage(result.get()));
        break;
    }
  }
  running_ = false;
  return message.empty() ? xlsOK : Fail(std::move(message));
}

void TPostgresDataSet::StopQuery() noexcept {
  row_.reset();
  if (!running_ || !conn_) {
    running_ = false;
    return;
  }
  // Ask the server to stop sending, then read what it sent until the connection
  // is idle (the last result is the cancellation's error, which is expected).
  if (PGcancel* cancel = PQgetCancel(conn_.get())) {
    char buffer[256];
    PQcancel(cancel, buffer, sizeof buffer);
    PQfreeCancel(cancel);
  }
  Drain();
}

void TPostgresDataSet::Drain() noexcept {
  if (conn_)
    while (PGresult* result = PQgetResult(conn_.get())) PQclear(result);
  running_ = false;
}

std::int32_t TPostgresDataSet::First() {
  if (!conn_) return Fail("PostgreSQL: the dataset is not open");
  ClearError();
  // Standing on the first record (or just before it) nothing need be read again:
  // an exporter's First right after Open does not run the query twice.
  if (row_ && GetRecNo() <= 0) {
    SetRecNo(0);
    return xlsOK;
  }
  StopQuery();
  return Execute();
}

std::int32_t TPostgresDataSet::Next() {
  if (!conn_) return Fail("PostgreSQL: the dataset is not open");
  if (Eof()) return xlsOK;
  if (GetRecNo() < 0) {  // before the first record, which is already read
    SetRecNo(0);
    return xlsOK;
  }
  return ReadRow();
}

std::int32_t TPostgresDataSet::GotoBookmark(TBookmark bookmark) {
  if (!conn_) return Fail("PostgreSQL: the dataset is not open");
  if (bookmark < -1) return Fail("PostgreSQL: no record has bookmark " + std::to_string(bookmark));
  if (bookmark == -1 || bookmark < GetRecNo()) {
    TXLS_RETURN_ON_ERROR(First());
    if (bookmark == -1) {
      SetRecNo(-1);
      return xlsOK;
    }
  }
  while (GetRecNo() < bookmark && !Eof()) TXLS_RETURN_ON_ERROR(Next());
  if (GetRecNo() == bookmark) return xlsOK;
  return Fail("PostgreSQL: no record has bookmark " + std::to_string(bookmark) +
              "; the query gives " + std::to_string(GetRecNo()) + " records");
}

}  // namespace tablirex
