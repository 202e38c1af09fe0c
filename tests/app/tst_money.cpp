#include "app/Database.h"
#include "app/LeadingNumber.h"
#include "app/Money.h"
#include "app/TypedNumber.h"
#include "support/AmountTexts.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cmath>
#include <limits>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(TypedProblem)

namespace {

Decimal D(const QString& text)
{
    const std::optional<Decimal> value = Decimal::fromText(text);
    if (!value)
        qFatal("not a decimal: %s", qPrintable(text));
    return *value;
}

// A database of one table of texts, with the money functions of the desk's connection.
struct TextTable
{
    QTemporaryDir folder;
    Database database;

    TextTable()
    {
        if (!database.create(folder.filePath(u"data.db"_s)))
            qFatal("%s", qPrintable(database.lastError()));
        if (!database.exec(u"CREATE TABLE amounts (amount)"_s).ok())
            qFatal("cannot make the table");
    }

    void add(const QVariantList& amounts)
    {
        QVERIFY(database.exec(u"BEGIN"_s).ok());
        for (const QVariant& amount : amounts)
            QVERIFY(database.exec(u"INSERT INTO amounts (amount) VALUES (?)"_s, { amount }).ok());
        QVERIFY(database.exec(u"COMMIT"_s).ok());
    }

    SqlResult sum() { return database.exec(u"SELECT %1 FROM amounts"_s.arg(database.dialect().fenSum(u"amount"_s))); }
};

// Python's decimal reads each text by the leading-number rule, rounds it half away from zero
// to the fen and adds: the figure a person gets who adds up the printed amounts one by one.
// One text a line (no line breaks in them); prints each text's fen, then the sum.
const char* const PythonFenSum = R"(
import re, sys
from decimal import Decimal, ROUND_HALF_UP, getcontext
getcontext().prec = 400000
number = re.compile(r'[ \t\n\v\f\r]*([+-]?(?:[0-9]+\.?[0-9]*|\.[0-9]+)(?:[eE][+-]?[0-9]+)?)')
total = 0
for line in sys.stdin.read().split('\n')[:-1]:
    m = number.match(line)
    fen = int(Decimal(m.group(1)).quantize(Decimal('0.01'), rounding=ROUND_HALF_UP) * 100) if m else 0
    print(fen)
    total += fen
print(total)
)";

QList<qint64> PythonFen(const QStringList& texts)
{
    QProcess python;
    python.start(u"python3"_s, { u"-c"_s, QString::fromLatin1(PythonFenSum) });
    if (!python.waitForStarted())
        return {};
    QByteArray input;
    for (const QString& text : texts)
        input += text.toUtf8() + '\n';
    python.write(input);
    python.closeWriteChannel();
    python.waitForFinished(60000);
    QList<qint64> fen;
    for (const QByteArray& line : python.readAllStandardOutput().trimmed().split('\n'))
        fen << line.toLongLong();
    return fen;
}

qint64 PythonSum(const QStringList& texts)
{
    const QList<qint64> fen = PythonFen(texts);
    return fen.isEmpty() ? std::numeric_limits<qint64>::min() : fen.last();
}

} // namespace

// Money counts whole fen: every line is rounded once, half away from zero, and totals are sums
// of lines; the database adds stored amount texts the same way.
class MoneyTest : public QObject
{
    Q_OBJECT

private slots:
    // --- lines and their rounding -------------------------------------------------------------

