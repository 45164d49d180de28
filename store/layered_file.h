#pragma once

#include <memory>
#include <utility>

#include "store/file_layer.h"
#include "store/overlay_file.h"

namespace qinghe::store {

// One of a table's files in three layers: the file on disk; over it the
// changes its change log holds that are not written to the disk yet; on top
// the changes held until the next commit. The table reads and writes the top.
class LayeredFile {
  public:
    explicit LayeredFile(std::unique_ptr<File> disk)
        : disk_(std::move(disk)), logged_(*disk_), held_(static_cast<File&>(logged_)) {}
    LayeredFile(const LayeredFile&) = delete;
    LayeredFile& operator=(const LayeredFile&) = delete;

    File& disk() { return *disk_; }
    OverlayFile& logged() { return logged_; }
    OverlayFile& held() { return held_; }
    const OverlayFile& held() const { return held_; }

    // After the disk changed below both overlays (a log replayed, a change
    // written at once): both drop what they hold and read the disk again.
    bool clearBoth() { return logged_.clear() && held_.clear(); }

  private:
    std::unique_ptr<File> disk_;
    OverlayFile logged_;
    OverlayFile held_;
};

}  // namespace qinghe::store
