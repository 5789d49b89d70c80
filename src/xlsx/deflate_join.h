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

}  // namespace tablirex::xlsx
