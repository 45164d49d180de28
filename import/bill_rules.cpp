#include "import/bill_rules.h"

#include <unordered_map>

namespace qinghe::import {

namespace {

bool notThrough(std::string_view status) {
    for (const std::string_view word : {"关闭", "失败", "撤销", "未付款", "等待", "已取消"}) {
        if (status.find(word) != std::string_view::npos) return true;
    }
    return false;
}

// The purchase a refund gives money back for, if it is in the file.
std::optional<std::size_t> purchaseOf(
    const std::vector<BillRecord>& records, std::size_t refund,
    const std::unordered_map<std::string, std::size_t>& byMerchant,
    const std::vector<Money>& matched) {
    const BillRecord& r = records[refund];
    if (!r.merchantNumber.empty()) {
        const auto it = byMerchant.find(r.merchantNumber);
        if (it != byMerchant.end() && it->second != refund) return it->second;
    }
    std::optional<std::size_t> byCounterparty;
    for (std::size_t i = 0; i < records.size(); ++i) {
        const BillRecord& p = records[i];
        if (i == refund || p.flow != Flow::Expense || p.refund || p.summary) continue;
        if (!p.number.empty() && r.number.size() > p.number.size() &&
            r.number.starts_with(p.number))
            return i;
        // The latest purchase from the same counterparty, made before the
        // refund, that has this much left to give back.
        if (!r.counterparty.empty() && p.counterparty == r.counterparty &&
            p.dateTime <= r.dateTime) {
            const auto left = subtractMoney(p.amount, matched[i]);
            if (left && moneyAtLeast(*left, r.amount) &&
                (!byCounterparty || records[*byCounterparty].dateTime <= p.dateTime))
                byCounterparty = i;
        }
    }
    return byCounterparty;
}

}  // namespace

std::vector<Decision> decide(const std::vector<BillRecord>& records) {
    std::vector<Decision> decisions(records.size());
    std::unordered_map<std::string, std::size_t> byMerchant;
    for (std::size_t i = 0; i < records.size(); ++i) {
        decisions[i].amount = records[i].amount;
        const BillRecord& r = records[i];
        if (r.flow == Flow::Expense && !r.refund && !r.merchantNumber.empty())
            byMerchant.emplace(r.merchantNumber, i);
    }
    // Refunds to their purchases, and what each purchase got back.
    std::vector<Money> matched(records.size(), Money{false, "0"});
    for (std::size_t i = 0; i < records.size(); ++i) {
        if (!records[i].refund || records[i].summary) continue;
        if (const auto p = purchaseOf(records, i, byMerchant, matched)) {
            decisions[i].purchase = p;
            matched[*p] = addMoney(matched[*p], records[i].amount);
        }
    }
    for (std::size_t i = 0; i < records.size(); ++i) {
        const BillRecord& r = records[i];
        Decision& d = decisions[i];
        if (r.summary) {
            d.reason = Reason::Summary;
            continue;
        }
        if (d.purchase) {
            d.reason = Reason::RefundSettled;
            continue;
        }
        if (r.flow == Flow::Neutral) {
            d.reason = Reason::Neutral;
            continue;
        }
        if (notThrough(r.status)) {
            d.reason = Reason::NotThrough;
            continue;
        }
        if (r.amount.isZero()) {
            d.reason = Reason::ZeroAmount;
            continue;
        }
        if (r.flow == Flow::Expense) {
            // The refund the row states and the refund rows found may tell
            // of the same money: the larger counts.
            const Money back = moneyAtLeast(r.refunded, matched[i]) ? r.refunded : matched[i];
            if (!back.isZero()) {
                const auto kept = subtractMoney(r.amount, back);
                if (!kept || kept->isZero()) {
                    d.reason = Reason::RefundedInFull;
                    continue;
                }
                d.amount = *kept;
                d.reason = Reason::PartlyRefunded;
            }
        } else if (r.refund) {
            d.reason = Reason::RefundAlone;
        }
        d.ticked = true;
    }
    for (Decision& d : decisions) {
        if (d.purchase && decisions[*d.purchase].reason == Reason::PartlyRefunded)
            d.reason = Reason::RefundDeducted;
    }
    return decisions;
}

}  // namespace qinghe::import
