// Record buffers and the block lists records are packed into.
#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tablirex {

/// Where the bytes of a finished stream go (the compound document's stream, a file,
/// or memory in tests).
class IByteSink {
 public:
  virtual ~IByteSink() = default;
  /// Writes n bytes; false when fewer were written.
  virtual bool Write(const std::uint8_t* data, std::size_t n) = 0;
};

/// A sink that collects the bytes in memory.
class TMemorySink final : public IByteSink {
 public:
  bool Write(const std::uint8_t* data, std::size_t n) override {
    bytes.insert(bytes.end(), data, data + n);
    return true;
  }
  std::vector<std::uint8_t> bytes;
};

/// A fixed-capacity byte buffer with a write position. Values are written
/// little-endian; the Add… and Set… operations do not check the capacity: callers
/// size the buffer exactly (4 header bytes plus the body) before writing. Buffers
/// of up to kInline bytes live inside the object, so most cell records cost no
/// heap allocation.
class TXLSBlob {
 public:
  static constexpr std::uint32_t kInline = 64;  // cell records, formulas of a few terms included

  explicit TXLSBlob(std::uint32_t size = 0);
  TXLSBlob(const TXLSBlob&) = delete;
  TXLSBlob& operator=(const TXLSBlob&) = delete;
  TXLSBlob(TXLSBlob&& o) noexcept;
  TXLSBlob& operator=(TXLSBlob&& o) noexcept;
  ~TXLSBlob() = default;

  /// The buffer, or nullptr when the capacity is 0.
  std::uint8_t* GetBuff() noexcept { return cap_ ? data_ : nullptr; }
  const std::uint8_t* GetBuff() const noexcept { return cap_ ? data_ : nullptr; }
  std::uint32_t GetBuffSize() const noexcept { return cap_; }
  std::uint32_t GetDataSize() const noexcept { return pos_; }
  /// Sets the write position to min(n, capacity).
  void SetDataSize(std::uint32_t n) noexcept { pos_ = n < cap_ ? n : cap_; }

  void AddByte(std::uint8_t b) noexcept { data_[pos_++] = b; }
  void AddWord(std::uint16_t w) noexcept {
    _SetWord(w, pos_);
    pos_ += 2;
  }
  void AddLong(std::uint32_t d) noexcept {
    _SetLong(d, pos_);
    pos_ += 4;
  }
  void AddDouble(double x) noexcept {
    _SetDouble(x, pos_);
    pos_ += 8;
  }
  /// Writes the bytes of an 8-bit string (no length, no terminator).
  void AddString(std::string_view s) noexcept {
    _SetString(s, pos_);
    pos_ += static_cast<std::uint32_t>(s.size());
  }
  /// Writes UTF-16LE code units (no length, no terminator).
  void AddWideString(std::u16string_view s) noexcept {
    _SetWideString(s, pos_);
    pos_ += static_cast<std::uint32_t>(2 * s.size());
  }
  /// Writes raw bytes.
  void AddBytes(const void* p, std::uint32_t n) noexcept {
    if (n) std::memcpy(data_ + pos_, p, n);
    pos_ += n;
  }

  // Value first, then the byte offset; the write position is not changed.
  void SetByte(std::uint8_t b, std::uint32_t off) noexcept { _SetByte(b, off); }
  void SetWord(std::uint16_t w, std::uint32_t off) noexcept { _SetWord(w, off); }
  void SetLong(std::uint32_t d, std::uint32_t off) noexcept { _SetLong(d, off); }
  void SetDouble(double x, std::uint32_t off) noexcept { _SetDouble(x, off); }
  void SetString(std::string_view s, std::uint32_t off) noexcept { _SetString(s, off); }
  void SetWideString(std::u16string_view s, std::uint32_t off) noexcept { _SetWideString(s, off); }

  std::uint8_t GetByte(std::uint32_t off) const noexcept { return _GetByte(off); }
  std::uint16_t GetWord(std::uint32_t off) const noexcept { return _GetWord(off); }
  std::uint32_t GetLong(std::uint32_t off) const noexcept { return _GetLong(off); }
  double GetDouble(std::uint32_t off) const noexcept { return _GetDouble(off); }
  std::string GetString(std::uint32_t off, std::uint32_t count) const { return _GetString(off, count); }
  std::u16string GetWideString(std::uint32_t off, std::uint32_t byteCount) const {
    return _GetWideString(off, byteCount);
  }

