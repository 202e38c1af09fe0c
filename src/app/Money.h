#pragma once

#include <QString>
#include <QStringView>

#include <compare>
#include <concepts>
#include <cstdint>
#include <optional>
#include <string_view>

class Decimal;

// An amount of money: a whole number of fen in 64 bits. Amounts add and subtract exactly and
// multiply exactly by a count; what else multiplies money (a unit price, a discount, a
// commission ratio) is a Decimal, and the product is rounded once, half away from zero, to the
// fen. There is no conversion from or to a binary floating-point number: 0.01 has no exact
// binary form, and a fen lost in one line shows up as a total that its lines do not add up to.
class Money
{
public:
    constexpr Money() = default;
    static constexpr Money fromFen(std::int64_t fen) { return Money(fen); }
    static constexpr Money fromYuan(std::int64_t yuan) { return Money(yuan * 100); }
    // An exact decimal amount rounded once to the fen, half away from zero.
    static Money rounded(const Decimal& amount);
    // A line's amount: count × unit price × factor, computed exactly and rounded once.
    static Money line(std::int64_t count, const Decimal& unitPrice);
    static Money line(std::int64_t count, const Decimal& unitPrice, const Decimal& factor);

    // This amount times an exact factor (a discount, a ratio), rounded once.
    Money scaled(const Decimal& factor) const;

    // A stored amount text read by the leading-number rule (blanks, a sign, digits, a point,
    // digits, an exponent; what follows is ignored; no number counts 0), rounded once to the
    // fen: "2.675" is 2.68, "12.5元" is 12.50, "" is 0.00. Far beyond any sane amount the
    // reading stops at the largest amount this type holds.
    static Money fromText(QStringView text);
    static Money fromText(std::string_view utf8);

    constexpr std::int64_t fen() const { return m_fen; }
    // "%.2f": "12.50", "-0.01", "0.00".
    QString text() const;
    // The amount as an exact decimal with two places, to multiply it further.
    Decimal toDecimal() const;

    constexpr bool isZero() const { return m_fen == 0; }
    constexpr bool isNegative() const { return m_fen < 0; }

    constexpr Money operator-() const { return Money(-m_fen); }
    constexpr Money& operator+=(Money other)
    {
        m_fen += other.m_fen;
        return *this;
    }
    constexpr Money& operator-=(Money other)
    {
        m_fen -= other.m_fen;
        return *this;
    }
    friend constexpr Money operator+(Money a, Money b) { return a += b; }
    friend constexpr Money operator-(Money a, Money b) { return a -= b; }
    // Money times a whole count is exact.
    friend constexpr Money operator*(Money amount, std::int64_t count) { return Money(amount.m_fen * count); }
    friend constexpr Money operator*(std::int64_t count, Money amount) { return Money(amount.m_fen * count); }
    friend constexpr auto operator<=>(Money, Money) = default;

private:
    constexpr explicit Money(std::int64_t fen)
        : m_fen(fen)
    { }

    std::int64_t m_fen = 0;
};

// Keeps an accidental `money * 0.85` from compiling: a factor is a Decimal.
template <std::floating_point F> Money operator*(Money, F) = delete;
template <std::floating_point F> Money operator*(F, Money) = delete;

// An exact decimal number as written: an integer mantissa and a count of decimal places
// ("2.675" is 2675 with 3 places, "0.85" is 85 with 2). It holds unit prices, discounts and
// ratios; money that comes from it is rounded once, at the end (Money::rounded, Money::line).
class Decimal
{
public:
    static constexpr int MaxPlaces = 9;

    constexpr Decimal() = default;
    // `places` from 0 to MaxPlaces.
    constexpr Decimal(std::int64_t mantissa, int places)
        : m_mantissa(mantissa)
        , m_places(places)
    { }
    static constexpr Decimal whole(std::int64_t value) { return Decimal(value, 0); }

    // Plain decimal text: an optional sign, digits with at most one point (".5" and "5." too),
    // nothing else, at most MaxPlaces places and 18 digits. Empty when it is not such a text.
    static std::optional<Decimal> fromText(QStringView text);
    // The shortest decimal that reads back as the same double: 45.55 stored as a double is
    // 45.55, not 45.5499999…. Empty for a value that is not finite or has no such short form
    // (more than MaxPlaces places or beyond 18 digits).
    static std::optional<Decimal> fromDouble(double value);

    constexpr std::int64_t mantissa() const { return m_mantissa; }
    constexpr int places() const { return m_places; }

    // The same number with trailing zero places dropped: 0.850 becomes 0.85.
    Decimal normalized() const;
    // The shortest text of the number ("45.55", "0.85", "3", "-0.5").
    QString text() const;
    // The number as a double, for what only shows or draws it (a chart's axis).
    double toDouble() const;

    bool isNegative() const { return m_mantissa < 0; }
    bool isZero() const { return m_mantissa == 0; }

    friend std::strong_ordering operator<=>(const Decimal& a, const Decimal& b);
    friend bool operator==(const Decimal& a, const Decimal& b) { return (a <=> b) == 0; }

private:
    std::int64_t m_mantissa = 0;
    int m_places = 0;
};
