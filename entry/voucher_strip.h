#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "entry/voucher_list.h"

namespace qinghe {
class UserInteraction;
}

namespace qinghe::entry {

// The voucher list of a window and the position in it that its strips show.
// The entry window's two strips share one; each strip draws the image at the
// position, so both always show the image a delete would remove.
class VoucherStripModel {
  public:
    explicit VoucherStripModel(VoucherList vouchers = {});
    VoucherStripModel(const VoucherStripModel&) = delete;
    VoucherStripModel& operator=(const VoucherStripModel&) = delete;

    const VoucherList& vouchers() const { return vouchers_; }
    int count() const { return static_cast<int>(vouchers_.size()); }
    bool isEmpty() const { return vouchers_.empty(); }
    // 1-based; 1 when the list is empty.
    int position() const { return position_; }
    // The bytes of the image at the position: what the strips show. Empty
    // when the list is.
    std::string_view shown() const;

    // A new list (a window opening on an entry, the add window starting
    // over): the position goes back to 1.
    void reset(VoucherList vouchers);
    // Adds an image at the end and moves to it.
    void append(std::string bytes);
    // Removes the image at the position, then moves one forward, no further
    // than the new last image (so the image that was two after it shows);
    // back to 1 when the list is empty.
    void removeAtPosition();
    // A step of the spin control: +1 moves one back, from the first image to
    // the last; -1 one forward, from the last to the first. Nothing happens
    // with fewer than two images. True when the position moved.
    bool browse(int step);

    // The entry's fields: 票据 (the joined list) and 票据附录.
    std::string joined() const { return joinVouchers(vouchers_); }
    bool hasVouchers() const { return !vouchers_.empty(); }

    // Called after every change of the list or the position. Returns an id
    // for stopListening.
    int listen(std::function<void()> listener);
    void stopListening(int id);
    // Grows with every change: a strip compares it to know it is up to date.
    std::uint64_t revision() const { return revision_; }

  private:
    void changed();

    VoucherList vouchers_;
    int position_ = 1;
    std::uint64_t revision_ = 0;
    int nextListener_ = 1;
    std::map<int, std::function<void()>> listeners_;
};

// Double-click on an editable strip: the file dialog "打开一个凭证图片"; each
// chosen file is read whole and appended unexamined, and the strip moves to
// the last one. A file that cannot be read, is empty or is too large is told
// and left out. Returns how many were added (0 when cancelled).
int addVouchers(UserInteraction& user, VoucherStripModel& strip);

// Right-click on an editable strip: when an image is shown, asks
// "删除这张凭证图片吗？" and on OK removes it. True when it was removed.
bool deleteShownVoucher(UserInteraction& user, VoucherStripModel& strip);

}  // namespace qinghe::entry
