#pragma once
// The program's name and version as its captions and files show them.

namespace zv {

inline constexpr const char* kProgramTitle = "Zelvan 7.04";

} // namespace zv
