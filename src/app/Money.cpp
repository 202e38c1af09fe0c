#include "app/Money.h"

#include <array>
#include <charconv>
#include <cmath>
#include <limits>

namespace {

__extension__ using Wide = __int128;

constexpr std::int64_t MaxFen = std::numeric_limits<std::int64_t>::max();

constexpr std::array<std::int64_t, 19> PowersOfTen = [] {
    std::array<std::int64_t, 19> powers {};
    std::int64_t power = 1;
    for (auto& entry : powers) {
        entry = power;
        if (&entry != &powers.back())
            power *= 10;
    }
    return powers;
}();

// A wide value bounded to what 64 bits hold. Only amounts far beyond any sane bill get here;
// the fields that take money refuse them long before (TypedNumber.h).
std::int64_t bounded(Wide value)
{
    if (value > MaxFen)
        return MaxFen;
    if (value < -MaxFen)
        return -MaxFen;
    return static_cast<std::int64_t>(value);
}

// `value` (a number with `places` decimal places) rounded to whole fen, half away from zero.
std::int64_t roundedToFen(Wide value, int places)
{
    if (places <= 2) {
        Wide fen = value;
        for (int i = places; i < 2; ++i)
            fen *= 10;
        return bounded(fen);
    }
    Wide divisor = 1;
    for (int i = 2; i < places; ++i)
        divisor *= 10;
    const bool negative = value < 0;
    const Wide magnitude = negative ? -value : value;
    Wide fen = magnitude / divisor;
    if ((magnitude % divisor) * 2 >= divisor)
        ++fen;
    return bounded(negative ? -fen : fen);
}

// The product of the factors as one wide number with the sum of their places; empty when it
// does not fit (far beyond any amount a desk meets).
bool multiply(Wide& product, int& places, const Decimal& factor)
{
    Wide result = 0;
    if (__builtin_mul_overflow(product, static_cast<Wide>(factor.mantissa()), &result))
        return false;
    product = result;
    places += factor.places();
    return true;
}

Money saturated(bool negative)
{
    return Money::fromFen(negative ? -MaxFen : MaxFen);
}

// The leading-number rule, read straight into fen. Every digit is used exactly: the fen are
// the digits down to the second place, rounded up when the digit at the third place is 5 or
// more (what follows it can only add to a half, never take from it).
template <typename Char> std::int64_t leadingFen(const Char* text, std::size_t size)
{
    auto isDigit = [](Char c) { return c >= Char('0') && c <= Char('9'); };
    auto isBlank = [](Char c) { return c == Char(' ') || (c >= Char('\t') && c <= Char('\r')); };
    std::size_t i = 0;
    while (i < size && isBlank(text[i]))
        ++i;
    bool negative = false;
    if (i < size && (text[i] == Char('+') || text[i] == Char('-'))) {
        negative = text[i] == Char('-');
        ++i;
    }
    const std::size_t first = i;
    while (i < size && isDigit(text[i]))
        ++i;
    const std::size_t integerDigits = i - first;
    std::size_t fractionStart = i, fractionDigits = 0;
    if (i < size && text[i] == Char('.')) {
        fractionStart = ++i;
        while (i < size && isDigit(text[i]))
            ++i;
        fractionDigits = i - fractionStart;
    }
    const std::size_t digits = integerDigits + fractionDigits;
    if (digits == 0)
        return 0;
    // An exponent counts only with at least one digit after the "e" and its sign.
    long exponent = 0;
    if (i < size && (text[i] == Char('e') || text[i] == Char('E'))) {
        std::size_t j = i + 1;
        bool negativeExponent = false;
        if (j < size && (text[j] == Char('+') || text[j] == Char('-'))) {
            negativeExponent = text[j] == Char('-');
            ++j;
        }
        for (; j < size && isDigit(text[j]); ++j) {
            if (exponent < 100000)
                exponent = exponent * 10 + (text[j] - Char('0'));
        }
        if (negativeExponent)
            exponent = -exponent;
    }
    // The k-th digit (k counts over integer and fraction digits together) stands at the power
    // of ten integerDigits - 1 - k + exponent.
    auto digitAt = [&](long k) -> int {
        if (k < 0 || k >= static_cast<long>(digits))
            return 0;
        const std::size_t index
            = static_cast<std::size_t>(k) < integerDigits ? first + k : fractionStart + (k - integerDigits);
        return text[index] - Char('0');
    };
    const long top = static_cast<long>(integerDigits) - 1 + exponent;
    std::int64_t fen = 0;
    for (long power = top; power >= -2; --power) {
        const int digit = digitAt(top - power);
        if (fen > (MaxFen - digit) / 10)
            return negative ? -MaxFen : MaxFen;
        fen = fen * 10 + digit;
    }
    if (digitAt(top + 3) >= 5 && fen < MaxFen)
        ++fen;
    return negative ? -fen : fen;
}

} // namespace

