#pragma once

#include <vector>

#include "import/bill_formats.h"

namespace qinghe::import {

// Why a row is not taken as it stands.
enum class Reason {
    None,
    Neutral,         // 不计收支, "/", 提现, 理财: money between one's own accounts
    NotThrough,      // closed, failed, cancelled
    RefundedInFull,  // a purchase whose refund gives all of it back
    RefundSettled,   // a refund that offsets its purchase in this file
    RefundDeducted,  // a refund taken off its purchase, counted at the rest
    PartlyRefunded,  // a purchase counted at what it cost after its refund
    RefundAlone,     // a refund whose purchase is not in this file: income
    ZeroAmount,
    Summary,         // a statement's total line
    ImportedBefore,  // its number was imported into this ledger before
    TwiceInFile,     // its number came earlier in this file
    SameAsEntry,     // an entry of the same day, direction and amount exists
};

// What the rules make of one row before the user looks at it.
struct Decision {
    bool ticked = false;
    Reason reason = Reason::None;
    Money amount;  // the amount the entry gets (the rest after a refund)
    // For a refund that offsets a purchase: the purchase's index.
    std::optional<std::size_t> purchase;
};

// The defaults: successful income and expense rows ticked; neutral, failed and
// closed rows not; a purchase refunded in full and its refund both not (they
// net to zero); a purchase refunded in part ticked at the amount kept, its
// refund not. A refund is matched to its purchase by the merchant's order
// number, by a transaction number that begins with the purchase's, or else by
// the same counterparty earlier in the file. A refund whose purchase is not in
// the file is income (its purchase was counted when it was made).
std::vector<Decision> decide(const std::vector<BillRecord>& records);

}  // namespace qinghe::import
