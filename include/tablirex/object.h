// The reference-counted base of the object model and the smart pointer callers hold.
#pragma once

#include <cstdint>
#include <utility>

namespace tablirex {

/// Common base of every object of the model. When the counting flag is set the
/// object lives by its reference count and deletes itself when the last reference
/// is released (the workbook, ranges and other views handed to callers). When it is
/// clear, _AddRef and _Release do nothing and return -1: an owner frees the object
/// (the sheet collection, each worksheet, each page setup).
class TXLSObject {
 public:
  explicit TXLSObject(bool counted = false) noexcept : counted_(counted) {}
  TXLSObject(const TXLSObject&) = delete;
  TXLSObject& operator=(const TXLSObject&) = delete;
  virtual ~TXLSObject() = default;

  /// Adds a reference; returns the new count, or -1 for an uncounted object.
  std::int32_t _AddRef() noexcept {
    if (!counted_) return -1;
    return ++refs_;
  }
  /// Releases a reference; deletes a counted object whose count reaches 0.
  /// Returns the new count, or -1 for an uncounted object.
  std::int32_t _Release() noexcept {
    if (!counted_) return -1;
    const std::int32_t n = --refs_;
    if (n == 0) delete this;
    return n;
  }
  bool IsCounted() const noexcept { return counted_; }
  std::int32_t RefCount() const noexcept { return refs_; }

 protected:
  void SetCounted(bool counted) noexcept { counted_ = counted; }

 private:
  std::int32_t refs_ = 0;
  bool counted_;
};

/// Intrusive smart pointer over TXLSObject descendants. Holding a Ref to an
/// uncounted object does not keep it alive: its owner decides its lifetime.
template <class T>
class Ref {
 public:
  Ref() noexcept = default;
  Ref(std::nullptr_t) noexcept {}
  Ref(T* p) noexcept : p_(p) { Retain(); }
  Ref(const Ref& o) noexcept : p_(o.p_) { Retain(); }
  Ref(Ref&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
  template <class U>
  Ref(const Ref<U>& o) noexcept : p_(o.get()) { Retain(); }
  template <class U>
  Ref(Ref<U>&& o) noexcept : p_(o.release()) {}
  ~Ref() { Drop(); }

  Ref& operator=(const Ref& o) noexcept {
    Ref(o).swap(*this);
    return *this;
  }
  Ref& operator=(Ref&& o) noexcept {
    Ref(std::move(o)).swap(*this);
    return *this;
  }
  Ref& operator=(T* p) noexcept {
    Ref(p).swap(*this);
    return *this;
  }

  T* get() const noexcept { return p_; }
  T* operator->() const noexcept { return p_; }
  T& operator*() const noexcept { return *p_; }
  explicit operator bool() const noexcept { return p_ != nullptr; }
  void reset() noexcept { Ref().swap(*this); }
  /// Gives up the pointer without releasing the reference it holds.
  T* release() noexcept { return std::exchange(p_, nullptr); }
  void swap(Ref& o) noexcept { std::swap(p_, o.p_); }

  friend bool operator==(const Ref& a, const Ref& b) noexcept { return a.p_ == b.p_; }
  friend bool operator==(const Ref& a, std::nullptr_t) noexcept { return a.p_ == nullptr; }

 private:
  void Retain() noexcept {
    if (p_) p_->_AddRef();
  }
  void Drop() noexcept {
    if (p_) p_->_Release();
  }
  T* p_ = nullptr;
};

/// Creates a counted object and returns the first reference to it.
template <class T, class... Args>
Ref<T> MakeRef(Args&&... args) {
  return Ref<T>(new T(std::forward<Args>(args)...));
}

}  // namespace tablirex
