#include "app/Database.h"
#include "app/Money.h"
#include "app/TextFormat.h"
#include "payroll/CommissionFormula.h"
#include "payroll/CommissionFormulaStore.h"
#include "payroll/SalarySheetDialog.h"
#include "reports/BusinessFigures.h"
#include "reports/PdfRaster.h"
#include "reports/QueryTotals.h"
#include "reports/QueryTotalsArea.h"
#include "reports/QueryWindow.h"
#include "reports/ReceiptPayments.h"
#include "reports/RecordKind.h"
#include "service/CheckoutDialog.h"
#include "service/DiscountDialog.h"
#include "service/ServiceTestData.h"
#include "shift/HandOverDialog.h"
#include "shift/HandOverListing.h"
#include "shift/ShiftHandOver.h"

#include <QComboBox>
#include <QDateTimeEdit>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlRecord>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// The text of a printed PDF as pdftotext lays it out, line by line, its characters in their
// common form.
QStringList PrintedLines(const QString& pdf)
{
    QProcess process;
    process.start(u"pdftotext"_s, { u"-layout"_s, pdf, u"-"_s });
    process.waitForFinished(60000);
    const QString text = QString::fromUtf8(process.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
    return text.split(u'\n');
}

// Every amount ("12.50", "-0.01") on a line, in the order printed.
QStringList AmountsOn(const QString& line)
{
    static const QRegularExpression amount(u"(?<![\\d.])-?\\d+\\.\\d\\d(?![\\d.])"_s);
    QStringList found;
    for (auto match = amount.globalMatch(line); match.hasNext();)
        found << match.next().captured();
    return found;
}

Money Sum(const QStringList& amounts)
{
    Money sum;
    for (const QString& amount : amounts)
        sum += Money::fromText(amount);
    return sum;
}

// The first line that holds `caption`, or an empty one.
QString LineWith(const QStringList& lines, const QString& caption)
{
    for (const QString& line : lines) {
        if (line.contains(caption))
            return line;
    }
    return {};
}

// The amount of each line of a printed receipt: the last amount of every line from the
// service heading down to 合计.
QStringList ReceiptLineAmounts(const QStringList& lines)
{
    QStringList amounts;
    bool inLines = false;
    for (const QString& line : lines) {
        if (line.contains(u"合计:"_s))
            break;
        if (line.contains(u"服务项目"_s) || line.contains(u"商品名称"_s)) {
            inLines = true;
            continue;
        }
        if (inLines && !AmountsOn(line).isEmpty())
            amounts << AmountsOn(line).last();
    }
    return amounts;
}

void ApplyManagerDiscount(CheckoutDialog& checkout, const QString& factor)
{
    WhenDialogOpens<DiscountDialog>([=](DiscountDialog* dialog) {
        Choose(Child<QComboBox>(dialog, u"typeBox"_s), DiscountDialog::ManagerText);
        TypeInto(Child<QLineEdit>(dialog, u"valueEdit"_s), factor);
        Click(dialog, u"okButton"_s);
    });
    LogInWhenAsked(u"经理"_s, u"g1"_s, u"pg"_s);
    Click(&checkout, u"buttonDiscount"_s);
}

// The day of three bills made to hit half a fen, settled through checkout with technicians 01,
// 02 and 03 on the commission formula of 10.125 a massage clock and 3.335 a foot-wash clock:
//   101, 现金:  massage 45.50 x 0.85 = 38.675 -> 38.68, 瓜子 3 x 2.675 = 8.025 -> 8.03,
//               纸巾 1.125 -> 1.13, 口香糖 1.125 -> 1.13; total 48.97, 100 received, 51.03 back;
//   102, 微信:  massage 45.50, 瓜子 1 x 2.675 -> 2.68; total 48.18;
//   103, 支付宝: massage 45.50, foot wash 30.00, 纸巾 1.13, 口香糖 1.13; total 77.76.
// Each technician earns 10.13 a massage clock and 3.34 a foot-wash clock.
struct HalfFenBill
{
    QString room;
    QString technician;
    int footWash = 0;
    QList<GoodsLine> goods;
    QString discount; // a manager's, or none
    QString method;
    QString received;
};

const QList<HalfFenBill> HalfFenBills {
    { u"101"_s, u"01"_s, 0,
        { { u"瓜子"_s, 3, u"2.675"_s, u"包"_s }, { u"纸巾"_s, 1, u"1.125"_s, u"包"_s },
            { u"口香糖"_s, 1, u"1.125"_s, u"条"_s } },
        u"0.85"_s, u"现金"_s, u"100"_s },
    { u"102"_s, u"02"_s, 0, { { u"瓜子"_s, 1, u"2.675"_s, u"包"_s } }, {}, u"微信"_s, u"48.18"_s },
    { u"103"_s, u"03"_s, 1, { { u"纸巾"_s, 1, u"1.125"_s, u"包"_s }, { u"口香糖"_s, 1, u"1.125"_s, u"条"_s } }, {},
        u"支付宝"_s, u"80"_s },
};
const QStringList HalfFenTotals { u"48.97"_s, u"48.18"_s, u"77.76"_s };
const Money HalfFenDayTotal = Money::fromFen(17491);

// Settles the three bills and returns the receipt each printed.
QStringList SettleHalfFenDay(TestEnvironment& env)
{
    PrepareHouse(env);
    WritePrices(env, 45.5);
    env.session.setCompany(u"Tavrel 桑拿足浴中心"_s, u"020-00000000"_s);
    AddAccount(env, 2, u"g1"_s, u"pg"_s, u"赵经理"_s);
    AddGoods(env, u"瓜子"_s, u"2.675"_s, 20, u"包"_s);
    AddGoods(env, u"纸巾"_s, u"1.125"_s, 20, u"包"_s);
    AddGoods(env, u"口香糖"_s, u"1.125"_s, 20, u"条"_s);
    CommissionFormula formula;
    formula.massage1 = u"10.125"_s;
    formula.wash = u"3.335"_s;
    if (!CommissionFormulaStore(env.database).save(formula))
        qFatal("cannot save the commission formula");
    QStringList receipts;
    for (const HalfFenBill& bill : HalfFenBills) {
        OpenRoom(env, bill.room, { bill.technician }, 1, bill.footWash, 0, bill.goods);
        env.clock.advanceSeconds(45 * 60);
        CheckoutDialog checkout(env.services, bill.room);
        if (!bill.discount.isEmpty())
            ApplyManagerDiscount(checkout, bill.discount);
        ClickLine(Child<QAbstractItemView>(&checkout, u"technicianList"_s), 0);
        TypeInto(Child<QLineEdit>(&checkout, u"massageTimeEdit"_s), u"1"_s);
        if (bill.footWash > 0)
            TypeInto(Child<QLineEdit>(&checkout, u"footWashTimeEdit"_s), QString::number(bill.footWash));
        Choose(Child<QComboBox>(&checkout, u"paymentMethodBox"_s), bill.method);
        TypeInto(Child<QLineEdit>(&checkout, u"receivedEdit"_s), bill.received);
        Click(&checkout, u"buttonSettle"_s);
        if (!checkout.isSettled())
            qFatal("room %s was not settled", qPrintable(bill.room));
        receipts << env.printers.lastFile();
    }
    return receipts;
}

// The exact sum of the amounts as Python's decimal makes it: each text's leading number (blanks,
// a sign, digits, a point, digits, an exponent; none is 0) rounded half away from zero to the
// fen, then added. Nothing when python3 cannot be run.
std::optional<Money> DecimalSum(const QStringList& amounts)
{
    static const char* const script = R"(
import re, sys
from decimal import Decimal, ROUND_HALF_UP
number = re.compile(r'[ \t\n\v\f\r]*([+-]?(?:\d+\.?\d*|\.\d+)(?:[eE][+-]?\d+)?)')
total = Decimal(0)
for text in sys.stdin.read().split('\n')[:-1]:
    match = number.match(text)
    value = Decimal(match.group(1)) if match else Decimal(0)
    total += value.quantize(Decimal('0.01'), rounding=ROUND_HALF_UP)
print(int(total * 100))
)";
    QProcess python;
    python.start(u"python3"_s, { u"-c"_s, QString::fromLatin1(script) });
    if (!python.waitForStarted(10000))
        return std::nullopt;
    python.write((amounts.join(u'\n') + u'\n').toUtf8());
    python.closeWriteChannel();
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        qWarning("python3 failed: %s", python.readAllStandardError().constData());
        return std::nullopt;
    }
    bool ok = false;
    const qint64 fen = python.readAllStandardOutput().trimmed().toLongLong(&ok);
    return ok ? std::optional(Money::fromFen(fen)) : std::nullopt;
}

