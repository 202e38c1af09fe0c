#pragma once

#include "app/Money.h"
#include "app/Outcome.h"

#include <QString>

class Database;

// The two ways of lowering a bill's massage line at checkout.
enum class DiscountMode {
    ManagerDiscount, // "贵宾": a factor typed in, approved by someone above a cashier
    MemberCard, // "会员卡": a member card on file; the member discount of the prices applies
};

// A manager's factor, typed as a plain decimal (full-width digits too) in (0, 1] with at most
// four places: "请输入范围在0-1之间的小数!" otherwise, empty when accepted. "0.855" is used as
// typed; "0.8abc", "1e-1" and "0,8" are refused.
QString DiscountFactorRefusal(const QString& typed);
// The factor of an accepted text.
Decimal DiscountFactor(const QString& typed);

// Whether a member card with this number is on file (huiyeninfo.str1).
Outcome<bool> MemberCardExists(Database& database, const QString& cardNumber);
