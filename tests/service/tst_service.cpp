#include "ServiceTestData.h"
#include "app/TypedNumber.h"
#include "desk/OpenBill.h"
#include "reports/PdfRaster.h"
#include "service/Bill.h"
#include "service/BillLayout.h"
#include "service/BillRefusals.h"
#include "service/Change.h"
#include "service/GoodsStock.h"
#include "service/ReceiptPrinter.h"
#include "service/ServiceSettings.h"
#include "service/StockSale.h"
#include "support/ScriptedMessageService.h"
#include "support/TestEnvironment.h"

#include <QFile>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QtEndian>
#include <QtTest>

#include <cstring>

using namespace Qt::StringLiterals;

namespace {

ServiceSettings Prices(double massage, double footWash, double pedicure)
{
    ServiceSettings prices;
    prices.massagePrice = Dec(massage);
    prices.footWashPrice = Dec(footWash);
    prices.pedicurePrice = Dec(pedicure);
    prices.memberDiscount = Dec(0.9);
    return prices;
}

OpenBill Counts(int massage, int footWash, int pedicure)
{
    OpenBill bill;
    bill.startTime = QDateTime(QDate(2026, 12, 7), QTime(9, 0));
    bill.massageClocks = massage;
    bill.footWashClocks = footWash;
    bill.pedicureCount = pedicure;
    return bill;
}

GoodsLine Goods(const QString& name, int quantity, const QString& unitPrice)
{
    return { name, quantity, unitPrice, QStringLiteral("瓶") };
}

double DoubleAt(const QByteArray& bytes, int index)
{
    const quint64 raw = qFromLittleEndian<quint64>(bytes.constData() + index * 8);
    double value = 0.0;
    std::memcpy(&value, &raw, sizeof value);
    return value;
}

BillHeading Heading()
{
    return { QStringLiteral("Tavrel 桑拿足浴中心"), QStringLiteral("020-00000000"),
        QStringLiteral("2026-12-07 10:30:00"), 1 };
}

BillLayout Layout(const OpenBill* open, double factor = 1.0)
{
    return BillLayout(Heading(), Bill::price(open, Prices(40, 30, 20), Dec(factor)));
}

// The y of every rule across the bill (20 to 400), top to bottom.
QList<int> Rules(const BillLayout& layout)
{
    QList<int> ys;
    for (const QLineF& line : layout.drawing().lines()) {
        if (line.y1() == line.y2() && line.x1() == 20 && line.x2() == 400)
            ys.append(qRound(line.y1()));
    }
    return ys;
}

int YOf(const BillLayout& layout, const QString& text)
{
    const PageText* found = layout.drawing().findText(text);
    if (!found)
        qFatal("%s is not drawn", qPrintable(text));
    return qRound(found->topLeft.y());
}

const QString Footer = QStringLiteral("祝你生活愉快,欢迎再次光临!    Tel:020-00000000");

} // namespace

// The money rules of a bill, the settings it is priced at, and the bill as drawn and printed.
class ServiceTest : public QObject
{
    Q_OBJECT

private slots:
    void workedExample()
    {
        OpenBill open = Counts(2, 1, 1);
        open.goods.append(Goods(QStringLiteral("啤酒"), 3, QStringLiteral("5.5")));
        const Bill bill = Bill::price(&open, Prices(40, 30, 20), Dec(0.8));

        QVERIFY(bill.hasOpenBill);
        QCOMPARE(bill.massage, (ServiceLine { QStringLiteral("2"), QStringLiteral("40.00"), QStringLiteral("64.00") }));
        QCOMPARE(
            bill.footWash, (ServiceLine { QStringLiteral("1"), QStringLiteral("30.00"), QStringLiteral("30.00") }));
        QCOMPARE(
            bill.pedicure, (ServiceLine { QStringLiteral("1"), QStringLiteral("20.00"), QStringLiteral("20.00") }));
        QCOMPARE(bill.goods.size(), 1);
        QCOMPARE(bill.goods.first().amount, QStringLiteral("16.50"));
        QCOMPARE(bill.goodsSubtotal, QStringLiteral("16.50"));
        QCOMPARE(bill.total, QStringLiteral("130.50"));
        QCOMPARE(bill.discount, QStringLiteral("0.80"));
    }

    void memberDiscountLowersTheMassageLineOnly()
    {
        const OpenBill open = Counts(2, 0, 0);
        const Bill bill = Bill::price(&open, Prices(40, 30, 20), Prices(40, 30, 20).memberDiscount);
        QCOMPARE(bill.massage->amount, QStringLiteral("72.00"));
        QCOMPARE(bill.discount, QStringLiteral("0.90"));
        QVERIFY(!bill.footWash);
        QVERIFY(!bill.pedicure);
        QCOMPARE(bill.goodsSubtotal, QStringLiteral("0"));
        QCOMPARE(bill.total, QStringLiteral("72.00"));
    }

