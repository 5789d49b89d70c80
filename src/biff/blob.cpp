#include "biff/blob.h"

#include <bit>

#include "biff/records.h"
#include "tablirex/result.h"

namespace tablirex {

TXLSBlob::TXLSBlob(std::uint32_t size) : cap_(size) {
  if (size > kInline) {
    heap_.reset(new std::uint8_t[size]);
    data_ = heap_.get();
  } else {
    data_ = inline_;
  }
}

TXLSBlob::TXLSBlob(TXLSBlob&& o) noexcept
    : cap_(o.cap_), pos_(o.pos_), heap_(std::move(o.heap_)) {
  if (heap_) {
    data_ = heap_.get();
  } else {
    std::memcpy(inline_, o.inline_, kInline);
    data_ = inline_;
  }
  o.cap_ = o.pos_ = 0;
  o.data_ = o.inline_;
}

TXLSBlob& TXLSBlob::operator=(TXLSBlob&& o) noexcept {
  if (this == &o) return *this;
  cap_ = o.cap_;
  pos_ = o.pos_;
  heap_ = std::move(o.heap_);
  if (heap_) {
    data_ = heap_.get();
  } else {
    std::memcpy(inline_, o.inline_, kInline);
    data_ = inline_;
  }
  o.cap_ = o.pos_ = 0;
  o.data_ = o.inline_;
  return *this;
}

void TXLSBlob::_SetDouble(double x, std::uint32_t off) noexcept {
  const auto bits = std::bit_cast<std::uint64_t>(x);
  _SetLong(static_cast<std::uint32_t>(bits), off);
  _SetLong(static_cast<std::uint32_t>(bits >> 32), off + 4);
}

double TXLSBlob::_GetDouble(std::uint32_t off) const noexcept {
  const std::uint64_t bits = static_cast<std::uint64_t>(_GetLong(off)) |
                             (static_cast<std::uint64_t>(_GetLong(off + 4)) << 32);
  return std::bit_cast<double>(bits);
}

void TXLSBlob::_SetWideString(std::u16string_view s, std::uint32_t off) noexcept {
  std::uint8_t* p = data_ + off;
  for (const char16_t c : s) {
    *p++ = static_cast<std::uint8_t>(c);
    *p++ = static_cast<std::uint8_t>(c >> 8);
  }
}

std::string TXLSBlob::_GetString(std::uint32_t off, std::uint32_t count) const {
  return std::string(reinterpret_cast<const char*>(data_ + off), count);
}

std::u16string TXLSBlob::_GetWideString(std::uint32_t off, std::uint32_t byteCount) const {
  std::u16string s(byteCount / 2, u'\0');
  for (std::uint32_t i = 0; i < byteCount / 2; ++i) s[i] = static_cast<char16_t>(_GetWord(off + 2 * i));
  return s;
}

void TXLSBlob::CopyData(const TXLSBlob& source, std::uint32_t sourceOffset,
                        std::uint32_t count) noexcept {
  if (count) std::memcpy(data_ + pos_, source.data_ + sourceOffset, count);
}

void TXLSBlob::Add(const TXLSBlob& other) {
  if (other.cap_ == 0) return;
  const std::uint32_t newCap = cap_ + other.cap_;
  std::unique_ptr<std::uint8_t[]> grown(new std::uint8_t[newCap]);
  if (cap_) std::memcpy(grown.get(), data_, cap_);
  std::memcpy(grown.get() + cap_, other.data_, other.cap_);
  heap_ = std::move(grown);
  data_ = heap_.get();
  cap_ = newCap;
}

std::int32_t TXLSBlob::Write(IByteSink& stream) const {
  if (pos_ == 0) return xlsOK;
  return stream.Write(data_, pos_) ? xlsOK : xlsFail;
}

std::int32_t TXLSBlobList::AddItem() {
  auto block = std::make_unique<TXLSBlob>(kBlockSize);
  blocks_.push_back(std::move(block));
  fill_ = 0;
  return xlsOK;
}

std::int32_t TXLSBlobList::AppendBytes(const std::uint8_t* p, std::uint32_t n) {
  std::uint32_t copied = 0;
  while (copied < n) {
    if (fill_ == kBlockSize) AddItem();
    TXLSBlob& last = *blocks_.back();
    const std::uint32_t space = kBlockSize - fill_;
    const std::uint32_t take = space < n - copied ? space : n - copied;
    std::memcpy(last.GetBuff() + fill_, p + copied, take);
    fill_ = static_cast<std::uint16_t>(fill_ + take);
    total_ += static_cast<std::int32_t>(take);
    last.SetDataSize(fill_);
    copied += take;
  }
  return xlsOK;
}

std::int32_t TXLSBlobList::AppendList(const TXLSBlobList& other) {
  for (const auto& b : other.blocks_) AppendBytes(b->GetBuff(), b->GetDataSize());
  return xlsOK;
}

void TXLSBlobList::Add(std::unique_ptr<TXLSBlob> block) {
  total_ += static_cast<std::int32_t>(block->GetDataSize());
  blocks_.push_back(std::move(block));
  // A block added as it is is closed: the next append opens a new one.
  fill_ = kBlockSize;
}

std::int32_t TXLSBlobList::Write(IByteSink& stream) const {
  for (const auto& b : blocks_) {
    const std::int32_t r = b->Write(stream);
    if (r != xlsOK) return r;
  }
  return xlsOK;
}

std::vector<std::uint8_t> TXLSBlobList::Bytes() const {
  std::vector<std::uint8_t> out;
  out.reserve(static_cast<std::size_t>(total_));
  for (const auto& b : blocks_) out.insert(out.end(), b->GetBuff(), b->GetBuff() + b->GetDataSize());
  return out;
}

bool SplitOversizedRecord(TXLSBlob& record, std::uint16_t maxBody) {
  const std::uint32_t s = record.GetDataSize();
  const std::uint32_t m = maxBody;
  if (s <= m + 4) return false;
  const std::uint32_t q = (s - m - 4) / m;
  const std::uint32_t r = (s - m - 4) % m;
  const std::uint32_t size = (m + 4) * (q + 1) + (r > 0 ? r + 4 : 0);
  TXLSBlob out(size);
  out.AddWord(record.GetWord(0));
  out.AddWord(static_cast<std::uint16_t>(m));
  out.AddBytes(record.GetBuff() + 4, m);
  std::uint32_t at = 4 + m;
  while (at < s) {
    const std::uint32_t len = s - at < m ? s - at : m;
    out.AddWord(RecNo(Rec::CONTINUE));
    out.AddWord(static_cast<std::uint16_t>(len));
    out.AddBytes(record.GetBuff() + at, len);
    at += len;
  }
  record = std::move(out);
  return true;
}

}  // namespace tablirex
