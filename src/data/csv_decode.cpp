#include "data/csv_decode.h"

#include <array>
#include <cstring>
#include <string>

#include "text/text.h"

namespace tablirex::data {
namespace {

constexpr std::size_t kChunk = 1 << 16;

// Writes decoded characters as UTF-8 and counts lines and invalid bytes.
class TDecoder {
 public:
  TDecoder(std::FILE* out, bool stopAtFirst, TInvalidBytes& invalid)
      : out_(out), stopAtFirst_(stopAtFirst), invalid_(invalid) {
    if (out_) buf_.reserve(kChunk + 8);
  }

  void Char(std::uint32_t c) {
    if (c == '\r') {
      EndLine();
      lastCR_ = true;
    } else {
      if (c == '\n' && !lastCR_) EndLine();
      lastCR_ = false;
    }
    if (out_) Emit(c);
  }

  // An invalid sequence of n bytes: one U+FFFD in the text.
  void Invalid(std::size_t n) {
    lineInvalid_ += static_cast<std::int64_t>(n);
    lastCR_ = false;
    if (out_) Emit(0xFFFD);
    if (stopAtFirst_) stopped_ = true;
  }

  bool Stopped() const noexcept { return stopped_; }

  bool Finish() {
    if (lineInvalid_ > 0) Record();
    return Flush();
  }

  bool Flush() {
    if (!out_ || buf_.empty()) return ok_;
    ok_ = ok_ && std::fwrite(buf_.data(), 1, buf_.size(), out_) == buf_.size();
    buf_.clear();
    return ok_;
  }

 private:
  void Emit(std::uint32_t c) {
    if (c < 0x80) {
      buf_ += static_cast<char>(c);
    } else if (c < 0x800) {
      buf_ += static_cast<char>(0xC0 | (c >> 6));
      buf_ += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      buf_ += static_cast<char>(0xE0 | (c >> 12));
      buf_ += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      buf_ += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      buf_ += static_cast<char>(0xF0 | (c >> 18));
      buf_ += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
      buf_ += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      buf_ += static_cast<char>(0x80 | (c & 0x3F));
    }
    if (buf_.size() >= kChunk) Flush();
  }

  void EndLine() {
    if (lineInvalid_ > 0) Record();
    lineInvalid_ = 0;
    ++line_;
  }

  void Record() {
    ++invalid_.lines;
    if (invalid_.firstLines.size() < TInvalidBytes::kListed) {
      invalid_.firstLines.push_back(line_);
      invalid_.firstCounts.push_back(lineInvalid_);
    }
  }

  std::FILE* out_;
  bool stopAtFirst_;
  TInvalidBytes& invalid_;
  std::string buf_;
  std::int64_t line_ = 1;
  std::int64_t lineInvalid_ = 0;
  bool lastCR_ = false;
  bool stopped_ = false;
  bool ok_ = true;
};

// The length of the UTF-8 sequence a lead byte opens and the range its second
// byte must lie in (0 for a byte that opens none).
struct TLead {
  std::uint8_t length, low, high;
};
constexpr TLead LeadOf(std::uint8_t b) noexcept {
  if (b >= 0xC2 && b <= 0xDF) return {2, 0x80, 0xBF};
  if (b == 0xE0) return {3, 0xA0, 0xBF};
  if (b == 0xED) return {3, 0x80, 0x9F};  // no surrogates
  if (b >= 0xE1 && b <= 0xEF) return {3, 0x80, 0xBF};
  if (b == 0xF0) return {4, 0x90, 0xBF};
  if (b >= 0xF1 && b <= 0xF3) return {4, 0x80, 0xBF};
  if (b == 0xF4) return {4, 0x80, 0x8F};  // up to U+10FFFF
  return {0, 0, 0};
}

// Decodes what the buffer holds; returns how many bytes at its end wait for more
// input (a sequence cut by the chunk's end).
std::size_t DecodeUtf8(const unsigned char* p, std::size_t n, bool last, TDecoder& d) {
  std::size_t i = 0;
  while (i < n && !d.Stopped()) {
    const unsigned char b = p[i];
    if (b < 0x80) {
      d.Char(b);
      ++i;
      continue;
    }
    const TLead lead = LeadOf(b);
    if (lead.length == 0) {
      d.Invalid(1);
      ++i;
      continue;
    }
    if (i + lead.length > n && !last) return n - i;
    std::uint32_t c = b & (0xFF >> (lead.length + 1));
    std::size_t k = 1;
    for (; k < lead.length && i + k < n; ++k) {
      const unsigned char t = p[i + k];
      const bool ok = k == 1 ? (t >= lead.low && t <= lead.high) : (t >= 0x80 && t <= 0xBF);
      if (!ok) break;
      c = (c << 6) | (t & 0x3F);
    }
    if (k < lead.length) {
      d.Invalid(k);  // the lead and the continuation bytes that fitted
      i += k;
      continue;
    }
    d.Char(c);
    i += lead.length;
  }
  return 0;
}

std::size_t DecodeUtf16(const unsigned char* p, std::size_t n, bool last, bool bigEndian, TDecoder& d) {
  const auto unit = [&](std::size_t at) -> std::uint32_t {
    return bigEndian ? (p[at] << 8) | p[at + 1] : p[at] | (p[at + 1] << 8);
  };
  std::size_t i = 0;
  while (i + 1 < n && !d.Stopped()) {
    const std::uint32_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF) {
      if (i + 3 >= n && !last) return n - i;
      if (i + 3 < n) {
        const std::uint32_t v = unit(i + 2);
        if (v >= 0xDC00 && v <= 0xDFFF) {
          d.Char(0x10000 + ((u - 0xD800) << 10) + (v - 0xDC00));
          i += 4;
          continue;
        }
      }
      d.Invalid(2);
    } else if (u >= 0xDC00 && u <= 0xDFFF) {
      d.Invalid(2);
    } else {
      d.Char(u);
    }
    i += 2;
  }
  if (i < n && !d.Stopped()) {
    if (!last) return n - i;
    d.Invalid(n - i);  // an odd byte at the end
  }
  return 0;
}

// Code points of the high half of an 8-bit code page; 0 where the page has none.
std::array<std::uint32_t, 128> HighHalf(std::uint16_t codePage) {
  std::string bytes;
  for (int b = 0x80; b < 0x100; ++b) bytes += static_cast<char>(b);
  const std::u16string wide = CodePageToUtf16(bytes, codePage);
  std::array<std::uint32_t, 128> out{};
  for (std::size_t i = 0; i < out.size() && i < wide.size(); ++i) out[i] = wide[i] == 0xFFFD ? 0 : wide[i];
  return out;
}

}  // namespace

