#pragma once

#include "app/Money.h"

#include <QString>
#include <QStringView>

#include <optional>

// Numbers typed into a field that takes money, a price, a count or a discount. Unlike stored
// rows (read by the leading-number rule), typed text is read strictly: the digits and point
// of a Chinese input method (１５．５) count as the digits they are, and text that is not a
// plain number, is negative, has more decimal places than the field takes or lies beyond a
// sane bound is refused, so that neither "12,5" becomes 12 nor "1e308" an amount.
inline constexpr std::int64_t MaxUnitPriceYuan = 100000; // a price per unit, clock or item
inline constexpr std::int64_t MaxAmountYuan = 10000000; // an amount typed as a whole
inline constexpr std::int64_t MaxTypedCount = 99999;

enum class TypedProblem {
    None,
    Empty,
    NotANumber,
    Negative,
    Zero, // where the field needs more than nothing (a discount)
    TooManyPlaces,
    TooLarge,
};

// What a field takes: at most `places` decimal places, from 0 (or just above it) to `maximum`.
struct TypedRule
{
    int places = 2;
    Decimal maximum;
    bool zeroAllowed = true;
    bool emptyIsZero = false;

    static TypedRule amount(); // money: two places, up to MaxAmountYuan
    static TypedRule unitPrice(); // a price: up to four places, up to MaxUnitPriceYuan
    static TypedRule count(); // a whole count up to MaxTypedCount
    static TypedRule factor(); // a discount or ratio: above 0, at most 1, up to four places
    TypedRule orEmptyAsZero() const; // an empty field counts 0 (where the field may stay empty)
};

struct TypedReading
{
    Decimal value;
    TypedProblem problem = TypedProblem::None;

    bool ok() const { return problem == TypedProblem::None; }
};

// The text with full-width digits, point and signs as their plain forms, blanks (also the
// full-width one) removed at both ends.
QString PlainTypedText(QStringView text);
TypedReading ReadTyped(QStringView text, const TypedRule& rule);

// The reading of a money field as Money; only when it is ok().
inline Money TypedMoney(const TypedReading& reading)
{
    return Money::rounded(reading.value);
}

// A short Chinese reason for a refused field, "金额" or "数量" and so on naming it:
// "金额不是一个数字!", "金额不能是负数!", "金额最多两位小数!", "金额太大!".
QString TypedProblemText(TypedProblem problem, const QString& field, const TypedRule& rule);
// The same reason as a request to type it again, as the settings dialogs put it:
// "按摩价格不是一个数字,请重新输入!".
QString TypedRetypeText(TypedProblem problem, const QString& field, const TypedRule& rule);
