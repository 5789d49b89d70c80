// The MD5 message digest: the key under which the drawing layer stores each
// image once, whatever the number of pictures that show it.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace tablirex {

using TDigest = std::array<std::uint8_t, 16>;

/// The 16-byte MD5 digest of n bytes.
TDigest Md5(const std::uint8_t* data, std::size_t n) noexcept;

}  // namespace tablirex