TByteOrderMark ReadByteOrderMark(const unsigned char* b, std::size_t n, TCsvEncoding given) noexcept {
  if (n >= 3 && b[0] == 0xEF && b[1] == 0xBB && b[2] == 0xBF) return {TCsvEncoding::Utf8, false, 3};
  if (n >= 2 && b[0] == 0xFF && b[1] == 0xFE) return {TCsvEncoding::Utf16, false, 2};
  if (n >= 2 && b[0] == 0xFE && b[1] == 0xFF) return {TCsvEncoding::Utf16, true, 2};
  return {given, false, 0};
}

bool DecodeToUtf8(std::FILE* in, TCsvEncoding encoding, bool bigEndian, std::FILE* out, bool stopAtFirst,
                  TInvalidBytes& invalid) {
  TDecoder d(out, stopAtFirst, invalid);
  std::array<std::uint32_t, 128> high{};
  if (encoding == TCsvEncoding::Cp1252) high = HighHalf(1252);
  if (encoding == TCsvEncoding::Latin1) high = HighHalf(28591);
  std::string buf(kChunk + 8, '\0');
  std::size_t kept = 0;  // bytes of a cut sequence carried to the next chunk
  while (!d.Stopped()) {
    const std::size_t got = std::fread(buf.data() + kept, 1, kChunk, in);
    if (got == 0 && std::ferror(in)) return false;
    const bool last = got == 0 || std::feof(in);
    const std::size_t n = kept + got;
    const auto* p = reinterpret_cast<const unsigned char*>(buf.data());
    std::size_t wait = 0;
    switch (encoding) {
      case TCsvEncoding::Utf8: wait = DecodeUtf8(p, n, last, d); break;
      case TCsvEncoding::Utf16: wait = DecodeUtf16(p, n, last, bigEndian, d); break;
      case TCsvEncoding::Cp1252:
      case TCsvEncoding::Latin1:
        for (std::size_t i = 0; i < n && !d.Stopped(); ++i) {
          const unsigned char b = p[i];
          const std::uint32_t c = b < 0x80 ? b : high[b - 0x80];
          if (c == 0) d.Invalid(1);
          else d.Char(c);
        }
        break;
    }
    std::memmove(buf.data(), buf.data() + n - wait, wait);
    kept = wait;
    if (!d.Flush()) return false;
    if (last) break;
  }
  return d.Finish();
}

const char* EncodingName(TCsvEncoding encoding) noexcept {
  switch (encoding) {
    case TCsvEncoding::Utf8: return "UTF-8";
    case TCsvEncoding::Cp1252: return "cp1252";
    case TCsvEncoding::Latin1: return "latin-1";
    case TCsvEncoding::Utf16: return "UTF-16";
  }
  return "?";
}

}  // namespace tablirex::data