Money Money::rounded(const Decimal& amount)
{
    return Money(roundedToFen(amount.mantissa(), amount.places()));
}

Money Money::line(std::int64_t count, const Decimal& unitPrice)
{
    return line(count, unitPrice, Decimal::whole(1));
}

Money Money::line(std::int64_t count, const Decimal& unitPrice, const Decimal& factor)
{
    Wide product = count;
    int places = 0;
    if (!multiply(product, places, unitPrice) || !multiply(product, places, factor))
        return saturated(((count < 0) != unitPrice.isNegative()) != factor.isNegative());
    return Money(roundedToFen(product, places));
}

Money Money::scaled(const Decimal& factor) const
{
    return line(1, toDecimal(), factor);
}

Money Money::fromText(QStringView text)
{
    return Money(leadingFen(text.utf16(), static_cast<std::size_t>(text.size())));
}

Money Money::fromText(std::string_view utf8)
{
    return Money(leadingFen(utf8.data(), utf8.size()));
}

QString Money::text() const
{
    // The magnitude of the most negative 64-bit number does not fit; no amount gets there.
    const std::uint64_t magnitude
        = m_fen < 0 ? static_cast<std::uint64_t>(-(m_fen + 1)) + 1 : static_cast<std::uint64_t>(m_fen);
    const QString fraction = QString::number(magnitude % 100).rightJustified(2, u'0');
    return (m_fen < 0 ? u"-" : u"") + QString::number(magnitude / 100) + u'.' + fraction;
}

Decimal Money::toDecimal() const
{
    return Decimal(m_fen, 2);
}

// --- Decimal ----------------------------------------------------------------------------------

std::optional<Decimal> Decimal::fromText(QStringView text)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == u'+' || text[i] == u'-')) {
        negative = text[i] == u'-';
        ++i;
    }
    std::int64_t mantissa = 0;
    int places = 0, digits = 0, significant = 0;
    bool point = false;
    for (; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'.' && !point) {
            point = true;
            continue;
        }
        if (c < u'0' || c > u'9')
            return std::nullopt;
        ++digits;
        if (point && ++places > MaxPlaces)
            return std::nullopt;
        if (mantissa != 0 || c != u'0')
            ++significant;
        if (significant > 18)
            return std::nullopt;
        mantissa = mantissa * 10 + (c.unicode() - u'0');
    }
    if (digits == 0)
        return std::nullopt;
    return Decimal(negative ? -mantissa : mantissa, places);
}

std::optional<Decimal> Decimal::fromDouble(double value)
{
    if (!std::isfinite(value))
        return std::nullopt;
    // The shortest text that reads back as the same double, in plain (not scientific) form.
    std::array<char, 400> buffer {};
    const auto [end, error]
        = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::fixed);
    if (error != std::errc())
        return std::nullopt;
    return fromText(QString::fromLatin1(buffer.data(), end - buffer.data()));
}

Decimal Decimal::normalized() const
{
    Decimal result = *this;
    while (result.m_places > 0 && result.m_mantissa % 10 == 0) {
        result.m_mantissa /= 10;
        --result.m_places;
    }
    return result;
}

QString Decimal::text() const
{
    const Decimal shortest = normalized();
    if (shortest.m_places == 0)
        return QString::number(shortest.m_mantissa);
    const std::int64_t power = PowersOfTen[static_cast<std::size_t>(shortest.m_places)];
    const std::uint64_t magnitude = shortest.m_mantissa < 0 ? 0 - static_cast<std::uint64_t>(shortest.m_mantissa)
                                                            : static_cast<std::uint64_t>(shortest.m_mantissa);
    const QString fraction
        = QString::number(magnitude % static_cast<std::uint64_t>(power)).rightJustified(shortest.m_places, u'0');
    return (shortest.m_mantissa < 0 ? u"-" : u"") + QString::number(magnitude / static_cast<std::uint64_t>(power))
        + u'.' + fraction;
}

double Decimal::toDouble() const
{
    return static_cast<double>(m_mantissa) / static_cast<double>(PowersOfTen[static_cast<std::size_t>(m_places)]);
}

std::strong_ordering operator<=>(const Decimal& a, const Decimal& b)
{
    // Both brought to the larger number of places; 18 digits times 10^9 fit a wide number.
    const int places = std::max(a.m_places, b.m_places);
    const Wide left = static_cast<Wide>(a.m_mantissa) * PowersOfTen[static_cast<std::size_t>(places - a.m_places)];
    const Wide right = static_cast<Wide>(b.m_mantissa) * PowersOfTen[static_cast<std::size_t>(places - b.m_places)];
    return left <=> right;
}
