#pragma once

#include <string_view>

namespace qinghe::entry {

// What a picture viewer needs of a JPEG's Exif block.
struct ExifFacts {
    // How the stored picture is turned (1 to 8, 1 when unknown or absent).
    int orientation = 1;
    // The embedded JPEG thumbnail, a view into the block; empty when none.
    std::string_view thumbnail;
};

// Reads the content of an APP1 segment ("Exif\0\0" and a TIFF structure).
// Anything that does not fit, points outside the block or is not Exif gives
// the defaults.
ExifFacts readExif(std::string_view app1);

}  // namespace qinghe::entry
