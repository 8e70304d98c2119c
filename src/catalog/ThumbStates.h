#pragma once
// The thumbnail states an entry of a list (an explorer row, an album slide)
// goes through.

#include <cstdint>

namespace zv {

// What a ThumbState says about an entry and its thumbnail.
inline constexpr std::int16_t kThumbFolder = 0;   // the entry is a folder
inline constexpr std::int16_t kThumbPending = 1;  // a file whose thumbnail is not made yet
inline constexpr std::int16_t kThumbTooLarge = 2; // too large for a thumbnail
inline constexpr std::int16_t kThumbFailed = 3;   // making the thumbnail failed
inline constexpr std::int16_t kThumbMade = 100;   // the thumbnail is made

} // namespace zv