  void _SetByte(std::uint8_t b, std::uint32_t off) noexcept { data_[off] = b; }
  void _SetWord(std::uint16_t w, std::uint32_t off) noexcept {
    data_[off] = static_cast<std::uint8_t>(w);
    data_[off + 1] = static_cast<std::uint8_t>(w >> 8);
  }
  void _SetLong(std::uint32_t d, std::uint32_t off) noexcept {
    data_[off] = static_cast<std::uint8_t>(d);
    data_[off + 1] = static_cast<std::uint8_t>(d >> 8);
    data_[off + 2] = static_cast<std::uint8_t>(d >> 16);
    data_[off + 3] = static_cast<std::uint8_t>(d >> 24);
  }
  void _SetDouble(double x, std::uint32_t off) noexcept;
  void _SetString(std::string_view s, std::uint32_t off) noexcept {
    if (!s.empty()) std::memcpy(data_ + off, s.data(), s.size());
  }
  void _SetWideString(std::u16string_view s, std::uint32_t off) noexcept;

  std::uint8_t _GetByte(std::uint32_t off) const noexcept { return data_[off]; }
  std::uint16_t _GetWord(std::uint32_t off) const noexcept {
    return static_cast<std::uint16_t>(data_[off] | (data_[off + 1] << 8));
  }
  std::uint32_t _GetLong(std::uint32_t off) const noexcept {
    return static_cast<std::uint32_t>(data_[off]) | (static_cast<std::uint32_t>(data_[off + 1]) << 8) |
           (static_cast<std::uint32_t>(data_[off + 2]) << 16) |
           (static_cast<std::uint32_t>(data_[off + 3]) << 24);
  }
  double _GetDouble(std::uint32_t off) const noexcept;
  std::string _GetString(std::uint32_t off, std::uint32_t count) const;
  std::u16string _GetWideString(std::uint32_t off, std::uint32_t byteCount) const;

  /// Copies count bytes of source, from sourceOffset, to this buffer at the write
  /// position; the write position is not moved.
  void CopyData(const TXLSBlob& source, std::uint32_t sourceOffset, std::uint32_t count) noexcept;
  /// Grows this buffer by other's whole capacity and copies other's buffer to the
  /// new area; the write position is not moved. Nothing when other is empty.
  void Add(const TXLSBlob& other);
  /// Writes the first GetDataSize() bytes; 1 when all were written, else -1.
  std::int32_t Write(IByteSink& stream) const;

 private:
  std::uint8_t* data_;
  std::uint32_t cap_ = 0;
  std::uint32_t pos_ = 0;
  std::unique_ptr<std::uint8_t[]> heap_;
  std::uint8_t inline_[kInline];
};

/// A chain of 4048-byte blocks into which records are packed back to back. What the
/// list holds is exactly the concatenation of the records appended to it.
class TXLSBlobList {
 public:
  static constexpr std::uint16_t kBlockSize = 4048;

  TXLSBlobList() = default;
  TXLSBlobList(const TXLSBlobList&) = delete;
  TXLSBlobList& operator=(const TXLSBlobList&) = delete;

  /// Appends a new empty block; returns 1.
  std::int32_t AddItem();
  /// Copies the blob's written bytes into the blocks; returns 1. (The blob stays
  /// with the caller; in C++ its owner frees it.)
  std::int32_t Append(const TXLSBlob& blob) { return AppendBytes(blob.GetBuff(), blob.GetDataSize()); }
  /// Copies n bytes into the blocks; returns 1.
  std::int32_t AppendBytes(const std::uint8_t* p, std::uint32_t n);
  /// Appends every block of the other list, in order; the other list keeps its blocks.
  std::int32_t AppendList(const TXLSBlobList& other);
  /// Appends a ready block as it is, without copying.
  void Add(std::unique_ptr<TXLSBlob> block);
  TXLSBlob* Get(std::size_t index) const noexcept { return blocks_[index].get(); }
  void Put(std::size_t index, std::unique_ptr<TXLSBlob> block) { blocks_[index] = std::move(block); }
  std::size_t Count() const noexcept { return blocks_.size(); }
  /// Bytes appended so far.
  std::int32_t Total() const noexcept { return total_; }
  /// Writes the blocks in order; stops at the first failing block and returns its
  /// result; 1 when all were written.
  std::int32_t Write(IByteSink& stream) const;
  /// All bytes held, in order (tests and the dumper).
  std::vector<std::uint8_t> Bytes() const;

 private:
  std::vector<std::unique_ptr<TXLSBlob>> blocks_;
  std::int32_t total_ = 0;
  std::uint16_t fill_ = kBlockSize;
};

/// Splits a record longer than maxBody + 4 bytes into a first record of maxBody
/// bytes and CONTINUE records of at most maxBody bytes. Returns true and replaces
/// the record when it split it; false (record untouched) when it fits.
bool SplitOversizedRecord(TXLSBlob& record, std::uint16_t maxBody);

}  // namespace tablirex