    void totals_data()
    {
        QTest::addColumn<int>("massage");
        QTest::addColumn<int>("footWash");
        QTest::addColumn<int>("pedicure");
        QTest::addColumn<double>("factor");
        QTest::addColumn<QList<GoodsLine>>("goods");
        QTest::addColumn<QString>("goodsSubtotal");
        QTest::addColumn<QString>("total");

        const QList<GoodsLine> none;
        QTest::newRow("nothing served") << 0 << 0 << 0 << 1.0 << none << QStringLiteral("0") << QStringLiteral("0.00");
        QTest::newRow("foot-wash and pedicure never discounted")
            << 0 << 2 << 1 << 0.5 << none << QStringLiteral("0") << QStringLiteral("80.00");
        QTest::newRow("goods never discounted")
            << 1 << 0 << 0 << 0.5 << QList<GoodsLine> { Goods(QStringLiteral("茶"), 2, QStringLiteral("8")) }
            << QStringLiteral("16.00") << QStringLiteral("36.00");
        QTest::newRow("unit price by its leading number")
            << 0 << 0 << 0 << 1.0
            << QList<GoodsLine> { Goods(QStringLiteral("烟"), 2, QStringLiteral("12.5元")),
                   Goods(QStringLiteral("水"), 1, QStringLiteral(" 3")) }
            << QStringLiteral("28.00") << QStringLiteral("28.00");
        QTest::newRow("each line rounded once, the total the sum of the printed lines")
            << 0 << 0 << 0 << 1.0
            << QList<GoodsLine> { Goods(QStringLiteral("a"), 1, QStringLiteral("0.004")),
                   Goods(QStringLiteral("b"), 1, QStringLiteral("0.004")) }
            << QStringLiteral("0.00") << QStringLiteral("0.00");
        // Five clocks at 40 with a free clock after five: no bill gives the free clock.
        QTest::newRow("no free clock") << 5 << 0 << 0 << 1.0 << none << QStringLiteral("0") << QStringLiteral("200.00");
    }

    void totals()
    {
        QFETCH(int, massage);
        QFETCH(int, footWash);
        QFETCH(int, pedicure);
        QFETCH(double, factor);
        QFETCH(QList<GoodsLine>, goods);
        QFETCH(QString, goodsSubtotal);
        QFETCH(QString, total);

        OpenBill open = Counts(massage, footWash, pedicure);
        open.goods = goods;
        ServiceSettings prices = Prices(40, 30, 20);
        prices.freeClockCount = Decimal::whole(5);
        const Bill bill = Bill::price(&open, prices, Dec(factor));
        QCOMPARE(bill.goodsSubtotal, goodsSubtotal);
        QCOMPARE(bill.total, total);
        QCOMPARE(bill.goods.size(), goods.size());
    }

    void linesOnlyForNonZeroCounts()
    {
        const OpenBill open = Counts(0, 3, 0);
        const Bill bill = Bill::price(&open, Prices(40, 30, 20), Dec(1.0));
        QVERIFY(!bill.massage);
        QCOMPARE(bill.footWash->count, QStringLiteral("3"));
        QVERIFY(!bill.pedicure);
        QCOMPARE(Bill::countText(bill.massage), QString());
        QCOMPARE(Bill::countText(bill.footWash), QStringLiteral("3"));
    }

    void roomWithoutOpenBill()
    {
        const Bill bill = Bill::price(nullptr, Prices(40, 30, 20), Dec(1.0));
        QVERIFY(!bill.hasOpenBill);
        QVERIFY(!bill.massage && !bill.footWash && !bill.pedicure);
        QVERIFY(bill.goods.isEmpty());
        QCOMPARE(bill.total, QStringLiteral("0.00"));
        QCOMPARE(bill.goodsSubtotal, QStringLiteral("0"));
        QCOMPARE(bill.discount, QStringLiteral("1.00"));
    }

    void servicePeriod()
    {
        const QDateTime start(QDate(2026, 12, 7), QTime(9, 5, 1));
        const QDateTime end(QDate(2026, 12, 7), QTime(10, 30, 0));
        QCOMPARE(ServicePeriodText(start, end), QStringLiteral("2026-12-07 09:05:01—2026-12-07 10:30:00"));
        QCOMPARE(ServicePeriodText({}, end), QStringLiteral("2026-12-07 10:30:00—2026-12-07 10:30:00"));
    }

    void change_data()
    {
        QTest::addColumn<QString>("received");
        QTest::addColumn<QString>("payable");
        QTest::addColumn<QString>("change");

        QTest::newRow("enough") << QStringLiteral("200") << QStringLiteral("130.50") << QStringLiteral("69.50");
        QTest::newRow("too little") << QStringLiteral("100") << QStringLiteral("130.50") << QStringLiteral("-30.50");
        QTest::newRow("exact") << QStringLiteral("130.5") << QStringLiteral("130.50") << QStringLiteral("0.00");
        QTest::newRow("nothing typed yet") << QString() << QStringLiteral("130.50") << QStringLiteral("-130.50");
        QTest::newRow("full-width digits and point")
            << QStringLiteral("１５０．５") << QStringLiteral("130.50") << QStringLiteral("20.00");
        // What is no amount is refused with the reason, not taken as its leading number or 0.
        QTest::newRow("a unit") << QStringLiteral("200元") << QStringLiteral("130.50")
                                << QStringLiteral("收款不是一个数字!");
        QTest::newRow("a comma") << QStringLiteral("12,5") << QStringLiteral("130.50")
                                 << QStringLiteral("收款不是一个数字!");
        QTest::newRow("an exponent") << QStringLiteral("1e308") << QStringLiteral("130.50")
                                     << QStringLiteral("收款不是一个数字!");
        QTest::newRow("negative") << QStringLiteral("-3") << QStringLiteral("130.50")
                                  << QStringLiteral("收款不能是负数!");
        QTest::newRow("below the fen") << QStringLiteral("200.005") << QStringLiteral("130.50")
                                       << QStringLiteral("收款最多两位小数!");
    }

