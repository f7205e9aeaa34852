// ByteView: the one bounds-checked little-endian reader that every decoder of
// file bytes goes through. A view never owns its bytes and can never read past
// its end: a read out of range reports failure (optional) or, for the *_or
// forms, yields the caller's fallback. No decoder casts file bytes to structs.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace pagewright {

class ByteView {
 public:
  ByteView() = default;
  ByteView(const uint8_t* data, size_t size) : data_(data), size_(data ? size : 0) {}
  explicit ByteView(std::span<const uint8_t> bytes) : data_(bytes.data()), size_(bytes.size()) {}
  explicit ByteView(const std::vector<uint8_t>& bytes) : data_(bytes.data()), size_(bytes.size()) {}

  const uint8_t* data() const { return data_; }
  size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }

  // True when [offset, offset + length) lies inside the view; overflow-safe.
  bool has(size_t offset, size_t length) const {
    return offset <= size_ && length <= size_ - offset;
  }

  // The sub-range [offset, offset + length), or nothing when it does not fit.
  std::optional<ByteView> sub(size_t offset, size_t length) const {
    if (!has(offset, length)) return std::nullopt;
    return ByteView(data_ + offset, length);
  }
  // The sub-range clipped to the view: never fails, may be shorter than asked.
  ByteView clip(size_t offset, size_t length) const {
    if (offset >= size_) return ByteView();
    size_t avail = size_ - offset;
    return ByteView(data_ + offset, length < avail ? length : avail);
  }
  ByteView from(size_t offset) const { return clip(offset, size_); }

  std::optional<uint8_t> u8_at(size_t offset) const { return read<uint8_t>(offset); }
  std::optional<uint16_t> u16_at(size_t offset) const { return read<uint16_t>(offset); }
  std::optional<uint32_t> u32_at(size_t offset) const { return read<uint32_t>(offset); }
  std::optional<uint64_t> u64_at(size_t offset) const { return read<uint64_t>(offset); }
  std::optional<int8_t> i8_at(size_t offset) const { return read<int8_t>(offset); }
  std::optional<int16_t> i16_at(size_t offset) const { return read<int16_t>(offset); }
  std::optional<int32_t> i32_at(size_t offset) const { return read<int32_t>(offset); }
  std::optional<int64_t> i64_at(size_t offset) const { return read<int64_t>(offset); }

  // Reads that substitute a fallback when out of range; for fixed positions of
  // a structure whose size was already checked, or where the failure
  // path is a default value.
  uint8_t u8_or(size_t offset, uint8_t fallback = 0) const { return u8_at(offset).value_or(fallback); }
  uint16_t u16_or(size_t offset, uint16_t fallback = 0) const { return u16_at(offset).value_or(fallback); }
  uint32_t u32_or(size_t offset, uint32_t fallback = 0) const { return u32_at(offset).value_or(fallback); }
  uint64_t u64_or(size_t offset, uint64_t fallback = 0) const { return u64_at(offset).value_or(fallback); }
  int8_t i8_or(size_t offset, int8_t fallback = 0) const { return i8_at(offset).value_or(fallback); }
  int16_t i16_or(size_t offset, int16_t fallback = 0) const { return i16_at(offset).value_or(fallback); }
  int32_t i32_or(size_t offset, int32_t fallback = 0) const { return i32_at(offset).value_or(fallback); }
  int64_t i64_or(size_t offset, int64_t fallback = 0) const { return i64_at(offset).value_or(fallback); }

  // Little-endian unsigned integer of 1..8 bytes; nothing when out of range.
  std::optional<uint64_t> uint_n_at(size_t offset, size_t width) const {
    if (width == 0 || width > 8 || !has(offset, width)) return std::nullopt;
    uint64_t value = 0;
    for (size_t index = 0; index < width; ++index)
      value |= static_cast<uint64_t>(data_[offset + index]) << (8 * index);
    return value;
  }

  // Copies of a range; empty when out of range.
  std::vector<uint8_t> copy(size_t offset, size_t length) const {
    if (!has(offset, length)) return {};
    return std::vector<uint8_t>(data_ + offset, data_ + offset + length);
  }
  std::vector<uint8_t> to_vector() const { return std::vector<uint8_t>(data_, data_ + size_); }

  uint8_t operator[](size_t offset) const { return offset < size_ ? data_[offset] : 0; }

 private:
  template <typename T>
  std::optional<T> read(size_t offset) const {
    if (!has(offset, sizeof(T))) return std::nullopt;
    // Byte-wise assembly keeps the value little-endian on any host.
    uint64_t value = 0;
    for (size_t index = 0; index < sizeof(T); ++index)
      value |= static_cast<uint64_t>(data_[offset + index]) << (8 * index);
    return static_cast<T>(value);
  }

  const uint8_t* data_ = nullptr;
  size_t size_ = 0;
};

}  // namespace pagewright
