#include "support/AmountTexts.h"

#include <QRandomGenerator>

#include <cmath>

using namespace Qt::StringLiterals;

QStringList OddAmountTexts()
{
    return { u""_s, u"2"_s, u"3abc"_s, u" 4"_s, u"-1"_s, u"1e2"_s, u"0x10"_s, u"5.5.5"_s, u".5"_s, u"+3"_s, u"- 5"_s,
        u"  -7x"_s, u"1e"_s, u"1e+"_s, u"1.5e1"_s, u"abc"_s, u"1,5"_s, u"\t8"_s, u"\u30009"_s, u"\u0663"_s,
        u"12.75元"_s, u"0.80"_s };
}

QStringList StoredAmountTexts(int count, unsigned seed)
{
    QRandomGenerator random(seed);
    QStringList texts;
    for (int i = 0; i < count; ++i) {
        const qint64 whole = random.bounded(0, 100000);
        const int places = random.bounded(0, 6);
        QString text = QString::number(whole);
        if (places > 0)
            text += u'.' + QString::number(random.bounded(0, int(std::pow(10, places)))).rightJustified(places, u'0');
        switch (random.bounded(8)) {
        case 0:
            text.prepend(u'-');
            break;
        case 1:
            text += u"元"_s;
            break;
        case 2:
            text += u"e-1"_s;
            break;
        case 3:
            text = u" "_s + text + u"5"_s;
            break;
        case 4:
            text = text.left(text.size() - 1) + u'5';
            break; // a half fen, often
        default:
            break;
        }
        texts << text;
    }
    return texts;
}
