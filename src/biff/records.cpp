#include "biff/records.h"

namespace tablirex {

const char* RecordName(std::uint16_t number) noexcept {
  switch (number) {
#define TXLS_RECORD(id, value, text) \
  case value: return text;
#include "biff/records.def"
#undef TXLS_RECORD
    default: return nullptr;
  }
}

}  // namespace tablirex