// The receipts query window as the menu opens it, on screen with its totals shown.
struct ShownReceiptQuery
{
    explicit ShownReceiptQuery(TestEnvironment& env)
        : listing(env.services)
        , window(RecordKind::Receipts, QueryWindow::Mode::Normal, env.services, nullptr, &listing)
    {
        ready = ShowOnScreen(window) && QTest::qWaitFor([this] { return window.totals().has_value(); });
    }
    HandOverListing listing;
    QueryWindow window;
    bool ready = false;
};

} // namespace

// Every printed total is the sum of the lines printed above it, read back from the paper, for
// bills made to hit half a fen; the same day shows the same takings in every window; and the
// database adds stored amounts as a decimal calculator would.
class AddsUpTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setApplicationDisplayName(u"Tavrel"_s); }

    // Each receipt's line amounts, read back from the paper, add up to the 合计 printed under
    // them, and the stored receipt keeps that total.
    void aReceiptAddsUpToItsTotal()
    {
        TestEnvironment env;
        const QStringList receipts = SettleHalfFenDay(env);
        QCOMPARE(receipts.size(), HalfFenBills.size());
        const QList<QStringList> expectedLines { { u"38.68"_s, u"8.03"_s, u"1.13"_s, u"1.13"_s },
            { u"45.50"_s, u"2.68"_s }, { u"45.50"_s, u"30.00"_s, u"1.13"_s, u"1.13"_s } };
        for (qsizetype i = 0; i < receipts.size(); ++i) {
            const QStringList lines = PrintedLines(receipts[i]);
            const QString printed = lines.join(u'\n');
            const QStringList amounts = ReceiptLineAmounts(lines);
            QVERIFY2(amounts == expectedLines[i], qPrintable(printed));
            const QStringList total = AmountsOn(LineWith(lines, u"合计:"_s));
            QCOMPARE(total, QStringList { HalfFenTotals[i] });
            QCOMPARE(Sum(amounts), Money::fromText(total.first()));
            QCOMPARE(env.database.scalar(u"SELECT alljine FROM Receiptform WHERE id=?"_s, { i + 1 }).toString(),
                HalfFenTotals[i]);
        }
        // The goods subtotal of the first bill is stored as the sum of its printed goods lines.
        QCOMPARE(env.database.scalar(u"SELECT spjine FROM Receiptform WHERE id=1"_s).toString(), u"10.29"_s);
        QVERIFY(!RasterisePdf(receipts.first(), 110, TestOutputPath(u"addsup-receipt.png"_s)).isNull());
    }

    // The change is what was received less the total as printed: 100 - 48.97.
    void theChangeIsTheReceivedLessThePrintedTotal()
    {
        TestEnvironment env;
        PrepareHouse(env);
        WritePrices(env, 45.5);
        AddAccount(env, 2, u"g1"_s, u"pg"_s, u"赵经理"_s);
        const HalfFenBill& bill = HalfFenBills.first();
        AddGoods(env, u"瓜子"_s, u"2.675"_s, 20, u"包"_s);
        AddGoods(env, u"纸巾"_s, u"1.125"_s, 20, u"包"_s);
        AddGoods(env, u"口香糖"_s, u"1.125"_s, 20, u"条"_s);
        OpenRoom(env, bill.room, { bill.technician }, 1, 0, 0, bill.goods);
        CheckoutDialog checkout(env.services, bill.room);
        ApplyManagerDiscount(checkout, bill.discount);
        QCOMPARE(checkout.bill().total, u"48.97"_s);
        TypeInto(Child<QLineEdit>(&checkout, u"receivedEdit"_s), u"100"_s);
        QCOMPARE(Child<QLineEdit>(&checkout, u"changeEdit"_s)->text(), u"51.03"_s);
    }

    // The salary page: the 实发工资 of each technician, read back from the paper, adds up to the
    // page's 总金额; each commission of 10.125 a clock was paid as 10.13.
    void aSalaryPageAddsUpToItsTotal()
    {
        TestEnvironment env;
        SettleHalfFenDay(env);
        SalarySheetDialog sheet(env.services);
        QVERIFY(ShowOnScreen(sheet));
        Click(&sheet, u"generateButton"_s);
        Click(&sheet, u"printButton"_s);
        const QStringList lines = PrintedLines(env.printers.lastFile());
        const QString printed = lines.join(u'\n');
        QStringList netPay;
        bool inRows = false;
        for (const QString& line : lines) {
            if (line.contains(u"总金额:"_s))
                break;
            if (inRows && !AmountsOn(line).isEmpty())
                netPay << AmountsOn(line).last();
            inRows = inRows || line.contains(u"实发工资"_s);
        }
        QVERIFY2(
            netPay == (QStringList { u"0.00"_s, u"0.00"_s, u"13.47"_s, u"10.13"_s, u"10.13"_s }), qPrintable(printed));
        QCOMPARE(AmountsOn(LineWith(lines, u"总金额:"_s)), QStringList { Sum(netPay).text() });
        QCOMPARE(Sum(netPay), Money::fromFen(3373));
        QVERIFY(!RasterisePdf(env.printers.lastFile(), 110, TestOutputPath(u"addsup-salary.png"_s)).isNull());
    }

    // The printed query list: the 总额 of every receipt adds up to the page's 总金额, which is
    // the database's figure.
    void aQueryPageAddsUpToItsTotal()
    {
        TestEnvironment env;
        SettleHalfFenDay(env);
        ShownReceiptQuery opened(env);
        QVERIFY(opened.ready);
        QueryWindow& query = opened.window;
        Click(&query, u"printButton"_s);
        const QStringList lines = PrintedLines(env.printers.lastFile());
        static const QRegularExpression receiptRow(u"^\\s*\\d+\\s+\\d{3}\\s"_s); // the number and the room
        QStringList amounts;
        for (const QString& line : lines) {
            if (receiptRow.match(line).hasMatch())
                amounts << AmountsOn(line).last();
        }
        QVERIFY2(amounts == (QStringList { u"77.76"_s, u"48.18"_s, u"48.97"_s }), qPrintable(lines.join(u'\n')));
        QCOMPARE(AmountsOn(LineWith(lines, u"总金额:"_s)), QStringList { Sum(amounts).text() });
        QCOMPARE(Sum(amounts), HalfFenDayTotal);
        const Outcome<QueryTotals> read = ReadQueryTotals(env.database, RecordKind::Receipts, QueryCondition::all());
        QVERIFY(read);
        QCOMPARE(read.value().amount, HalfFenDayTotal);
    }

    // The hand-over slip: what each method took adds up to its 总金额, and the expected cash is
    // what cash took.
    void aHandOverSlipAddsUpToItsTotal()
    {
        TestEnvironment env;
        SettleHalfFenDay(env);
        const Outcome<ShiftReceipts> shift = CurrentShiftReceipts(env.database, env.session);
        QVERIFY(shift);
        HandOverDialog closing(env.services, shift.value());
        QVERIFY(ShowOnScreen(closing));
        TypeInto(Child<QLineEdit>(&closing, u"countedEdit"_s), u"48.97"_s);
        Click(&closing, u"confirmCountButton"_s);
        Click(&closing, u"handOverButton"_s);
        QCOMPARE(closing.result(), int(QDialog::Accepted));
        const QStringList lines = PrintedLines(env.printers.lastFile());
        const QString printed = lines.join(u'\n');
        QStringList methods;
        for (PaymentMethod method : PaymentMethods)
            methods << AmountsOn(LineWith(lines, PaymentMethodName(method) + u':')).value(0);
        QVERIFY2(
            methods == (QStringList { u"48.97"_s, u"48.18"_s, u"77.76"_s, u"0.00"_s, u"0.00"_s }), qPrintable(printed));
        QCOMPARE(AmountsOn(LineWith(lines, u"总 金 额:"_s)), QStringList { Sum(methods).text() });
        QCOMPARE(Sum(methods), HalfFenDayTotal);
        QCOMPARE(AmountsOn(LineWith(lines, u"应有现金:"_s)), QStringList { methods.first() });
        QCOMPARE(AmountsOn(LineWith(lines, u"差   额:"_s)), QStringList { u"0.00"_s });
        QVERIFY(!RasterisePdf(env.printers.lastFile(), 110, TestOutputPath(u"addsup-handover-slip.png"_s)).isNull());
    }

    // One day of half-fen bills paid three ways shows one figure everywhere: the query window's
    // totals and per-method line, the hand-over, the charts' day and methods, and the export's
    // totals row.
    void theSameDayShowsTheSameTakingsEverywhere()
    {
        TestEnvironment env;
        SettleHalfFenDay(env);
        const QString figure = HalfFenDayTotal.text();

        ShownReceiptQuery opened(env);
        QVERIFY(opened.ready);
        QueryWindow& query = opened.window;
        QCOMPARE(query.totals()->amount, HalfFenDayTotal);
        QStringList shown;
        for (const QueryTotalsArea::Text& text : query.totalsArea().texts())
            shown << text.text;
        QVERIFY2(shown.join(u' ').contains(figure), qPrintable(shown.join(u' ')));
        QCOMPARE(Sum(AmountsOn(Child<QLabel>(&query, u"paymentTotals"_s)->text())), HalfFenDayTotal);

        const QString csv = env.filePath(u"day.csv"_s);
        env.files.queuePath(csv);
        Click(&query, u"exportButton"_s);
        const QStringList csvLines = QString::fromUtf8(FileBytes(csv)).split(u"\r\n"_s, Qt::SkipEmptyParts);
        QVERIFY(!csvLines.isEmpty());
        QVERIFY2(csvLines.last().startsWith(u"合计 3条,"_s), qPrintable(csvLines.last()));
        QCOMPARE(csvLines.last().split(u',').value(RecordKindLayout::AmountColumn), figure);

        const Outcome<ShiftReceipts> shift = CurrentShiftReceipts(env.database, env.session);
        QVERIFY(shift);
        const Outcome<ShiftTakings> takings = ReadShiftTakings(env.database, shift.value());
        QVERIFY(takings);
        QCOMPARE(takings.value().totals.amount, HalfFenDayTotal);
        Money perMethod = takings.value().payments.unrecorded.amount;
        for (PaymentMethod method : PaymentMethods)
            perMethod += takings.value().payments.of(method).amount;
        QCOMPARE(perMethod, HalfFenDayTotal);
        HandOverDialog closing(env.services, shift.value());
        QVERIFY(ShowOnScreen(closing));
        TypeInto(Child<QLineEdit>(&closing, u"countedEdit"_s), u"48.97"_s);
        Click(&closing, u"confirmCountButton"_s);
        QCOMPARE(Child<QLabel>(&closing, u"totalValue"_s)->text(), figure + u" 元"_s);

        const BusinessFigures::Period day { Opening.date(), Opening.date() };
        const auto daily = BusinessFigures::dailyTakings(env.database, day);
        QVERIFY(daily);
        QCOMPARE(daily.value().days.size(), 1);
        QCOMPARE(daily.value().days.first().amount, HalfFenDayTotal);
        QCOMPARE(daily.value().days.first().receipts, 3);
        // The methods' chart and the hours' chart share the day out without losing a fen.
        for (const auto& groups :
            { BusinessFigures::paymentMethods(env.database, day), BusinessFigures::hoursOfDay(env.database, day) }) {
            QVERIFY(groups);
            Money charted;
            for (const BusinessFigures::Group& group : groups.value())
                charted += group.amount;
            QCOMPARE(charted, HalfFenDayTotal);
        }

        // A condition the ledger cannot answer adds the rows themselves, to the same figure.
        const auto byRange = ReadQueryTotals(env.database, RecordKind::Receipts, shift.value().condition());
        QVERIFY(byRange);
        QCOMPARE(byRange.value().amount, HalfFenDayTotal);
    }

    // --- stored amounts added up by the database ---------------------------------------------

    // The totals of stored receipts equal the exact decimal sum of their amounts, each read by
    // its leading number and rounded half away from zero to the fen, as Python's decimal adds
    // them: through the daily ledger (every record) and through the rows (a receipt range).
    void storedAmountsAddUpAsDecimalsDo_data()
    {
        QTest::addColumn<QStringList>("amounts");
        QStringList desk; // as checkout writes them: two places
        QStringList thirdPlace { u"38.675"_s, u"1.005"_s, u"-1.005"_s, u"0.145"_s };
        quint32 seed = 20261207;
        const auto next = [&seed] {
            seed = seed * 1664525u + 1013904223u;
            return seed >> 8;
        };
        for (int i = 0; i < 400; ++i) {
            const qint64 fen = qint64(next() % 2000000) - 50000;
            desk << Money::fromFen(fen).text();
            thirdPlace << u"%1.%2"_s.arg(next() % 5000).arg(next() % 1000, 3, 10, QLatin1Char('0'));
        }
        QTest::newRow("two places, as the desk writes them") << desk;
        QTest::newRow("other texts, by hand")
            << QStringList { u"1.125"_s, u"1.125"_s, u"2.675"_s, u"0.005"_s, u"-0.005"_s, u"12.5元"_s, u""_s,
                   u"-2.675"_s, u"99.995"_s, u" 8.025"_s, u"abc"_s, u"1e2"_s, u"0.0049999"_s, u"33.335"_s };
        QTest::newRow("a third place, by hand") << thirdPlace;
    }

    void storedAmountsAddUpAsDecimalsDo()
    {
        QFETCH(QStringList, amounts);
        const std::optional<Money> exact = DecimalSum(amounts);
        if (!exact)
            QSKIP("python3 is not available to add the amounts as decimals");
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.sql(u"BEGIN"_s);
        for (qsizetype i = 0; i < amounts.size(); ++i) {
            const QString time = DateTimeText(Opening.addSecs(60 * i));
            env.sql(u"INSERT INTO Receiptform (id, housnum, bytime, massagetime, washfoottime, trimfoot, spjine, "
                    "dazhe, dazheperson, alljine, paytype, cashier, time, paymethod) "
                    "VALUES (?, '101', ?, '1', '', '', '0', '1.00', '0', ?, '普通', 'c1', ?, '现金')"_s,
                { qint64(i + 1), QString(time + u"—"_s + time), amounts[i], time });
        }
        env.sql(u"COMMIT"_s);
        const auto byRows = ReadQueryTotals(
            env.database, RecordKind::Receipts, QueryCondition::receiptRange(std::nullopt, amounts.size()));
        QVERIFY(byRows);
        QCOMPARE(byRows.value().count, amounts.size());
        const auto byLedger = ReadQueryTotals(env.database, RecordKind::Receipts, QueryCondition::all());
        QVERIFY(byLedger);
        QCOMPARE(byLedger.value(), byRows.value());
        // A hand-written third place such as "1.005" is read as written, by the ledger too.
        QCOMPARE(byRows.value().amount, *exact);
    }

    // The ledger's triggers read an amount with the database's own arithmetic; on every text the
    // desk writes (two places, every fen from -1000.00 to 1000.00, and large amounts) and on a
    // third place written by hand it reads the same fen as Money does.
    void theLedgerReadsTheDesksAmountsAsMoneyDoes()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        // Each fen n as "%.2f" writes it, made as text without a binary number in between.
        const QString twoPlaces
            = u"WITH RECURSIVE n(v) AS (SELECT CAST(? AS bigint) UNION ALL SELECT v + CAST(? AS bigint) FROM n "
              "WHERE v + CAST(? AS bigint) <= CAST(? AS bigint)), "
              "t(v, x) AS (SELECT v, (CASE WHEN v < 0 THEN '-' ELSE '' END) || (abs(v) / 100) || '.' "
              "|| (CASE WHEN abs(v) % 100 < 10 THEN '0' ELSE '' END) || (abs(v) % 100) FROM n) "
              "SELECT count(*), sum(CASE WHEN %1 <> v THEN 1 ELSE 0 END), sum(CASE WHEN %2 <> v THEN 1 ELSE 0 END) "
              "FROM t"_s.arg(env.database.dialect().leadingFen(u"x"_s), env.database.dialect().fen(u"x"_s));
        for (const auto& [first, step, last] :
            { std::tuple<qint64, qint64, qint64> { -100000, 1, 100000 }, { 0, 99999999997, 100000000000000 } }) {
            const QSqlRecord counts = env.sql(twoPlaces, { first, step, step, last }).first();
            QVERIFY(counts.value(0).toLongLong() > 1000);
            QCOMPARE(counts.value(1).toLongLong(), 0);
            QCOMPARE(counts.value(2).toLongLong(), 0); // the text is read back as written
        }
        const auto read = [&env](const QString& expression, const QString& text) {
            return env.database.scalar(u"SELECT "_s + expression, { text }).toLongLong();
        };
        for (const QString& text : { u"1.125"_s, u"2.675"_s, u"-0.005"_s, u"12.5元"_s, u""_s, u"1e2"_s })
            QCOMPARE(read(env.database.dialect().leadingFen(u"?"_s), text), Money::fromText(text).fen());
        QCOMPARE(read(env.database.dialect().leadingFen(u"?"_s), u"1.005"_s), Money::fromText(u"1.005"_s).fen());
    }

    // A receipt whose amount was typed into the file by hand with a third place: the printed
    // list adds it as Money (1.005 is 1.01), and the window's totals from the ledger say the same.
    void aHandWrittenThirdPlaceOnPaperAndOnScreen()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        const QString time = DateTimeText(Opening);
        env.sql(u"INSERT INTO Receiptform (id, housnum, bytime, massagetime, washfoottime, trimfoot, spjine, dazhe, "
                "dazheperson, alljine, paytype, cashier, time, paymethod) "
                "VALUES (1, '101', ?, '1', '', '', '0', '1.00', '0', '1.005', '普通', 'c1', ?, '现金')"_s,
            { QString(time + u"—"_s + time), time });
        ShownReceiptQuery opened(env);
        QVERIFY(opened.ready);
        QueryWindow& query = opened.window;
        Click(&query, u"printButton"_s);
        const QStringList lines = PrintedLines(env.printers.lastFile());
        QCOMPARE(AmountsOn(LineWith(lines, u"总金额:"_s)), QStringList { u"1.01"_s });
        QCOMPARE(query.totals()->amount, Money::fromFen(101));
    }
};

QTEST_MAIN(AddsUpTest)
#include "tst_addsup.moc"
