#include "formula/formula_text.h"

namespace tablirex {

std::string FormulaFileText(std::string_view text) {
  std::string out(text);
  char quote = 0;  // '"' inside a string constant, '\'' inside a sheet name
  for (char& c : out) {
    if (quote) {
      // A doubled quote closes and reopens at once, which leaves the state as is.
      if (c == quote) quote = 0;
    } else if (c == '"' || c == '\'') {
      quote = c;
    } else if (c == ';') {
      c = ',';
    }
  }
  return out;
}

}  // namespace tablirex
