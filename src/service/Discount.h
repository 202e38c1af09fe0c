#pragma once

#include "app/Outcome.h"

#include <QString>

class Database;

// The two ways of lowering a bill's massage line at checkout.
enum class DiscountMode {
    ManagerDiscount, // "贵宾": a factor typed in, approved by someone above a cashier
    MemberCard, // "会员卡": a member card on file; the member discount of the prices applies
};

// A manager's factor lies in (0, 1]: "请输入范围在0-1之间的小数!" otherwise, empty when accepted.
QString DiscountFactorRefusal(double factor);

// Whether a member card with this number is on file (huiyeninfo.str1).
Outcome<bool> MemberCardExists(Database& database, const QString& cardNumber);