    void linesAreRoundedOnceHalfAwayFromZero_data()
    {
        QTest::addColumn<qint64>("count");
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("factor");
        QTest::addColumn<QString>("amount");
        QTest::newRow("massage clock at 45.50, discount 0.85") << qint64(1) << u"45.50"_s << u"0.85"_s << u"38.68"_s;
        QTest::newRow("three goods at 2.675") << qint64(3) << u"2.675"_s << u"1"_s << u"8.03"_s;
        QTest::newRow("a line of 1.125") << qint64(1) << u"1.125"_s << u"1"_s << u"1.13"_s;
        QTest::newRow("half a fen") << qint64(1) << u"0.005"_s << u"1"_s << u"0.01"_s;
        QTest::newRow("minus half a fen") << qint64(1) << u"-0.005"_s << u"1"_s << u"-0.01"_s;
        QTest::newRow("just under half a fen") << qint64(1) << u"0.004999"_s << u"1"_s << u"0.00"_s;
        QTest::newRow("99 at 0.95") << qint64(99) << u"0.95"_s << u"1"_s << u"94.05"_s;
        QTest::newRow("99 discounted 0.95") << qint64(1) << u"99"_s << u"0.95"_s << u"94.05"_s;
        QTest::newRow("a billion yuan") << qint64(1) << u"1000000000"_s << u"1"_s << u"1000000000.00"_s;
        QTest::newRow("discount as typed, three places") << qint64(2) << u"45.5"_s << u"0.855"_s << u"77.81"_s;
        QTest::newRow("count and discount, rounded at the end")
            << qint64(3) << u"2.675"_s << u"0.85"_s << u"6.82"_s; // 6.82125, not 3 × 2.27
        QTest::newRow("no count") << qint64(0) << u"45.50"_s << u"0.85"_s << u"0.00"_s;
        QTest::newRow("whole price") << qint64(7) << u"18"_s << u"1"_s << u"126.00"_s;
    }

    void linesAreRoundedOnceHalfAwayFromZero()
    {
        QFETCH(qint64, count);
        QFETCH(QString, price);
        QFETCH(QString, factor);
        QFETCH(QString, amount);
        QCOMPARE(Money::line(count, D(price), D(factor)).text(), amount);
        if (factor == u"1")
            QCOMPARE(Money::line(count, D(price)).text(), amount);
    }

    void totalsAreSumsOfRoundedLines()
    {
        // Two goods lines of 1.125 print 1.13 each, and the total under them is 2.26.
        const Money line = Money::line(1, D(u"1.125"_s));
        QCOMPARE((line + line).text(), u"2.26"_s);
        QCOMPARE((line * 2).text(), u"2.26"_s);
        QCOMPARE((3 * Money::fromFen(5)).fen(), 15);
        Money sum;
        sum += Money::fromYuan(10);
        sum -= Money::fromFen(1);
        QCOMPARE(sum.text(), u"9.99"_s);
        QCOMPARE((-sum).text(), u"-9.99"_s);
        QVERIFY(Money::fromFen(1) > Money());
        QVERIFY(Money().isZero());
        QVERIFY(Money::fromFen(-1).isNegative());
        QCOMPARE(Money::fromYuan(100).scaled(D(u"0.855"_s)).text(), u"85.50"_s);
        QCOMPARE(Money::fromFen(4550).scaled(D(u"0.85"_s)).text(), u"38.68"_s);
        QCOMPARE(Money::rounded(D(u"38.675"_s)).text(), u"38.68"_s);
        QCOMPARE(Money::rounded(D(u"-38.675"_s)).text(), u"-38.68"_s);
        QCOMPARE(Money::fromFen(1234).toDecimal().text(), u"12.34"_s);
    }

    void amountsAreFormattedWithTwoPlaces_data()
    {
        QTest::addColumn<qint64>("fen");
        QTest::addColumn<QString>("text");
        QTest::newRow("zero") << qint64(0) << u"0.00"_s;
        QTest::newRow("one fen") << qint64(1) << u"0.01"_s;
        QTest::newRow("minus one fen") << qint64(-1) << u"-0.01"_s;
        QTest::newRow("minus ten fen") << qint64(-10) << u"-0.10"_s;
        QTest::newRow("yuan") << qint64(1250) << u"12.50"_s;
        QTest::newRow("minus yuan") << qint64(-54550) << u"-545.50"_s;
        QTest::newRow("largest") << std::numeric_limits<qint64>::max() << u"92233720368547758.07"_s;
        QTest::newRow("most negative") << -std::numeric_limits<qint64>::max() << u"-92233720368547758.07"_s;
    }

    void amountsAreFormattedWithTwoPlaces()
    {
        QFETCH(qint64, fen);
        QFETCH(QString, text);
        QCOMPARE(Money::fromFen(fen).text(), text);
        QCOMPARE(QString::asprintf("%.2f", double(fen) / 100),
            fen == std::numeric_limits<qint64>::max() || fen == -std::numeric_limits<qint64>::max()
                ? QString::asprintf("%.2f", double(fen) / 100)
                : text); // the format the stored texts always had
    }

