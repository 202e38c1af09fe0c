#include "app/TypedNumber.h"

#include <QStringList>

#include <algorithm>

TypedRule TypedRule::amount()
{
    return { 2, Decimal::whole(MaxAmountYuan), true, false };
}

TypedRule TypedRule::unitPrice()
{
    return { 4, Decimal::whole(MaxUnitPriceYuan), true, false };
}

TypedRule TypedRule::count()
{
    return { 0, Decimal::whole(MaxTypedCount), true, false };
}

TypedRule TypedRule::factor()
{
    return { 4, Decimal::whole(1), false, false };
}

TypedRule TypedRule::orEmptyAsZero() const
{
    TypedRule rule = *this;
    rule.emptyIsZero = true;
    return rule;
}

QString PlainTypedText(QStringView text)
{
    QString plain;
    plain.reserve(text.size());
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (code >= u'０' && code <= u'９')
            plain += QChar(u'0' + (code - u'０'));
        else if (code == u'．')
            plain += u'.';
        else if (code == u'－')
            plain += u'-';
        else if (code == u'＋')
            plain += u'+';
        else if (code == u'　')
            plain += u' ';
        else
            plain += c;
    }
    return plain.trimmed();
}

TypedReading ReadTyped(QStringView text, const TypedRule& rule)
{
    const QString plain = PlainTypedText(text);
    if (plain.isEmpty())
        return { {}, rule.emptyIsZero ? TypedProblem::None : TypedProblem::Empty };
    const std::optional<Decimal> number = Decimal::fromText(plain);
    if (!number) {
        // Tell a number with too many places from text that is no number at all.
        QString digitsOnly = plain;
        digitsOnly.remove(u'.');
        if (digitsOnly.startsWith(u'-') || digitsOnly.startsWith(u'+'))
            digitsOnly.remove(0, 1);
        const bool allDigits = !digitsOnly.isEmpty() && plain.count(u'.') <= 1
            && std::all_of(digitsOnly.cbegin(), digitsOnly.cend(), [](QChar c) { return c >= u'0' && c <= u'9'; });
        if (!allDigits)
            return { {}, TypedProblem::NotANumber };
        if (plain.contains(u'.') && plain.size() - plain.indexOf(u'.') - 1 > rule.places)
            return { {}, TypedProblem::TooManyPlaces };
        return { {}, TypedProblem::TooLarge };
    }
    const Decimal value = number->normalized();
    if (value.isNegative())
        return { value, TypedProblem::Negative };
    if (value.places() > rule.places)
        return { value, TypedProblem::TooManyPlaces };
    if (value > rule.maximum)
        return { value, TypedProblem::TooLarge };
    if (value.isZero() && !rule.zeroAllowed)
        return { value, TypedProblem::Zero };
    return { value, TypedProblem::None };
}

QString TypedProblemText(TypedProblem problem, const QString& field, const TypedRule& rule)
{
    static const QStringList placeNames { {}, QStringLiteral("一位"), QStringLiteral("两位"), QStringLiteral("三位"),
        QStringLiteral("四位") };
    switch (problem) {
    case TypedProblem::None:
        return {};
    case TypedProblem::Empty:
        return field + u"不能为空!";
    case TypedProblem::NotANumber:
        return field + u"不是一个数字!";
    case TypedProblem::Negative:
        return field + u"不能是负数!";
    case TypedProblem::Zero:
        return field + u"必须大于0!";
    case TypedProblem::TooManyPlaces:
        if (rule.places == 0)
            return field + u"必须是整数!";
        return field + u"最多" + placeNames.value(rule.places) + u"小数!";
    case TypedProblem::TooLarge:
        return field + u"太大,不能超过" + rule.maximum.text() + u"!";
    }
    return {};
}

QString TypedRetypeText(TypedProblem problem, const QString& field, const TypedRule& rule)
{
    return TypedProblemText(problem, field, rule).chopped(1) + u",请重新输入!";
}
