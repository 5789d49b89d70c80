// The Python handles over the object model. Every handle keeps its workbook alive
// (through the shared holder) and checks before each use that its sheet still
// exists and that no save of the workbook is running in another thread.
#pragma once

#include <pybind11/pybind11.h>

#include <atomic>
#include <memory>
#include <string>
#include <string_view>

#include "tablirex/format_views.h"
#include "tablirex/range.h"
#include "tablirex/workbook.h"
#include "tablirex/worksheet.h"

namespace tablirex {
}

namespace tablirex::python {

namespace py = pybind11;

/// The workbook as Python handles share it.
class TBookHolder {
 public:
  TBookHolder();
  ~TBookHolder();
  TXLSWorkbook& Book() const noexcept { return *book_; }
  const Ref<TXLSWorkbook>& BookRef() const noexcept { return book_; }
  /// Raises when a save of this workbook runs in another thread.
  void CheckIdle() const;
  /// True while the sheet belongs to this workbook.
  bool HasSheet(const IXLSWorksheet* sheet) const;
  /// Raises FormulaError when text (without "=") does not compile on the sheet
  /// at that 1-based position (0: none), whose own names it may use.
  void CheckFormula(std::string_view text, std::int32_t sheet = 0);
  /// The number formats a cell without one of its own gets with a date, a
  /// date-time or a time value (Workbook.date_format, ...; dates.cpp).
  struct TDateFormats {
    std::string date = "yyyy-mm-dd", datetime = "yyyy-mm-dd hh:mm:ss", time = "hh:mm:ss";
  } dateFormats;
  /// Marks the workbook busy for the duration of a save.
  class TSaving {
   public:
    explicit TSaving(TBookHolder& h);
    ~TSaving() { h_.saving_ = false; }
    TSaving(const TSaving&) = delete;
    TSaving& operator=(const TSaving&) = delete;

   private:
    TBookHolder& h_;
  };

 private:
  Ref<TXLSWorkbook> book_;
  std::atomic<bool> saving_{false};
};
using TBookPtr = std::shared_ptr<TBookHolder>;

struct PyWorkbook {
  TBookPtr b = std::make_shared<TBookHolder>();
};

struct PySheets {
  TBookPtr b;
};

struct PySheet {
  TBookPtr b;
  IXLSWorksheet* sheet = nullptr;
  /// The sheet, after checking that it still exists and the workbook is idle.
  IXLSWorksheet& Get() const;
};

struct PyRange {
  TBookPtr b;
  IXLSWorksheet* sheet = nullptr;
  Ref<IXLSRange> range;
  IXLSRange& Get() const;
};

struct PyFont {
  PyRange r;
  Ref<IXLSFont> v;
  IXLSFont& Get() const {
    r.Get();
    return *v;
  }
};
struct PyInterior {
  PyRange r;
  Ref<IXLSInterior> v;
  IXLSInterior& Get() const {
    r.Get();
    return *v;
  }
};
struct PyBorders {
  PyRange r;
  Ref<IXLSBorders> v;
  IXLSBorders& Get() const {
    r.Get();
    return *v;
  }
};
struct PyBorder {
  PyRange r;
  Ref<IXLSBorder> v;
  IXLSBorder& Get() const {
    r.Get();
    return *v;
  }
};
struct PyPageSetup {
  PySheet s;
};

/// A colour argument ("#RRGGBB", a colour name, (r, g, b) or 0xRRGGBB) as RGB with
/// red in bits 0-7; raises ValueError for anything else.
std::uint32_t ColorArg(py::handle v);
/// "#RRGGBB" of an RGB value (red in bits 0-7).
std::string ColorText(std::uint32_t rgb);

/// A handle for a range the library hands out (events of the exporters).
PyRange WrapRange(const TBookPtr& b, IXLSWorksheet* sheet, IXLSRange* range);

/// Saves the workbook with the GIL released; raises SaveError on failure.
/// Saves; issues the save's warnings as DataLossWarning, or raises SaveError.
void SaveBook(TBookHolder& b, const std::string& path, std::int32_t format, bool strict = false);

void BindObjectModel(py::module_& m);

}  // namespace tablirex::python