    void change()
    {
        QFETCH(QString, received);
        QFETCH(QString, payable);
        QFETCH(QString, change);
        const Outcome<QString> computed = ChangeText(received, payable);
        QCOMPARE(computed.ok() ? computed.value() : computed.text(), change);
        QCOMPARE(computed.ok(), !change.endsWith(u'!'));
    }

    void stock_data()
    {
        QTest::addColumn<QString>("stock");
        QTest::addColumn<int>("sold");
        QTest::addColumn<QString>("remaining");
        QTest::addColumn<bool>("warns");

        QTest::newRow("15 less 5 warns") << QStringLiteral("15") << 5 << QStringLiteral("10") << true;
        QTest::newRow("16 less 5 does not") << QStringLiteral("16") << 5 << QStringLiteral("11") << false;
        QTest::newRow("below 0") << QStringLiteral("2") << 5 << QStringLiteral("-3") << true;
        QTest::newRow("leading number") << QStringLiteral("30箱") << 1 << QStringLiteral("29") << false;
        QTest::newRow("no number counts 0") << QStringLiteral("很多") << 1 << QStringLiteral("-1") << true;
        QTest::newRow("no overflow") << QStringLiteral("-2147483648") << 5 << QStringLiteral("-2147483648") << true;
        QTest::newRow("blanks and a tail") << QStringLiteral(" \t7x") << 2 << QStringLiteral("5") << true;
        QTest::newRow("beyond an int") << QStringLiteral("99999999999") << 1 << QStringLiteral("2147483646") << false;
        QTest::newRow("down to the least int")
            << QStringLiteral("-2147483640") << 100 << QStringLiteral("-2147483648") << true;
        QTest::newRow("sign without digits") << QStringLiteral("- 5") << 1 << QStringLiteral("-1") << true;
        QTest::newRow("empty") << QString() << 3 << QStringLiteral("-3") << true;
    }

    void stock()
    {
        QFETCH(QString, stock);
        QFETCH(int, sold);
        QFETCH(QString, remaining);
        QFETCH(bool, warns);
        const StockSale sale = StockSale::sell(stock, sold);
        QCOMPARE(sale.remainingText(), remaining);
        QCOMPARE(sale.lowStock, warns);
    }

    // The database counts the stock down in one statement, from the text the row holds, to the
    // same text as the rule above; the warning follows the remainder the statement returned.
    void stockCountedDownByTheDatabase_data() { stock_data(); }
    void stockCountedDownByTheDatabase()
    {
        QFETCH(QString, stock);
        QFETCH(int, sold);
        QFETCH(QString, remaining);
        QFETCH(bool, warns);
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.sql(QStringLiteral("INSERT INTO kucheninfo (str1, str2, str6) VALUES ('G1', '龙井', ?)"), { stock });
        env.sql(QStringLiteral("INSERT INTO kucheninfo (str1, str2, str6) VALUES ('G2', '龙井', '50')"));
        const Outcome<std::optional<StockSale>> sale = GoodsStock(env.database).sell(QStringLiteral("龙井"), sold);
        QVERIFY2(sale.ok(), qPrintable(sale.text()));
        QVERIFY(sale.value().has_value());
        QCOMPARE(sale.value()->remainingText(), remaining);
        QCOMPARE(sale.value()->lowStock, warns);
        // The first article of the name counts, as a text; the other keeps its stock.
        QCOMPARE(
            env.database.scalar(QStringLiteral("SELECT str6 FROM kucheninfo WHERE str1='G1'")).toString(), remaining);
        QCOMPARE(
            env.database.scalar(u"SELECT %1 FROM kucheninfo WHERE str1='G1'"_s.arg(StoredTypeOf(u"str6"_s))).toString(),
            QStringLiteral("text"));
        QCOMPARE(env.database.scalar(QStringLiteral("SELECT str6 FROM kucheninfo WHERE str1='G2'")).toString(),
            QStringLiteral("50"));
    }