    // --- stored texts -------------------------------------------------------------------------

    void storedTextsAreReadByTheLeadingNumberRule_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("fen");
        QTest::newRow("empty") << u""_s << qint64(0);
        QTest::newRow("yuan sign") << u"12.5元"_s << qint64(1250);
        QTest::newRow("three places round up") << u"2.675"_s << qint64(268);
        QTest::newRow("three places round down") << u"2.674999"_s << qint64(267);
        QTest::newRow("negative half") << u"-0.005"_s << qint64(-1);
        QTest::newRow("exponent") << u"1.5e1"_s << qint64(1500);
        QTest::newRow("negative exponent") << u"125e-2"_s << qint64(125);
        QTest::newRow("negative exponent rounds") << u"1235e-5"_s << qint64(1);
        QTest::newRow("point only") << u".5"_s << qint64(50);
        QTest::newRow("trailing point") << u"7."_s << qint64(700);
        QTest::newRow("blanks and sign") << u"  -12.75元"_s << qint64(-1275);
        QTest::newRow("comma stops") << u"1,5"_s << qint64(100);
        QTest::newRow("full-width is text") << u"１５"_s << qint64(0);
        QTest::newRow("leading zeros") << u"000000000000000000000000012.34"_s << qint64(1234);
        QTest::newRow("far beyond") << u"1e308"_s << std::numeric_limits<qint64>::max();
        QTest::newRow("far below") << u"-1e308"_s << -std::numeric_limits<qint64>::max();
        QTest::newRow("huge exponent of zero") << u"0e999999999"_s << qint64(0);
        QTest::newRow("tiny") << u"1e-999999999"_s << qint64(0);
        QTest::newRow("many digits") << u"0.00499999999999999999999999"_s << qint64(0);
    }

    void storedTextsAreReadByTheLeadingNumberRule()
    {
        QFETCH(QString, text);
        QFETCH(qint64, fen);
        QCOMPARE(Money::fromText(text).fen(), fen);
        QCOMPARE(Money::fromText(std::string_view(text.toUtf8().constData())).fen(), fen);
    }

    // The database reads each stored text as Money::fromText does, the odd ones too, and adds
    // them as Python's decimal does.
    void theDatabaseReadsAmountsAsTheDeskDoes()
    {
        const QStringList texts = OddAmountTexts();
        TextTable table;
        table.add(QVariantList(texts.cbegin(), texts.cend()));
        const SqlResult read = table.database.exec(u"SELECT amount, %1 FROM amounts ORDER BY %2"_s.arg(
            table.database.dialect().fen(u"amount"_s), table.database.dialect().rowKey()));
        QVERIFY(read.ok());
        QCOMPARE(read.rows.size(), texts.size());
        const QList<qint64> python = PythonFen(texts);
        QCOMPARE(python.size(), texts.size() + 1);
        qint64 sum = 0;
        for (const QSqlRecord& row : read.rows) {
            const QString text = row.value(0).toString();
            const qint64 fen = Money::fromText(text).fen();
            QCOMPARE(row.value(1).toLongLong(), fen);
            QCOMPARE(python.at(texts.indexOf(text)), fen);
            // None has more than two places: the leading real agrees to the fen.
            QCOMPARE(fen, qint64(std::llround(LeadingReal(text) * 100)));
            sum += fen;
        }
        QCOMPARE(table.sum().first().value(0).toLongLong(), sum);
        QCOMPARE(python.last(), sum);
    }

    void theDatabaseSumIsTheExactSumOfThePrintedAmounts()
    {
        // Texts as the desk writes them, hand-written ones with more places, half fen, signs,
        // exponents and text after the number.
        const QStringList texts = StoredAmountTexts(20000);
        const QVariantList values(texts.cbegin(), texts.cend());
        TextTable table;
        table.add(values);
        const SqlResult sum = table.sum();
        QVERIFY(sum.ok());
        qint64 desk = 0;
        for (const QString& text : texts)
            desk += Money::fromText(text).fen();
        QCOMPARE(sum.first().value(0).toLongLong(), desk);
        QCOMPARE(PythonSum(texts), desk);
    }

    void theDatabaseSumSkipsNullsAndSaysWhenItOverflows()
    {
        TextTable table;
        QCOMPARE(table.sum().first().value(0).toLongLong(), 0); // no rows
        table.add({ QVariant(), u"1.005"_s, 7, 2.675 }); // null, text, whole number, real
        QCOMPARE(table.sum().first().value(0).toLongLong(), 101 + 700 + 268);
        const SqlResult grouped = table.database.exec(u"SELECT %1 FROM amounts WHERE amount IS NULL"_s.arg(
            table.database.dialect().fenSum(u"CASE WHEN amount IS NULL THEN NULL END"_s)));
        QCOMPARE(grouped.first().value(0).toLongLong(), 0);
        table.add({ u"9e16"_s, u"9e16"_s });
        const SqlResult overflow = table.sum();
        QVERIFY(!overflow.ok());
        QVERIFY(overflow.error.contains(u"金额超出范围"_s));
    }

    // --- decimals -----------------------------------------------------------------------------

    void pricesKeptAsDoublesAreTheShortDecimalTyped_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("45.55") << 45.55 << u"45.55"_s;
        QTest::newRow("2.675") << 2.675 << u"2.675"_s;
        QTest::newRow("0.1") << 0.1 << u"0.1"_s;
        QTest::newRow("whole") << 118.0 << u"118"_s;
        QTest::newRow("0.85") << 0.85 << u"0.85"_s;
        QTest::newRow("negative") << -5.0 << u"-5"_s;
    }

    void pricesKeptAsDoublesAreTheShortDecimalTyped()
    {
        QFETCH(double, value);
        QFETCH(QString, text);
        const std::optional<Decimal> decimal = Decimal::fromDouble(value);
        QVERIFY(decimal);
        QCOMPARE(decimal->text(), text);
        QCOMPARE(decimal->toDouble(), value);
    }

    void doublesWithoutAShortDecimalAreRefused()
    {
        for (const double value : { std::numeric_limits<double>::quiet_NaN(), std::numeric_limits<double>::infinity(),
                 -std::numeric_limits<double>::infinity(), 1e308, 1e-300, 0.1 + 0.2 })
            QVERIFY2(!Decimal::fromDouble(value), qPrintable(QString::number(value)));
    }

    void decimalsCompareByValue()
    {
        QVERIFY(D(u"0.850"_s) == D(u"0.85"_s));
        QVERIFY(D(u"1"_s) > D(u"0.9999"_s));
        QVERIFY(D(u"-1"_s) < D(u"0"_s));
        QCOMPARE(D(u"0.850"_s).normalized().places(), 2);
        QCOMPARE(D(u"-0.5"_s).text(), u"-0.5"_s);
        QCOMPARE(D(u".5"_s).text(), u"0.5"_s);
        QCOMPARE(D(u"5."_s).text(), u"5"_s);
        QVERIFY(!Decimal::fromText(u""_s));
        QVERIFY(!Decimal::fromText(u"."_s));
        QVERIFY(!Decimal::fromText(u"1.2.3"_s));
        QVERIFY(!Decimal::fromText(u"1e3"_s));
        QVERIFY(!Decimal::fromText(u"0.1234567891"_s)); // ten places
        QVERIFY(!Decimal::fromText(u"1234567890123456789"_s)); // nineteen digits
    }

    // --- typed input --------------------------------------------------------------------------

    void typedNumbersAreReadStrictly_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("kind");
        QTest::addColumn<TypedProblem>("problem");
        QTest::addColumn<QString>("value");
        QTest::newRow("amount") << u"15.5"_s << u"amount"_s << TypedProblem::None << u"15.5"_s;
        QTest::newRow("full-width") << u"１５．５"_s << u"amount"_s << TypedProblem::None << u"15.5"_s;
        QTest::newRow("full-width blanks") << u"　１２　"_s << u"count"_s << TypedProblem::None << u"12"_s;
        QTest::newRow("comma") << u"12,5"_s << u"amount"_s << TypedProblem::NotANumber << u""_s;
        QTest::newRow("exponent") << u"1e308"_s << u"amount"_s << TypedProblem::NotANumber << u""_s;
        QTest::newRow("letters after") << u"12元"_s << u"amount"_s << TypedProblem::NotANumber << u""_s;
        QTest::newRow("empty") << u""_s << u"amount"_s << TypedProblem::Empty << u""_s;
        QTest::newRow("blank") << u"  "_s << u"amount"_s << TypedProblem::Empty << u""_s;
        QTest::newRow("negative") << u"-5"_s << u"amount"_s << TypedProblem::Negative << u""_s;
        QTest::newRow("full-width minus") << u"－5"_s << u"amount"_s << TypedProblem::Negative << u""_s;
        QTest::newRow("three places") << u"2.675"_s << u"amount"_s << TypedProblem::TooManyPlaces << u""_s;
        QTest::newRow("ten places") << u"2.6750000001"_s << u"amount"_s << TypedProblem::TooManyPlaces << u""_s;
        QTest::newRow("zeros after the places") << u"2.500"_s << u"amount"_s << TypedProblem::None << u"2.5"_s;
        QTest::newRow("a price with three places") << u"2.675"_s << u"price"_s << TypedProblem::None << u"2.675"_s;
        QTest::newRow("price limit") << u"100000"_s << u"price"_s << TypedProblem::None << u"100000"_s;
        QTest::newRow("beyond the price limit") << u"100000.01"_s << u"price"_s << TypedProblem::TooLarge << u""_s;
        QTest::newRow("309 digits") << QString(309, u'9') << u"amount"_s << TypedProblem::TooLarge << u""_s;
        QTest::newRow("count") << u"3"_s << u"count"_s << TypedProblem::None << u"3"_s;
        QTest::newRow("count with places") << u"1.5"_s << u"count"_s << TypedProblem::TooManyPlaces << u""_s;
        QTest::newRow("discount") << u"0.855"_s << u"factor"_s << TypedProblem::None << u"0.855"_s;
        QTest::newRow("no discount") << u"1"_s << u"factor"_s << TypedProblem::None << u"1"_s;
        QTest::newRow("discount to nothing") << u"0"_s << u"factor"_s << TypedProblem::Zero << u""_s;
        QTest::newRow("discount above one") << u"1.1"_s << u"factor"_s << TypedProblem::TooLarge << u""_s;
    }

    void typedNumbersAreReadStrictly()
    {
        QFETCH(QString, text);
        QFETCH(QString, kind);
        QFETCH(TypedProblem, problem);
        QFETCH(QString, value);
        const TypedRule rule = kind == u"amount" ? TypedRule::amount()
            : kind == u"price"                   ? TypedRule::unitPrice()
            : kind == u"count"                   ? TypedRule::count()
                                                 : TypedRule::factor();
        const TypedReading reading = ReadTyped(text, rule);
        QCOMPARE(reading.problem, problem);
        if (reading.ok())
            QCOMPARE(reading.value.text(), value);
        else
            QVERIFY(!TypedProblemText(reading.problem, u"金额"_s, rule).isEmpty());
    }

    void typedProblemsAreWordedInChinese()
    {
        QCOMPARE(TypedProblemText(TypedProblem::NotANumber, u"收款"_s, TypedRule::amount()), u"收款不是一个数字!"_s);
        QCOMPARE(TypedProblemText(TypedProblem::TooManyPlaces, u"收款"_s, TypedRule::amount()), u"收款最多两位小数!"_s);
        QCOMPARE(TypedProblemText(TypedProblem::TooManyPlaces, u"数量"_s, TypedRule::count()), u"数量必须是整数!"_s);
        QCOMPARE(
            TypedProblemText(TypedProblem::TooLarge, u"单价"_s, TypedRule::unitPrice()), u"单价太大,不能超过100000!"_s);
        QCOMPARE(TypedMoney(ReadTyped(u"１５．５"_s, TypedRule::amount())).text(), u"15.50"_s);
        QVERIFY(ReadTyped(u""_s, TypedRule::amount().orEmptyAsZero()).ok());
    }
};

QTEST_GUILESS_MAIN(MoneyTest)
#include "tst_money.moc"
