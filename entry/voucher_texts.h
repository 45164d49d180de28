#pragma once

#include <string>

#include "common/gbk.h"

// Texts of the voucher strips and the viewer.

namespace qinghe::entry {

inline const std::string kOpenVoucherTitle = gbkText("打开一个凭证图片");
// The file dialog's three filters, each a description and its patterns.
inline const std::string kJpgFilter = gbkText("JPG图片（*.jpg） (*.jpg *.jpeg)");
inline const std::string kBmpFilter = gbkText("BMP图片（*.bmp） (*.bmp)");
inline const std::string kPngFilter = gbkText("PNG图片（*.png） (*.png)");
inline const std::string kDeleteVoucherQuestion = gbkText("删除这张凭证图片吗？");
inline const std::string kDeleteTitle = gbkText("删除");
inline const std::string kUnreadableFile = gbkText("无法读取凭证图片文件：");
inline const std::string kTooBigFile = gbkText("这个文件太大，不能作为凭证图片添加（最大256MB）：");
inline const std::string kEmptyFile = gbkText("这个文件是空的，不能作为凭证图片添加：");

inline const std::string kNotAPictureFile =
    gbkText("这个文件不是能显示的JPG、PNG或BMP图片，不能作为凭证图片添加：");

}  // namespace qinghe::entry
