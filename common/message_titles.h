#pragma once

// Titles of message boxes that every subsystem uses (GBK).

namespace qinghe::texts {

// 错误
inline constexpr char kErrorTitle[] = "\xB4\xED\xCE\xF3";
// 成功
inline constexpr char kSuccessTitle[] = "\xB3\xC9\xB9\xA6";

}  // namespace qinghe::texts