    // A bill's lines are counted out in one statement: two lines of one article both count,
    // the first record of a name takes them, an unknown name is sold without stock.
    void aBillsLinesAreCountedOutTogether()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.sql(QStringLiteral("INSERT INTO kucheninfo (str1, str2, str6) VALUES ('G1', '龙井', '12')"));
        env.sql(QStringLiteral("INSERT INTO kucheninfo (str1, str2, str6) VALUES ('G2', '龙井', '50')"));
        env.sql(QStringLiteral("INSERT INTO kucheninfo (str1, str2, str6) VALUES ('G3', '啤酒', '30箱')"));
        const Outcome<QHash<QString, StockSale>> sold
            = GoodsStock(env.database)
                  .sell(QList<GoodsStock::Sale> {
                      { u"龙井"_s, 1 }, { u"啤酒"_s, 5 }, { u"碧螺春"_s, 2 }, { u"龙井"_s, 2 } });
        QVERIFY2(sold.ok(), qPrintable(sold.text()));
        QCOMPARE(sold.value().size(), 2);
        QCOMPARE(sold.value().value(u"龙井"_s).remainingText(), u"9"_s);
        QVERIFY(sold.value().value(u"龙井"_s).lowStock);
        QCOMPARE(sold.value().value(u"啤酒"_s).remainingText(), u"25"_s);
        QVERIFY(!sold.value().value(u"啤酒"_s).lowStock);
        QCOMPARE(JoinedRows(env.database, u"SELECT str6 FROM kucheninfo ORDER BY str1"_s), u"9,50,25"_s);
    }

    void stockOfAnUnknownArticleIsLeftAlone()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.sql(QStringLiteral("INSERT INTO kucheninfo (str1, str2, str6) VALUES ('G1', '龙井', '8')"));
        const Outcome<std::optional<StockSale>> sale = GoodsStock(env.database).sell(QStringLiteral("碧螺春"), 1);
        QVERIFY(sale.ok());
        QVERIFY(!sale.value().has_value());
        QCOMPARE(env.database.scalar(QStringLiteral("SELECT str6 FROM kucheninfo")).toString(), QStringLiteral("8"));
    }

    void lowStockMessage()
    {
        QCOMPARE(LowStockText(QStringLiteral("啤酒")), QStringLiteral("啤酒数量已不多,请及时采购!"));
    }

    void badAmountsRefused()
    {
        QCOMPARE(ServiceCountsRefusal(0, 0, 0), QString());
        QCOMPARE(ServiceCountsRefusal(-1, 0, 0), QStringLiteral("按摩钟数不能小于0,请重新输入!"));
        QCOMPARE(ServiceCountsRefusal(0, -1, 0), QStringLiteral("洗脚钟数不能小于0,请重新输入!"));
        QCOMPARE(ServiceCountsRefusal(0, 0, -1), QStringLiteral("修脚次数不能小于0,请重新输入!"));

        QCOMPARE(GoodsQuantityRefusal(1), QString());
        QCOMPARE(GoodsQuantityRefusal(0), QStringLiteral("商品数量至少为1,请重新输入!"));
        QCOMPARE(GoodsQuantityRefusal(-2), QStringLiteral("商品数量至少为1,请重新输入!"));
    }

    void goodsLines_data()
    {
        QTest::addColumn<int>("quantity");
        QTest::addColumn<QString>("unitPrice");
        QTest::addColumn<QString>("refusal");

        const QString notInStock = QStringLiteral("可乐不在商品库中,没有单价,请重新选择商品!");
        QTest::newRow("sound") << 2 << QStringLiteral("5.5") << QString();
        QTest::newRow("free article") << 1 << QStringLiteral("0") << QString();
        QTest::newRow("price with its unit") << 1 << QStringLiteral("5元") << QString();
        QTest::newRow("decimal point first") << 1 << QStringLiteral(".5") << QString();
        QTest::newRow("name not in stock: no price") << 1 << QString() << notInStock;
        QTest::newRow("price not a number") << 1 << QStringLiteral("元") << notInStock;
        QTest::newRow("quantity first") << 0 << QString() << QStringLiteral("商品数量至少为1,请重新输入!");
    }

    void goodsLines()
    {
        QFETCH(int, quantity);
        QFETCH(QString, unitPrice);
        QFETCH(QString, refusal);
        QCOMPARE(GoodsLineRefusal(Goods(QStringLiteral("可乐"), quantity, unitPrice)), refusal);
    }

    void openBillRefusedAtItsFirstFault()
    {
        OpenBill open = Counts(1, 1, 0);
        open.goods = { Goods(QStringLiteral("茶"), 1, QStringLiteral("8")),
            Goods(QStringLiteral("烟"), 0, QStringLiteral("12")) };
        QCOMPARE(OpenBillRefusal(open), QStringLiteral("商品数量至少为1,请重新输入!"));
        open.pedicureCount = -1;
        QCOMPARE(OpenBillRefusal(open), QStringLiteral("修脚次数不能小于0,请重新输入!"));
        open.pedicureCount = 0;
        open.goods.removeLast();
        QCOMPARE(OpenBillRefusal(open), QString());
    }

    void settingsRoundTrip_data() { AddSettingPlaceRows(); }

    void settingsRoundTrip()
    {
        QFETCH(int, kept);
        TestEnvironment env { TestEnvironment::Settings(kept) };
        SettingPlace& place = env.settings;
        ScriptedMessageService messages;
        ServiceSettings settings = ServiceSettings::delivered();
        settings.massagePrice = Decimal::whole(38);
        settings.memberDiscount = Dec(0.8);
        QVERIFY(settings.write(place, messages));

        const QByteArray bytes = SettingBytes(place, ServiceSettings::FileName.toString());
        QCOMPARE(bytes.size(), 40);
        QCOMPARE(DoubleAt(bytes, 0), 38.0);
        QCOMPARE(DoubleAt(bytes, 4), 0.8);

        const std::optional<ServiceSettings> read = ServiceSettings::read(place, messages);
        QVERIFY(read);
        QVERIFY(read->complete);
        QCOMPARE(read->massagePrice.amountText(), QStringLiteral("38.00"));
        QCOMPARE(read->memberDiscount.amountText(), QStringLiteral("0.80"));
        QCOMPARE(SettlementRefusal(*read), QString());
        QVERIFY(messages.shown().isEmpty());
    }

    void shortOrMissingFileRefusesSettlement()
    {
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("sys.nnf"));
        SettingFolder place(folder.path());
        ScriptedMessageService messages;

        // Missing: the message, then prices that settle nothing.
        const ServiceSettings missing = ServiceSettings::readForCheckout(place, messages);
        QCOMPARE(messages.texts(), QStringList { QStringLiteral("打开一个二进制文件失败!") });
        QVERIFY(!missing.complete);
        QCOMPARE(missing.massagePrice, Decimal());
        QVERIFY(!SettlementRefusal(missing).isEmpty());

        // 39 bytes: the first four values are there, the member discount is not.
        messages.clear();
        ServiceSettings full { Decimal::whole(40), Decimal::whole(30), Decimal::whole(20), Decimal::whole(5),
            Dec(0.9) };
        QVERIFY(full.write(place, messages));
        QFile shortened(file);
        QVERIFY(shortened.resize(39));
        const ServiceSettings cut = ServiceSettings::readForCheckout(place, messages);
        QVERIFY(messages.shown().isEmpty());
        QVERIFY(!cut.complete);
        QCOMPARE(cut.massagePrice, Decimal::whole(40));
        QCOMPARE(cut.memberDiscount, Decimal());
        QCOMPARE(SettlementRefusal(cut), QStringLiteral("服务价格没有设置,不能打单!请先在价格设置中设置服务价格!"));

        // Setting the prices again lets checkout settle.
        QVERIFY(full.write(place, messages));
        QVERIFY(ServiceSettings::readForCheckout(place, messages).complete);
    }

    // A bill made to hit half fen: each line is rounded once, half away from zero, and the
    // subtotal and total are the sums of the printed lines.
    void halfFenLinesAddUpToTheTotal()
    {
        OpenBill open = Counts(1, 0, 0);
        open.goods = { Goods(u"茶"_s, 1, u"1.125"_s), Goods(u"水"_s, 1, u"1.125"_s), Goods(u"烟"_s, 3, u"2.675"_s) };
        ServiceSettings prices = Prices(45.5, 30, 20);
        const Bill bill = Bill::price(&open, prices, Dec(0.85));
        QCOMPARE(bill.massage->amount, u"38.68"_s); // the double arithmetic printed 38.67
        QCOMPARE(bill.goods[0].amount, u"1.13"_s);
        QCOMPARE(bill.goods[1].amount, u"1.13"_s);
        QCOMPARE(bill.goods[2].amount, u"8.03"_s); // 8.02 before
        QCOMPARE(bill.goodsSubtotal, u"10.29"_s);
        QCOMPARE(bill.total, u"48.97"_s);
        Money printed = Money::fromText(bill.massage->amount);
        for (const PricedGoodsLine& line : bill.goods)
            printed += Money::fromText(line.amount);
        QCOMPARE(printed.text(), bill.total);
        // A discount typed with three places is used as typed.
        QCOMPARE(Bill::price(&open, prices, Dec(0.855)).massage->amount, u"38.90"_s); // 38.9025
        QCOMPARE(Bill::price(&open, prices, Dec(0.855)).discount, u"0.855"_s);
    }

    // sys.nnf holding values no one could have typed is damaged: nothing is priced from it.
    void damagedPriceFileIsRefused_data()
    {
        QTest::addColumn<int>("index");
        QTest::addColumn<double>("value");
        QTest::newRow("NaN price") << 0 << std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("infinite price") << 1 << std::numeric_limits<double>::infinity();
        QTest::newRow("minus infinite price") << 2 << -std::numeric_limits<double>::infinity();
        QTest::newRow("1e308") << 0 << 1e308;
        QTest::newRow("negative") << 0 << -5.0;
        QTest::newRow("beyond the limit") << 2 << 100000.01;
        QTest::newRow("discount 0") << 4 << 0.0;
        QTest::newRow("discount above 1") << 4 << 1.5;
        QTest::newRow("NaN discount") << 4 << std::numeric_limits<double>::quiet_NaN();
        QTest::newRow("free clocks 1e308") << 3 << 1e308;
    }

    void damagedPriceFileIsRefused()
    {
        QFETCH(int, index);
        QFETCH(double, value);
        QTemporaryDir folder;
        const QString file = folder.filePath(u"sys.nnf"_s);
        SettingFolder place(folder.path());
        ScriptedMessageService messages;
        QVERIFY(ServiceSettings::delivered().write(place, messages));
        QFile bytes(file);
        QVERIFY(bytes.open(QIODevice::ReadWrite));
        quint64 raw = 0;
        std::memcpy(&raw, &value, sizeof raw);
        char little[8];
        qToLittleEndian<quint64>(raw, little);
        QVERIFY(bytes.seek(index * 8));
        QCOMPARE(bytes.write(little, 8), 8);
        bytes.close();

        QVERIFY(!ServiceSettings::read(place, messages));
        QCOMPARE(messages.texts(), QStringList { u"打开一个二进制文件失败!"_s });
        const ServiceSettings forCheckout = ServiceSettings::readForCheckout(place, messages);
        QCOMPARE(SettlementRefusal(forCheckout), u"服务价格没有设置,不能打单!请先在价格设置中设置服务价格!"_s);
    }

    void randomBytesInThePriceFileAreRefusedOrSane()
    {
        QTemporaryDir folder;
        const QString file = folder.filePath(u"sys.nnf"_s);
        SettingFolder place(folder.path());
        QRandomGenerator random(19);
        for (int round = 0; round < 200; ++round) {
            QByteArray bytes(40, '\0');
            for (char& byte : bytes)
                byte = char(random.bounded(256));
            QFile out(file);
            QVERIFY(out.open(QIODevice::WriteOnly));
            out.write(bytes);
            out.close();
            ScriptedMessageService messages;
            const std::optional<ServiceSettings> read = ServiceSettings::read(place, messages);
            if (!read)
                continue;
            // Whatever is read is a price a person could have typed.
            QVERIFY(ServiceSettingsRefusal(*read).isEmpty());
            const OpenBill open = Counts(3, 2, 1);
            const Bill bill = Bill::price(&open, *read, read->memberDiscount);
            QVERIFY(!Money::fromText(bill.total).isNegative());
            QVERIFY(Money::fromText(bill.total) <= Money::fromYuan(6 * MaxUnitPriceYuan));
        }
    }

    void settingsRefused_data()
    {
        QTest::addColumn<double>("massage");
        QTest::addColumn<double>("memberDiscount");
        QTest::addColumn<QString>("refusal");

        const QString range = QStringLiteral("会员打折请输入范围在0-1之间的小数!");
        QTest::newRow("sound") << 38.0 << 0.8 << QString();
        QTest::newRow("free massage") << 0.0 << 1.0 << QString();
        QTest::newRow("negative price") << -1.0 << 0.8 << QStringLiteral("按摩价格不能小于0,请重新输入!");
        QTest::newRow("discount 0") << 38.0 << 0.0 << range;
        QTest::newRow("discount above 1") << 38.0 << 1.01 << range;
        QTest::newRow("discount negative") << 38.0 << -0.5 << range;
    }

    void settingsRefused()
    {
        QFETCH(double, massage);
        QFETCH(double, memberDiscount);
        QFETCH(QString, refusal);
        ServiceSettings settings = ServiceSettings::delivered();
        settings.massagePrice = Dec(massage);
        settings.memberDiscount = Dec(memberDiscount);
        QCOMPARE(ServiceSettingsRefusal(settings), refusal);
    }

    void everyPriceRefusedBelowZero()
    {
        ServiceSettings footWash = ServiceSettings::delivered();
        footWash.footWashPrice = Dec(-0.01);
        QCOMPARE(ServiceSettingsRefusal(footWash), QStringLiteral("洗脚价格不能小于0,请重新输入!"));
        ServiceSettings pedicure = ServiceSettings::delivered();
        pedicure.pedicurePrice = Decimal::whole(-5);
        QCOMPARE(ServiceSettingsRefusal(pedicure), QStringLiteral("修脚价格不能小于0,请重新输入!"));
    }

    void heading()
    {
        const OpenBill open = Counts(2, 0, 0);
        const BillLayout layout = Layout(&open);
        const PageText* company = layout.drawing().findText(QStringLiteral("Tavrel 桑拿足浴中心"));
        QVERIFY(company);
        QCOMPARE(company->topLeft, QPointF(116, 8));
        QCOMPARE(company->font.pixelSize(), 15);
        QCOMPARE(company->font.family(), QStringLiteral("宋体"));

        QCOMPARE(layout.drawing().textsAt(35),
            (QStringList { QStringLiteral("下单时间:"), QStringLiteral("2026-12-07 10:30:00"),
                QStringLiteral("收银员:"), QStringLiteral("NO:001") }));
        QCOMPARE(layout.drawing().findText(QStringLiteral("NO:001"))->topLeft, QPointF(326, 35));
        QCOMPARE(layout.drawing().findText(QStringLiteral("NO:001"))->font.pixelSize(), 12);
        QCOMPARE(layout.drawing().textsAt(56),
            (QStringList { QStringLiteral("服务项目"), QStringLiteral("数量"), QStringLiteral("单价"),
                QStringLiteral("折扣"), QStringLiteral("金额") }));
        QCOMPARE(Rules(layout).first(), 50);
    }

    void receiptNumberKeepsItsZeros()
    {
        BillHeading heading = Heading();
        heading.receiptNumber = 1234;
        const BillLayout layout(heading, Bill::price(nullptr, Prices(40, 30, 20), Dec(1.0)));
        QVERIFY(layout.drawing().findText(QStringLiteral("NO:001234")));
    }

    void massageAndPedicureOnly()
    {
        const OpenBill open = Counts(2, 0, 1);
        const BillLayout layout = Layout(&open, 0.8);
        QCOMPARE(layout.drawing().textsAt(77),
            (QStringList { QStringLiteral("按摩(钟)"), QStringLiteral("2"), QStringLiteral("40.00"),
                QStringLiteral("0.80"), QStringLiteral("64.00") }));
        QCOMPARE(layout.drawing().textsAt(97),
            (QStringList {
                QStringLiteral("修脚(人次)"), QStringLiteral("1"), QStringLiteral("20.00"), QStringLiteral("20.00") }));
        QCOMPARE(Rules(layout), (QList<int> { 50, 117, 142 }));
        QCOMPARE(YOf(layout, QStringLiteral("商品名称")), 122);
        QCOMPARE(layout.totalsLineY(), 142);
        QCOMPARE(layout.drawing().textsAt(147),
            (QStringList { QStringLiteral("合计:"), QStringLiteral("84.00"), QStringLiteral("收款:") }));
    }

    void roomWithoutBill()
    {
        const BillLayout layout = Layout(nullptr);
        QCOMPARE(Rules(layout), (QList<int> { 50, 77 }));
        QVERIFY(!layout.drawing().findText(QStringLiteral("商品名称")));
        QCOMPARE(YOf(layout, QStringLiteral("合计:")), 82);
        QCOMPARE(layout.drawing().findText(QStringLiteral("0.00"))->topLeft, QPointF(55, 82));
        QCOMPARE(YOf(layout, QStringLiteral("实收:")), 102);
        QCOMPARE(YOf(layout, Footer), 122);
        QCOMPARE(layout.totalsLineY(), 77);
    }

    void noServicesAndNoGoods()
    {
        const OpenBill open = Counts(0, 0, 0);
        const BillLayout layout = Layout(&open);
        QCOMPARE(Rules(layout), (QList<int> { 50, 77, 102 }));
        QCOMPARE(layout.drawing().textsAt(82),
            (QStringList { QStringLiteral("商品名称"), QStringLiteral("数量"), QStringLiteral("单价"),
                QStringLiteral("单位"), QStringLiteral("金额") }));
        QCOMPARE(YOf(layout, QStringLiteral("合计:")), 107);
    }

    void oneServiceAndTwoGoodsLines()
    {
        OpenBill open = Counts(0, 1, 0);
        open.goods = { Goods(QStringLiteral("啤酒"), 3, QStringLiteral("5.5")),
            Goods(QStringLiteral("香烟"), 1, QStringLiteral("15")) };
        const BillLayout layout = Layout(&open);
        QCOMPARE(layout.drawing().textsAt(77).first(), QStringLiteral("洗脚(钟)"));
        QCOMPARE(Rules(layout), (QList<int> { 50, 97, 162 }));
        QCOMPARE(YOf(layout, QStringLiteral("商品名称")), 102);
        QCOMPARE(layout.drawing().textsAt(122),
            (QStringList { QStringLiteral("啤酒"), QStringLiteral("3"), QStringLiteral("5.5"), QStringLiteral("瓶"),
                QStringLiteral("16.50") }));
        QCOMPARE(layout.drawing().textsAt(142).first(), QStringLiteral("香烟"));
        QCOMPARE(layout.totalsLineY(), 162);
        QCOMPARE(layout.drawing().textsAt(167),
            (QStringList { QStringLiteral("合计:"), QStringLiteral("61.50"), QStringLiteral("收款:") }));
        QCOMPARE(layout.drawing().textsAt(187), (QStringList { QStringLiteral("实收:"), QStringLiteral("找回:") }));
        QCOMPARE(YOf(layout, Footer), 207);
    }

    void technicianSideAndDoubleRule()
    {
        const OpenBill open = Counts(1, 0, 0);
        const BillLayout layout = Layout(&open);
        const int bottom = layout.totalsLineY() + 55;
        QCOMPARE(layout.bottom(), bottom);
        QVERIFY(layout.drawing().lines().contains(QLineF(420, 20, 420, bottom)));
        QVERIFY(layout.drawing().lines().contains(QLineF(421, 20, 421, bottom)));
        QCOMPARE(layout.drawing().findText(QStringLiteral("按摩时间:"))->topLeft, QPointF(650, 20));
        QCOMPARE(layout.drawing().findText(QStringLiteral("洗脚时间:"))->topLeft, QPointF(650, 58));
    }

    void overlongGoodsListStillDrawsEveryBilledLine()
    {
        OpenBill open = Counts(0, 0, 0);
        for (int i = 0; i < 80; ++i)
            open.goods.append(Goods(QStringLiteral("进口矿泉水%1号").arg(i), 1, QStringLiteral("3")));
        const BillLayout layout = Layout(&open);
        QVERIFY(layout.goodsTextTooLong());
        QCOMPARE(BillLayout::goodsTextTooLongMessage(), QStringLiteral("数据过大,请检查列表的内容!"));
        QCOMPARE(YOf(layout, QStringLiteral("进口矿泉水79号")), 102 + 79 * 20);
        QCOMPARE(layout.totalsLineY(), 102 + 80 * 20);
        QCOMPARE(YOf(layout, QStringLiteral("240.00")), layout.totalsLineY() + 5);

        open.goods.resize(10);
        QVERIFY(!Layout(&open).goodsTextTooLong());
    }

    void onTheScreenOneUnitIsOnePixel()
    {
        const OpenBill open = Counts(2, 0, 1);
        const BillLayout layout = Layout(&open);
        QImage screen(BillLayout::Width, layout.bottom() + 10, QImage::Format_Grayscale8);
        screen.fill(Qt::white);
        QPainter painter(&screen);
        layout.paint(painter);
        painter.end();
        screen.save(TestOutputPath(QStringLiteral("bill-screen.png")));

        // The rule under the heading covers pixels 20 to 399 of row 50, and only that row.
        QCOMPARE(qGray(screen.pixel(20, 50)), 0);
        QCOMPARE(qGray(screen.pixel(399, 50)), 0);
        QCOMPARE(qGray(screen.pixel(400, 50)), 255);
        QCOMPARE(qGray(screen.pixel(200, 49)), 255);
        QCOMPARE(qGray(screen.pixel(200, 51)), 255);
        // The double rule beside the bill: columns 420 and 421, down to the footer's bottom.
        QCOMPARE(qGray(screen.pixel(420, 100)), 0);
        QCOMPARE(qGray(screen.pixel(421, 100)), 0);
        QCOMPARE(qGray(screen.pixel(422, 100)), 255);
        QCOMPARE(qGray(screen.pixel(420, layout.bottom() - 1)), 0);
        QCOMPARE(qGray(screen.pixel(420, layout.bottom() + 1)), 255);
        // Texts stay clear of the rules: nothing drawn on the row just above the totals line.
        for (int x = 0; x < 420; ++x)
            QVERIFY2(qGray(screen.pixel(x, layout.totalsLineY() - 1)) > 128, qPrintable(QString::number(x)));
    }

    void logicalInchesOnAnyResolution_data()
    {
        QTest::addColumn<int>("dpi");
        QTest::newRow("300") << 300;
        QTest::newRow("600") << 600;
        QTest::newRow("96") << 96;
    }

    void logicalInchesOnAnyResolution()
    {
        QFETCH(int, dpi);
        QImage page(2 * dpi, 2 * dpi, QImage::Format_RGB32);
        page.setDotsPerMeterX(qRound(dpi / 0.0254));
        page.setDotsPerMeterY(qRound(dpi / 0.0254));
        QPainter painter(&page);
        PageDrawing::useLogicalInches(painter);
        QCOMPARE(painter.combinedTransform().map(QPointF(96, 48)), QPointF(dpi, dpi / 2.0));
    }

    void sameReceiptOnA300AndA600DotPrinter()
    {
        OpenBill open = Counts(2, 1, 1);
        open.goods = { Goods(QStringLiteral("啤酒"), 3, QStringLiteral("5.5")) };
        const BillLayout layout = Layout(&open, 0.8);

        const QString low = TestOutputPath(QStringLiteral("receipt-300dpi.pdf"));
        const QString high = TestOutputPath(QStringLiteral("receipt-600dpi.pdf"));
        QVERIFY(ReceiptPrinter::print(*PdfPrinterAt(low, 300), layout));
        QVERIFY(ReceiptPrinter::print(*PdfPrinterAt(high, 600), layout));

        const QImage lowImage = RasterisePdf(low, 96, TestOutputPath(QStringLiteral("receipt-300dpi.png")));
        const QImage highImage = RasterisePdf(high, 96, TestOutputPath(QStringLiteral("receipt-600dpi.png")));
        QVERIFY(!lowImage.isNull() && !highImage.isNull());
        QCOMPARE(lowImage.size(), highImage.size());
        const QRect ink = InkBounds(lowImage);
        QVERIFY(qAbs(ink.left() - InkBounds(highImage).left()) <= 1);
        QVERIFY(qAbs(ink.right() - InkBounds(highImage).right()) <= 1);
        QVERIFY(qAbs(ink.bottom() - InkBounds(highImage).bottom()) <= 1);
        QVERIFY2(DifferentShare(lowImage, highImage) < 0.002, "the two receipts differ");

        // At 96 dots per inch one logical unit is one dot: the bill starts 20 units into the
        // printable area and its company name 8 units down, as on the screen.
        const QRect printable = PdfPrinterAt(low, 300)->pageLayout().paintRectPixels(96);
        QVERIFY2(qAbs(ink.left() - (printable.left() + 20)) <= 1, qPrintable(QString::number(ink.left())));
        QVERIFY2(qAbs(ink.top() - (printable.top() + 8)) <= 4, qPrintable(QString::number(ink.top())));
        QVERIFY(ink.bottom() <= printable.top() + layout.bottom() + 3); // the footer's descenders
        QVERIFY(ink.bottom() > printable.top() + layout.totalsLineY() + 45);
    }

    void unwritablePrinterReportsFailure()
    {
        const OpenBill open = Counts(1, 0, 0);
        const BillLayout layout = Layout(&open);
        auto printer = PdfPrinterAt(QStringLiteral("/nonexistent-folder/receipt.pdf"), 300);
        QVERIFY(!ReceiptPrinter::print(*printer, layout));
    }
};

QTEST_MAIN(ServiceTest)
#include "tst_service.moc"
