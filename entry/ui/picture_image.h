#pragma once

#include <QImage>

#include "entry/picture.h"

namespace qinghe::ui {

// The core's decoded pixels as a QImage, without copying: the core lays them
// out as Qt's ARGB32_Premultiplied.

// Takes the picture's buffer over; the image frees it.
QImage toQImage(entry::Picture picture);
// Looks at a picture that stays alive and unchanged while the image is used.
QImage imageOver(const entry::Picture& picture);

}  // namespace qinghe::ui
