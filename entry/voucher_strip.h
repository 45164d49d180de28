#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

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

    // Calls `listener` after every change of the list or the position, for
    // as long as the returned object lives. Either may go first: a window
    // that holds the list as a member destroys it before its child strips.
    class Listening;
    [[nodiscard]] Listening listen(std::function<void()> listener);
    // Grows with every change: a strip compares it to know it is up to date.
    std::uint64_t revision() const { return revision_; }

  private:
    struct Listeners {
        int next = 1;
        std::map<int, std::function<void()>> byId;
    };

    void changed();

    VoucherList vouchers_;
    int position_ = 1;
    std::uint64_t revision_ = 0;
    std::shared_ptr<Listeners> listeners_ = std::make_shared<Listeners>();
};

class VoucherStripModel::Listening {
  public:
    Listening() = default;
    Listening(std::weak_ptr<Listeners> listeners, int id)
        : listeners_(std::move(listeners)), id_(id) {}
    Listening(Listening&& other) noexcept
        : listeners_(std::move(other.listeners_)), id_(other.id_) {}
    Listening& operator=(Listening&& other) noexcept {
        if (this != &other) {
            stop();
            listeners_ = std::move(other.listeners_);
            id_ = other.id_;
        }
        return *this;
    }
    ~Listening() { stop(); }

    void stop() {
        if (auto listeners = listeners_.lock()) listeners->byId.erase(id_);
        listeners_.reset();
    }

  private:
    std::weak_ptr<Listeners> listeners_;
    int id_ = 0;
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
