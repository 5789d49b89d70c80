// Joining deflate streams made apart into one: a large part is deflated in
// pieces side by side, and the pieces are joined into the one stream its zip
// entry holds.
#pragma once

#include <cstddef>

namespace tablirex::xlsx {

/// Bytes OpenFinalBlock may add to a stream.
inline constexpr std::size_t kJoinSlack = 5;

/// Makes a whole raw deflate stream (data, size bytes) one that another stream
/// may follow: the final mark of its last block is cleared and an empty stored
/// block ends it on a byte boundary, so the next stream starts at the next byte.
/// data must have room for kJoinSlack bytes more; size grows by what is added.
/// False, with data unchanged, when the bytes are not one whole deflate stream.
bool OpenFinalBlock(unsigned char* data, std::size_t& size) noexcept;

/// Room PutStoredBlocks needs for n bytes.
constexpr std::size_t StoredBound(std::size_t n) noexcept { return n + 5 * (n / 65535 + 1); }

/// Writes n bytes as stored blocks from a byte boundary on (the last one final
/// when final is set), which any stream may follow or precede; returns the bytes
/// written.
std::size_t PutStoredBlocks(const unsigned char* data, std::size_t n, bool final, unsigned char* out) noexcept;

}  // namespace tablirex::xlsx
