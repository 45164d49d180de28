#include "entry/voucher_strip.h"

#include <utility>
#include <vector>

#include "common/gbk.h"
#include "common/standard_messages.h"
#include "common/user_interaction.h"
#include "entry/image_codec.h"
#include "entry/voucher_files.h"
#include "entry/voucher_texts.h"

namespace qinghe::entry {

VoucherStripModel::VoucherStripModel(VoucherList vouchers) : vouchers_(std::move(vouchers)) {}

std::string_view VoucherStripModel::shown() const {
    if (position_ < 1 || position_ > count()) return {};
    return vouchers_[static_cast<std::size_t>(position_ - 1)];
}

void VoucherStripModel::reset(VoucherList vouchers) {
    vouchers_ = std::move(vouchers);
    position_ = 1;
    changed();
}

void VoucherStripModel::append(std::string bytes) {
    vouchers_.push_back(std::move(bytes));
    position_ = count();
    changed();
}

void VoucherStripModel::removeAtPosition() {
    if (position_ >= 1 && position_ <= count())
        vouchers_.erase(vouchers_.begin() + (position_ - 1));
    position_ = vouchers_.empty() ? 1 : std::min(position_ + 1, count());
    changed();
}

bool VoucherStripModel::browse(int step) {
    if (count() < 2 || step == 0) return false;
    if (step > 0)
        position_ = position_ <= 1 ? count() : position_ - 1;
    else
        position_ = position_ >= count() ? 1 : position_ + 1;
    changed();
    return true;
}

VoucherStripModel::Listening VoucherStripModel::listen(std::function<void()> listener) {
    const int id = listeners_->next++;
    listeners_->byId.emplace(id, std::move(listener));
    return Listening(listeners_, id);
}

void VoucherStripModel::changed() {
    ++revision_;
    // A listener may stop listening while it is told.
    std::vector<std::function<void()>> listeners;
    for (const auto& [id, listener] : listeners_->byId) listeners.push_back(listener);
    for (const auto& listener : listeners) listener();
}

int addVouchers(UserInteraction& user, VoucherStripModel& strip) {
    const auto files =
        user.chooseOpenFiles({kOpenVoucherTitle, {kJpgFilter, kBmpFilter, kPngFilter}});
    int added = 0;
    for (const auto& path : files) {
        VoucherFile file = readVoucherFile(path);
        const std::string* problem = nullptr;
        switch (file.error) {
            case VoucherFileError::Unreadable:
                problem = &kUnreadableFile;
                break;
            case VoucherFileError::TooLarge:
                problem = &kTooBigFile;
                break;
            case VoucherFileError::None:
                // An empty file is no picture and could not be told apart
                // from the separator around it once stored.
                if (file.bytes.empty()) problem = &kEmptyFile;
                break;
        }
        // A picture the viewer could never show is refused now, not found
        // out when it is looked at years later.
        const bool picture = problem || readImageInfo(file.bytes).has_value();
        if (problem || !picture) {
            showError(user, (problem ? *problem : kNotAPictureFile) + pathToGbk(path));
            continue;
        }
        strip.append(std::move(file.bytes));
        ++added;
    }
    return added;
}

bool deleteShownVoucher(UserInteraction& user, VoucherStripModel& strip) {
    if (strip.isEmpty() || strip.shown().empty()) return false;
    const MessageAnswer answer = user.showMessage(
        {kDeleteVoucherQuestion, kDeleteTitle, MessageIcon::Warning, MessageButtons::OkCancel});
    if (answer != MessageAnswer::Ok) return false;
    strip.removeAtPosition();
    return true;
}

}  // namespace qinghe::entry
