#include "app/PagedTableModel.h"
#include "app/Schema.h"
#include "app/TakingsLedger.h"
#include "app/TextFormat.h"
#include "desk/DeskSession.h"
#include "reports/DateRangeDialog.h"
#include "reports/PdfRaster.h"
#include "reports/QueryCondition.h"
#include "reports/QueryTotals.h"
#include "reports/QueryTotalsArea.h"
#include "reports/QueryWindow.h"
#include "reports/ReceiptPayments.h"
#include "reports/RecordKind.h"
#include "reports/SingleValueQueryDialog.h"
#include "shell/DeskApplication.h"
#include "shift/HandOverDialog.h"
#include "shift/HandOverHistoryWindow.h"
#include "shift/HandOverListing.h"
#include "shift/HandOverStore.h"
#include "shift/ShiftHandOver.h"
#include "support/DeskFixture.h"
#include "support/TestEnvironment.h"
#include "support/WidgetDriver.h"

#include <QAction>
#include <QDateEdit>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTableView>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

const QDateTime Morning(QDate(2026, 12, 7), QTime(9, 0));

// One settled bill as checkout stores it: its receipt, one technician row and one goods row.
struct Bill
{
    qint64 id = 1;
    QDateTime time = Morning;
    QString total = u"100.00"_s;
    QString massage = u"1"_s;
    QString footWash = u""_s;
    QString pedicure = u""_s;
    QString goods = u"啤酒"_s;
    QString quantity = u"2"_s;
    QString commission = u"10.00"_s;
    QString method = u""_s; // how the guest paid; empty as before methods were recorded
};

void Settle(TestEnvironment& env, const Bill& bill)
{
    const QString time = DateTimeText(bill.time);
    env.sql(u"INSERT INTO Receiptform (id, housnum, bytime, massagetime, washfoottime, trimfoot, spjine, dazhe, "
            "dazheperson, alljine, paytype, cashier, time, paymethod) VALUES (?, '101', ?, ?, ?, ?, '16.50', '1.00', "
            "'0', ?, '普通', 'c1', ?, ?)"_s,
        { bill.id, QString(DateTimeText(bill.time.addSecs(-3600)) + u"—"_s + time), bill.massage, bill.footWash,
            bill.pedicure, bill.total, time, bill.method });
    env.sql(u"INSERT INTO salaryform (id, num, name, massagetime, washfoottime, salary, time, cashier) "
            "VALUES (?, '07', '小王', ?, ?, ?, ?, 'c1')"_s,
        { bill.id, bill.massage, bill.footWash, bill.commission, time });
    env.sql(u"INSERT INTO spsalay (id, name, danwe, danjia, counter, jine, time, cashier) "
            "VALUES (?, ?, '瓶', '8.25', ?, '16.50', ?, 'c1')"_s,
        { bill.id, bill.goods, bill.quantity, time });
}

// `count` bills, one a minute from 09:00, numbered from `first`; the total of bill n is n.25.
void SettleMany(TestEnvironment& env, int count, int first = 1)
{
    env.sql(u"BEGIN"_s);
    for (int i = 0; i < count; ++i) {
        Bill bill;
        bill.id = first + i;
        bill.time = Morning.addSecs(60 * (first + i));
        bill.total = u"%1.25"_s.arg(first + i);
        Settle(env, bill);
    }
    env.sql(u"COMMIT"_s);
}

// A query window on screen, its totals read.
struct Shown
{
    Shown(TestEnvironment& env, RecordKind kind, QueryWindow::Mode mode = QueryWindow::Mode::Normal)
        : shift(env.services)
        , window(kind, mode, env.services, nullptr, &shift)
    {
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        settle();
    }
    void settle() { QTRY_VERIFY(window.totals().has_value()); }
    void choose(const char* action)
    {
        Child<QAction>(&window, QString::fromLatin1(action))->trigger();
        settle();
    }
    PagedTableModel& rows() const { return window.rows(); }
    QStringList column(int column) const
    {
        QStringList cells;
        for (int row = 0; row < rows().rowCount(); ++row)
            cells << rows().text(row, column);
        return cells;
    }
    QStringList totals() const
    {
        QStringList texts;
        for (const QueryTotalsArea::Text& text : window.totalsArea().texts())
            texts << text.text;
        return texts;
    }

    HandOverListing shift;
    QueryWindow window;
};

// Answers the next "查询" with `text` (or cancels it when null).
void AnswerQuery(const QString& text)
{
    WhenDialogOpens<SingleValueQueryDialog>([text](SingleValueQueryDialog* dialog) {
        if (text.isNull()) {
            dialog->reject();
            return;
        }
        TypeInto(dialog->valueEdit(), text);
        Click(dialog, u"okButton"_s);
    });
}

// Answers the next "时间段搜索" with the two days.
void AnswerPeriod(const QDate& start, const QDate& end)
{
    WhenDialogOpens<DateRangeDialog>([start, end](DateRangeDialog* dialog) {
        dialog->startEdit()->setDate(start);
        dialog->endEdit()->setDate(end);
        Click(dialog, u"okButton"_s);
    });
}

QStringList PdfFiles(const TestEnvironment& env)
{
    return QDir(env.folder()).entryList({ u"print*.pdf"_s }, QDir::Files, QDir::Name);
}

// Answers the next "交班对账" with the counted cash, then hands over.
void HandOverWhenAsked(const QString& counted, const QString& reason = {})
{
    WhenDialogOpens<HandOverDialog>([counted, reason](HandOverDialog* dialog) {
        TypeInto(Child<QLineEdit>(dialog, u"countedEdit"_s), counted);
        Click(dialog, u"confirmCountButton"_s);
        TypeInto(Child<QLineEdit>(dialog, u"reasonEdit"_s), reason);
        Click(dialog, u"handOverButton"_s);
    });
}

// The shift, cashier and receipts a hand-over covers, without its takings.
struct HandOverCover
{
    QDateTime shiftStart;
    QDateTime closedAt;
    QString cashier;
    qint64 lastReceipt = 0;
    int receiptCount = 0;
    QString total;

    friend bool operator==(const HandOverCover&, const HandOverCover&) = default;
};

HandOverCover CoverOf(const HandOver& handOver)
{
    return { handOver.shiftStart, handOver.closedAt, handOver.cashier, handOver.lastReceipt, handOver.receiptCount,
        handOver.total };
}

const CashCount NothingInCash { u"0"_s, {} };

std::optional<HandOver> StoredHandOver(Database& database)
{
    const Outcome<std::optional<HandOver>> last = HandOverStore(database).last();
    return last ? last.value() : std::nullopt;
}

} // namespace

// The business queries: conditions and totals, the query window and its menu, printing, and the
// hand-over of a shift.
class QueriesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setApplicationDisplayName(u"Tavrel"_s); }

    // --- conditions and totals ----------------------------------------------------------------

    // The totals read every text by its leading number, as the desk reads one: massage clocks
    // "", "2" and "3abc" make 5; amounts "10.50", "abc" and "2e1" make 30.50.
    void totalsReadLeadingNumbers()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        const QStringList massage { u""_s, u"2"_s, u"3abc"_s };
        const QStringList totals { u"10.50"_s, u"abc"_s, u"2e1"_s };
        for (int i = 0; i < 3; ++i) {
            Bill bill;
            bill.id = i + 1;
            bill.massage = massage[i];
            bill.footWash = u" 4"_s;
            bill.pedicure = i == 0 ? u"1"_s : u"x"_s;
            bill.total = totals[i];
            bill.quantity = massage[i];
            bill.commission = totals[i];
            Settle(env, bill);
        }
        const auto read = [&env](RecordKind kind) {
            const Outcome<QueryTotals> totals = ReadQueryTotals(env.database, kind, QueryCondition::all());
            return totals ? totals.value() : QueryTotals { -1, Money(), {} };
        };
        QCOMPARE(read(RecordKind::Receipts), (QueryTotals { 3, Money::fromFen(3050), { 5, 12, 1 } }));
        QCOMPARE(read(RecordKind::TechnicianServices), (QueryTotals { 3, Money::fromFen(3050), { 5, 12, 0 } }));
        QCOMPARE(read(RecordKind::GoodsSales), (QueryTotals { 3, Money::fromFen(4950), { 5, 0, 0 } }));
    }

    // A period counts the rows stamped exactly on either bound, and none a second outside.
    void aPeriodCountsBothBounds()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        const QDateTime start(QDate(2026, 11, 1), QTime(8, 30));
        const QDateTime end(QDate(2026, 11, 30), QTime(8, 30));
        const QList<QDateTime> stamps { start.addSecs(-1), start, end, end.addSecs(1) };
        for (int i = 0; i < stamps.size(); ++i)
            Settle(env, { .id = i + 1, .time = stamps[i] });
        Shown query(env, RecordKind::Receipts);
        query.window.fill(QueryCondition::period(start, end));
        query.settle();
        QCOMPARE(query.column(0), (QStringList { u"3"_s, u"2"_s }));
        QCOMPARE(query.window.totals()->count, 2);
    }

    // --- the window -------------------------------------------------------------------------------

    void eachKindShowsItsColumns_data()
    {
        QTest::addColumn<RecordKind>("kind");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("columns");
        QTest::addColumn<QList<int>>("widths");
        QTest::addColumn<QStringList>("firstRow");
        QTest::addColumn<QStringList>("totals");

        QTest::newRow("receipts") << RecordKind::Receipts << u"经营单据"_s
                                  << QStringList { u"单据编号"_s, u"总额"_s, u"房间号"_s, u"时间段"_s, u"按摩(钟)"_s,
                                         u"洗脚(钟)"_s, u"修脚(次)"_s, u"商品销售额"_s, u"打折"_s, u"打折人签名"_s,
                                         u"付款方式"_s, u"下单时间"_s, u"收银员"_s, u"收款方式"_s }
                                  << QList<int> { 68, 68, 60, 120, 68, 68, 68, 68, 68, 68, 68, 180, 68, 68 }
                                  << QStringList { u"3"_s, u"3.25"_s, u"101"_s,
                                         u"2026-12-07 08:03:00—2026-12-07 09:03:00"_s, u"1"_s, u""_s, u""_s, u"16.50"_s,
                                         u"1.00"_s, u"0"_s, u"普通"_s, u"2026-12-07 09:03:00"_s, u"c1"_s, u""_s }
                                  << QStringList { u"记录总数: 3"_s, u"总金额: 6.75元"_s, u"按    摩: 3钟"_s,
                                         u"洗  脚: 0钟"_s, u"修脚: 0次"_s };
        QTest::newRow("technician services")
            << RecordKind::TechnicianServices << u"技师服务"_s
            << QStringList { u"单据编号"_s, u"总额"_s, u"姓名"_s, u"技师编号"_s, u"按摩(钟)"_s, u"洗脚(钟)"_s,
                   u"下单时间"_s, u"收银员"_s }
            << QList<int> { 68, 68, 60, 120, 68, 68, 180, 68 }
            << QStringList { u"3"_s, u"10.00"_s, u"小王"_s, u"07"_s, u"1"_s, u""_s, u"2026-12-07 09:03:00"_s, u"c1"_s }
            << QStringList { u"记录总数: 3"_s, u"总金额: 30.00元"_s, u"按    摩: 3钟"_s, u"洗  脚: 0钟"_s };
        QTest::newRow("goods sales") << RecordKind::GoodsSales << u"商品销售情况查询"_s
                                     << QStringList { u"单据编号"_s, u"总额"_s, u"名称"_s, u"单价"_s, u"数量"_s,
                                            u"单位"_s, u"下单时间"_s, u"收银员"_s }
                                     << QList<int> { 68, 68, 60, 120, 68, 68, 180, 68 }
                                     << QStringList { u"3"_s, u"16.50"_s, u"啤酒"_s, u"8.25"_s, u"2"_s, u"瓶"_s,
                                            u"2026-12-07 09:03:00"_s, u"c1"_s }
                                     << QStringList { u"记录总数: 3"_s, u"总金额: 49.50元"_s, u"数    量: 6"_s };
    }

    // Each kind opens on all its rows, newest on top, with its columns and its totals.
    void eachKindShowsItsColumns()
    {
        QFETCH(RecordKind, kind);
        QFETCH(QString, caption);
        QFETCH(QStringList, columns);
        QFETCH(QList<int>, widths);
        QFETCH(QStringList, firstRow);
        QFETCH(QStringList, totals);

        TestEnvironment env;
        QVERIFY(env.isReady());
        SettleMany(env, 3);
        Shown query(env, kind);
        QCOMPARE(query.window.windowTitle(), caption);
        QStringList headers;
        QList<int> shownWidths;
        for (int column = 0; column < query.rows().columnCount(); ++column) {
            headers << query.rows().headerData(column, Qt::Horizontal).toString();
            shownWidths << query.window.list().columnWidth(column);
        }
        QCOMPARE(headers, columns);
        QCOMPARE(shownWidths, widths);
        QStringList first;
        for (int column = 0; column < columns.size(); ++column)
            first << query.rows().text(0, column);
        QCOMPARE(first, firstRow);
        QCOMPARE(query.column(0), (QStringList { u"3"_s, u"2"_s, u"1"_s }));
        QCOMPARE(query.totals(), totals);
    }

    // The menu holds its six items in order; "今天经营记录查询" lists today up to now only.
    void todayJustAfterMidnightListsNothingOfTheEvening()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        const QDateTime midnight(QDate(2026, 12, 8), QTime(0, 0));
        Settle(env, { .id = 1, .time = midnight.addSecs(-1) });
        Settle(env, { .id = 2, .time = midnight });
        Settle(env, { .id = 3, .time = midnight.addSecs(20) });
        Settle(env, { .id = 4, .time = midnight.addSecs(40) }); // later than now: not yet
        env.clock.set(midnight.addSecs(30));
        Shown query(env, RecordKind::Receipts);
        QStringList items;
        for (const QAction* action : Child<QMenu>(&query.window, u"queryMenu"_s)->actions())
            items << action->text();
        QCOMPARE(items,
            (QStringList { u"今天经营记录查询(&J) Ctrl+J"_s, u"时间段经营记录查询(&S)...."_s, u"显示所有记录(&A)"_s,
                u"按单据编号查询(&B)"_s, u"按技师编号查询"_s, u"按商品名称查询"_s }));

        query.choose("actionToday");
        QCOMPARE(query.column(0), (QStringList { u"3"_s, u"2"_s }));
        QCOMPARE(query.totals().first(), u"记录总数: 2"_s);
        query.choose("actionAll");
        QCOMPARE(query.rows().rowCount(), 4);
    }

    void periodsOfDays_data()
    {
        QTest::addColumn<QDate>("start");
        QTest::addColumn<QDate>("end");
        QTest::addColumn<QStringList>("listed");
        // The dialog opens at 09:00:30; the dates mean whole days all the same, from 00:00:00 of
        // the start day to 23:59:59 of the end day.
        QTest::newRow("two days") << QDate(2026, 12, 5) << QDate(2026, 12, 7)
                                  << QStringList { u"4"_s, u"3"_s, u"2"_s, u"1"_s };
        QTest::newRow("same day") << QDate(2026, 12, 6) << QDate(2026, 12, 6) << QStringList { u"2"_s };
        QTest::newRow("end day to its last second")
            << QDate(2026, 12, 7) << QDate(2026, 12, 7) << QStringList { u"4"_s, u"3"_s };
        QTest::newRow("start after end lists nothing") << QDate(2026, 12, 7) << QDate(2026, 12, 5) << QStringList {};
    }

    void periodsOfDays()
    {
        QFETCH(QDate, start);
        QFETCH(QDate, end);
        QFETCH(QStringList, listed);
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.clock.set(QDateTime(QDate(2026, 12, 7), QTime(9, 0, 30)));
        Settle(env, { .id = 1, .time = QDateTime(QDate(2026, 12, 5), QTime(9, 0)) });
        Settle(env, { .id = 2, .time = QDateTime(QDate(2026, 12, 6), QTime(12, 0)) });
        Settle(env, { .id = 3, .time = QDateTime(QDate(2026, 12, 7), QTime(9, 0)) });
        Settle(env, { .id = 4, .time = QDateTime(QDate(2026, 12, 7), QTime(23, 59, 59)) });
        Settle(env, { .id = 5, .time = QDateTime(QDate(2026, 12, 8), QTime(0, 0)) });
        Shown query(env, RecordKind::Receipts);
        AnswerPeriod(start, end);
        query.choose("actionPeriod");
        QCOMPARE(query.column(0), listed);
        QCOMPARE(query.window.totals()->count, listed.size());

        // Cancelling the dialog keeps the list.
        WhenDialogOpens<DateRangeDialog>([](DateRangeDialog* dialog) { dialog->reject(); });
        query.choose("actionPeriod");
        QCOMPARE(query.column(0), listed);
    }

    void receiptNumbers_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("listed");
        QTest::newRow("number") << u"2"_s << QStringList { u"2"_s };
        QTest::newRow("digits then text") << u"3号"_s << QStringList { u"3"_s };
        QTest::newRow("no digit asks for receipt 0") << u"abc"_s << QStringList { u"0"_s };
        QTest::newRow("apostrophe") << u"1' OR '1'='1"_s << QStringList { u"1"_s };
    }

    // A receipt number is read by its leading number; a text without one asks for receipt 0.
    void receiptNumbers()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, listed);
        TestEnvironment env;
        QVERIFY(env.isReady());
        SettleMany(env, 3);
        Settle(env, { .id = 0, .time = Morning }); // a stray receipt 0, to be sure it is the one asked for
        Shown query(env, RecordKind::TechnicianServices);
        AnswerQuery(typed);
        query.choose("actionReceiptNumber");
        QCOMPARE(query.column(0), listed);
        QCOMPARE(query.window.condition(), QueryCondition::receiptNumber(listed.first().toLongLong()));
    }

    // "按技师编号查询" and "按商品名称查询" belong to their kinds: elsewhere they open nothing,
    // change nothing and only repaint the totals.
    void kindOnlyItemsElsewhereOnlyRepaint()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        SettleMany(env, 2);
        Shown query(env, RecordKind::Receipts);
        bool asked = false;
        WhenDialogOpens<SingleValueQueryDialog>(
            [&asked](SingleValueQueryDialog* dialog) {
                asked = true;
                dialog->reject();
            },
            20);
        query.choose("actionTechnician");
        query.choose("actionGoodsName");
        QTest::qWait(300);
        QVERIFY(!asked);
        QCOMPARE(query.window.condition(), QueryCondition::all());
        QCOMPARE(query.rows().rowCount(), 2);
        QVERIFY(env.messages.shown().isEmpty());
    }

    // Typed texts are bound, so a technician number or a goods name with an apostrophe is found
    // like any other.
    void typedTextsFindTheirRows()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        SettleMany(env, 2);
        Settle(env, { .id = 3, .goods = u"O'Brien 黑啤"_s });
        env.sql(u"UPDATE salaryform SET num=? WHERE id=2"_s, { u"0'7"_s });

        Shown goods(env, RecordKind::GoodsSales);
        AnswerQuery(u"O'Brien 黑啤"_s);
        goods.choose("actionGoodsName");
        QCOMPARE(goods.column(0), QStringList { u"3"_s });
        QCOMPARE(goods.totals(), (QStringList { u"记录总数: 1"_s, u"总金额: 16.50元"_s, u"数    量: 2"_s }));

        Shown services(env, RecordKind::TechnicianServices);
        AnswerQuery(u"0'7"_s);
        services.choose("actionTechnician");
        QCOMPARE(services.column(0), QStringList { u"2"_s });
        AnswerQuery(QString()); // cancelled: the list stays
        services.choose("actionTechnician");
        QCOMPARE(services.column(0), QStringList { u"2"_s });
        QVERIFY(env.messages.shown().isEmpty());
    }

    // A stored row with empty (NULL) fields, which another tool may have written, is listed with
    // those fields empty, and the rows after it too.
    void nullFieldsDoNotEndTheList()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.sql(u"DROP TABLE Receiptform"_s);
        env.sql(u"CREATE TABLE Receiptform (id INTEGER, housnum TEXT, bytime TEXT, massagetime TEXT, "
                "washfoottime TEXT, trimfoot TEXT, spjine TEXT, dazhe TEXT, dazheperson TEXT, alljine TEXT, "
                "paytype TEXT, cashier TEXT, time TEXT NOT NULL, paymethod TEXT%1)"_s.arg(
                    TestsOnServer() ? u", rowid BIGINT GENERATED BY DEFAULT AS IDENTITY"_s : QString()));
        env.sql(
            u"INSERT INTO Receiptform (id, alljine, massagetime, time) VALUES (1, '5.00', '1', '2026-12-07 09:00:00')"_s);
        env.sql(u"INSERT INTO Receiptform (id, time) VALUES (NULL, '2026-12-07 09:01:00')"_s);
        env.sql(
            u"INSERT INTO Receiptform (id, alljine, massagetime, time) VALUES (3, '7.00', '2', '2026-12-07 09:02:00')"_s);
        // The other tool wrote past the daily ledger, whose triggers went with the old table.
        QCOMPARE(TakingsLedger::Rebuild(env.database), QString());
        Shown query(env, RecordKind::Receipts);
        QCOMPARE(query.column(0), (QStringList { u"3"_s, u""_s, u"1"_s }));
        QCOMPARE(query.rows().text(1, 1), QString());
        QCOMPARE(
            query.totals().mid(0, 3), (QStringList { u"记录总数: 3"_s, u"总金额: 12.00元"_s, u"按    摩: 3钟"_s }));
        QVERIFY(env.messages.shown().isEmpty());
    }

    // --- printing -----------------------------------------------------------------------------------

    void printsPagesOfThirtyFiveRows_data()
    {
        QTest::addColumn<int>("rows");
        QTest::addColumn<QStringList>("files");
        QTest::newRow("35 rows, one job") << 35 << QStringList { u"print-1.pdf"_s };
        QTest::newRow("36 rows, two jobs") << 36 << QStringList { u"print-1-2.pdf"_s, u"print-1.pdf"_s };
        QTest::newRow("70 rows, exactly two") << 70 << QStringList { u"print-1-2.pdf"_s, u"print-1.pdf"_s };
    }

    // The whole list is printed, also the rows the view never showed; the last page totals its
    // own rows.
    void printsPagesOfThirtyFiveRows()
    {
        QFETCH(int, rows);
        QFETCH(QStringList, files);
        TestEnvironment env;
        QVERIFY(env.isReady());
        SettleMany(env, rows);
        Shown query(env, RecordKind::Receipts);
        Click(&query.window, u"printButton"_s);
        QCOMPARE(PdfFiles(env), files);
        // The oldest bill, number 1 (total 1.25), stands last on the last page; with 36 rows that
        // page holds it alone.
        const QString last = PrintedText(env.filePath(files.first()));
        QVERIFY2(last.contains(u"1.25"_s), qPrintable(last));
        if (rows == 36)
            QVERIFY2(last.contains(u"总金额:1.25元"_s), qPrintable(last));
        const QString first = PrintedText(env.filePath(files.last()));
        QVERIFY(first.contains(u"经营单据"_s));
        QVERIFY(first.contains(QString::number(rows) + u".25"_s));
        QVERIFY(env.messages.shown().isEmpty());
    }

    void goodsSalesAreNotPrintedAndEmptyListsSaySo()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        SettleMany(env, 2);
        Shown goods(env, RecordKind::GoodsSales);
        Click(&goods.window, u"printButton"_s);
        QCOMPARE(env.messages.texts(), QStringList { u"商品销售不支持打印!"_s });

        env.messages.clear();
        Shown services(env, RecordKind::TechnicianServices);
        AnswerQuery(u"99"_s);
        services.choose("actionReceiptNumber");
        Click(&services.window, u"printButton"_s);
        QCOMPARE(env.messages.texts(), QStringList { u"列表中没有打印数据!"_s });
        QVERIFY(PdfFiles(env).isEmpty());
    }

    // --- the hand-over ------------------------------------------------------------------------------

    // The hand-over lists the receipts since the last hand-over; after printing it the desk is
    // asked, may print again first, and closing records the shift. A receipt settled after that
    // falls in the next hand-over only.
    void aHandOverClosesTheShift()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.session.setCurrentCashier(u"cashier1"_s);
        SettleMany(env, 3);
        env.clock.set(QDateTime(QDate(2026, 12, 7), QTime(16, 0)));
        {
            Shown handOver(env, RecordKind::Receipts, QueryWindow::Mode::HandOver);
            QCOMPARE(handOver.window.windowTitle(), u"经营单据"_s);
            QCOMPARE(handOver.column(0), (QStringList { u"3"_s, u"2"_s, u"1"_s }));
            QCOMPARE(Child<QLabel>(&handOver.window, u"shiftLabel"_s)->text(), u"本班: 尚未交过班,列出全部单据"_s);

            env.messages.queueAnswer(false); // printed, not handed over yet
            Click(&handOver.window, u"printButton"_s);
            QCOMPARE(env.messages.texts(), QStringList { u"本班共3张单据,总金额6.75元。是否交班?"_s });
            QVERIFY(!StoredHandOver(env.database));

            env.messages.clear();
            env.messages.queueAnswer(true); // printed again, handed over
            HandOverWhenAsked(u"0"_s); // these receipts were settled before payment methods
            Click(&handOver.window, u"printButton"_s);
            QCOMPARE(env.messages.texts(),
                (QStringList { u"本班共3张单据,总金额6.75元。是否交班?"_s, HandOverListing::HandOverDoneText }));
            QCOMPARE(PdfFiles(env).size(), 3); // the list twice, the hand-over slip
            // The window goes on with the next shift, empty.
            handOver.settle();
            QCOMPARE(handOver.rows().rowCount(), 0);
            QCOMPARE(Child<QLabel>(&handOver.window, u"shiftLabel"_s)->text(),
                u"本班: 2026-12-07 16:00:00 交班以后的单据"_s);
        }
        const std::optional<HandOver> stored = StoredHandOver(env.database);
        QVERIFY(stored);
        QCOMPARE(CoverOf(*stored),
            (HandOverCover {
                QDateTime(), QDateTime(QDate(2026, 12, 7), QTime(16, 0)), u"cashier1"_s, 3, 3, u"6.75"_s }));
        QCOMPARE(stored->unrecordedTotal, u"6.75"_s);
        QCOMPARE(env.session.shiftStartTime(), QDateTime(QDate(2026, 12, 7), QTime(16, 0)));

        // A bill settled after the hand-over, stamped before it by a clock set back: it belongs
        // to the next shift all the same.
        Settle(env, { .id = 4, .time = QDateTime(QDate(2026, 12, 7), QTime(15, 59)), .total = u"40.00"_s });
        env.clock.set(QDateTime(QDate(2026, 12, 8), QTime(0, 30)));
        Shown next(env, RecordKind::Receipts, QueryWindow::Mode::HandOver);
        QCOMPARE(next.column(0), QStringList { u"4"_s });
        env.messages.clear();
        env.messages.queueAnswer(true);
        HandOverWhenAsked(u"0"_s);
        Click(&next.window, u"printButton"_s);
        QCOMPARE(env.messages.texts().first(), u"本班共1张单据,总金额40.00元。是否交班?"_s);
        QCOMPARE(CoverOf(*StoredHandOver(env.database)),
            (HandOverCover { QDateTime(QDate(2026, 12, 7), QTime(16, 0)), QDateTime(QDate(2026, 12, 8), QTime(0, 30)),
                u"cashier1"_s, 4, 1, u"40.00"_s }));
        QCOMPARE(env.sql(u"SELECT sum(receipt_count) FROM handover"_s).first().value(0).toInt(), 4);
    }

    // Only the shift's own list hands it over: after another query in the window nothing is
    // asked. A print that was cancelled still offers the hand-over, once, and saying no keeps
    // the shift open.
    void onlyThePrintedShiftIsHandedOver()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        SettleMany(env, 2);
        Shown handOver(env, RecordKind::Receipts, QueryWindow::Mode::HandOver);
        env.printers.setCancelled(true);
        env.messages.queueAnswer(false);
        Click(&handOver.window, u"printButton"_s);
        QCOMPARE(env.messages.texts(),
            QStringList { HandOverListing::UnprintedListNote + u"本班共2张单据,总金额3.50元。是否交班?"_s });
        QVERIFY(!StoredHandOver(env.database));
        env.printers.setCancelled(false);
        env.messages.clear();
        AnswerQuery(u"1"_s);
        handOver.choose("actionReceiptNumber");
        Click(&handOver.window, u"printButton"_s);
        QVERIFY(env.messages.shown().isEmpty());
        QCOMPARE(PdfFiles(env).size(), 1);
        QVERIFY(!StoredHandOver(env.database));
    }

    // A printer out of paper does not keep the shift open: after "有1页没有打印出来" the desk is
    // asked once, may close the shift, and the log says that its list was not printed.
    void aFailedPrintStillClosesTheShift()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.session.setCurrentCashier(u"cashier1"_s);
        SettleMany(env, 3);
        Shown handOver(env, RecordKind::Receipts, QueryWindow::Mode::HandOver);
        env.printers.setBroken(true);
        env.messages.queueAnswer(true);
        HandOverWhenAsked(u"0"_s);
        Click(&handOver.window, u"printButton"_s);
        QCOMPARE(env.messages.texts(),
            (QStringList { u"有1页没有打印出来,请检查打印机!"_s,
                HandOverListing::UnprintedListNote + u"本班共3张单据,总金额6.75元。是否交班?"_s,
                u"交班已完成,但交班对账单没有打印出来,请在“交班记录查询”中重打。"_s,
                HandOverListing::HandOverDoneText }));
        const std::optional<HandOver> stored = StoredHandOver(env.database);
        QVERIFY(stored);
        QCOMPARE(stored->receiptCount, 3);
        QCOMPARE(env.sql(u"SELECT description FROM operator_log WHERE kind='交班'"_s).first().value(0).toString(),
            u"交班:单据3张 应有现金0.00 实点现金0.00 差额0.00 交班单未打印完整"_s);
    }

    // A shift closed meanwhile (on another desk sharing the database) is not closed twice.
    void aShiftIsClosedOnce()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        SettleMany(env, 2);
        DeskSession otherDesk(env.database, env.clock);
        QVERIFY(otherDesk.restore().ok());
        const Outcome<ShiftReceipts> mine = CurrentShiftReceipts(env.database, env.session);
        const Outcome<ShiftReceipts> theirs = CurrentShiftReceipts(env.database, otherDesk);
        QVERIFY(mine && theirs);
        QVERIFY(CloseShift(env.database, otherDesk, theirs.value(), env.clock.now(), NothingInCash));
        const Outcome<HandOver> again
            = CloseShift(env.database, env.session, mine.value(), env.clock.now(), NothingInCash);
        QVERIFY(again.isRefusal());
        QCOMPARE(again.text(), DeskSession::ShiftClosedAlreadyText);
        QCOMPARE(env.sql(u"SELECT count(*) FROM handover"_s).first().value(0).toInt(), 1);
        QVERIFY(!env.session.shiftStart());
    }

    // The start of the shift is the last hand-over, stored: it survives a restart of the desk.
    void theShiftStartSurvivesARestart()
    {
        DeskFixture desk;
        QVERIFY(desk.start([](Database& db) {
            db.exec(u"INSERT INTO Receiptform (id, alljine, time) VALUES (1, '50.00', '2026-12-07 08:00:00')"_s);
        }));
        QVERIFY(!desk.session().shiftStartTime().isValid());
        const Outcome<ShiftReceipts> shift = CurrentShiftReceipts(desk.database(), desk.session());
        QVERIFY(shift);
        QVERIFY(CloseShift(desk.database(), desk.session(), shift.value(), desk.clock.now(), NothingInCash));
        const QDateTime closedAt = desk.clock.now();
        desk.kill();

        desk.clock.advanceSeconds(3600);
        QVERIFY(desk.start());
        QCOMPARE(desk.session().shiftStartTime(), closedAt);
        QCOMPARE(desk.session().shiftStart()->lastReceipt, 1);
        const Outcome<ShiftReceipts> next = CurrentShiftReceipts(desk.database(), desk.session());
        QVERIFY(next);
        QCOMPARE(next.value().condition(), QueryCondition::receiptRange(1, 1));
    }

    // A database of an earlier release gains the table of closed shifts. The receipts it kept
    // before are closed by one hand-over without a cashier, so that the first hand-over of the
    // desk lists its first shift, not years of bills.
    void anEarlierDatabaseGainsTheHandOvers()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(u"data.db"_s);
        {
            Database earlier;
            QVERIFY(earlier.create(path, 2));
            QVERIFY(!earlier.exec(u"SELECT count(*) FROM handover"_s).ok());
            for (int id = 1; id <= 3; ++id)
                QVERIFY(
                    earlier
                        .exec(
                            u"INSERT INTO Receiptform (id, alljine, time) VALUES (?, '10.50', '2026-01-05 10:00:00')"_s,
                            { id })
                        .ok());
        }
        Database database;
        QVERIFY2(database.open(path), qPrintable(database.lastError()));
        QCOMPARE(database.scalar(u"SELECT count(*) FROM sqlite_master WHERE name='spsalay_name_time'"_s).toInt(), 1);
        QVERIFY(Schema::tableNames().contains(u"handover"_s));
        const std::optional<HandOver> baseline = StoredHandOver(database);
        QVERIFY(baseline);
        QCOMPARE(baseline->cashier, QString());
        QCOMPARE(baseline->lastReceipt, 3);
        QCOMPARE(baseline->receiptCount, 3);
        QCOMPARE(baseline->total, u"31.50"_s);
        QVERIFY(!baseline->shiftStart.isValid());

        ManualClock clock;
        DeskSession session(database, clock);
        QVERIFY(session.restore().ok());
        const Outcome<ShiftReceipts> shift = CurrentShiftReceipts(database, session);
        QVERIFY(shift);
        QCOMPARE(shift.value().condition(), QueryCondition::receiptRange(3, 3));

        // A new installation has nothing to close.
        QTemporaryDir fresh;
        Database created;
        QVERIFY(created.create(fresh.filePath(u"data.db"_s)));
        QVERIFY(!StoredHandOver(created));
    }

    // The takings of a list per payment method: the receipts query shows them under its totals,
    // and the hand-over once the drawer has been counted.
    void takingsPerPaymentMethod()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.sql(u"BEGIN"_s);
        const QList<std::pair<QString, QString>> bills { { u"现金"_s, u"100.00"_s }, { u"微信"_s, u"58.50"_s },
            { u"现金"_s, u"20.00"_s }, { u"支付宝"_s, u"30.25"_s }, { u"银行卡"_s, u"210.00"_s },
            { u"微信"_s, u"1.50"_s } };
        qint64 id = 0;
        for (const auto& [method, total] : bills) {
            ++id;
            Settle(env, { .id = id, .time = Morning.addSecs(60 * id), .total = total, .method = method });
        }
        env.sql(u"COMMIT"_s);

        const Outcome<PaymentTotals> totals = ReadPaymentTotals(env.database, QueryCondition::all());
        QVERIFY(totals);
        QCOMPARE(totals.value().of(PaymentMethod::Cash), (MethodTotal { 2, Money::fromFen(12000) }));
        QCOMPARE(totals.value().of(PaymentMethod::WeChat), (MethodTotal { 2, Money::fromFen(6000) }));
        QCOMPARE(totals.value().of(PaymentMethod::Alipay), (MethodTotal { 1, Money::fromFen(3025) }));
        QCOMPARE(totals.value().of(PaymentMethod::BankCard), (MethodTotal { 1, Money::fromFen(21000) }));
        QCOMPARE(totals.value().of(PaymentMethod::MemberCard), (MethodTotal {}));
        QCOMPARE(totals.value().unrecorded, (MethodTotal {}));
        QCOMPARE(ExpectedCash(totals.value()), Money::fromYuan(120));
        // The shift running (nothing handed over yet) takes the same.
        const Outcome<ShiftReceipts> shift = CurrentShiftReceipts(env.database, env.session);
        QVERIFY(shift);
        const Outcome<ShiftTakings> takings = ReadShiftTakings(env.database, shift.value());
        QVERIFY(takings);
        QCOMPARE(takings.value().payments, totals.value());
        QCOMPARE(takings.value().totals.count, 6);

        Shown query(env, RecordKind::Receipts);
        QCOMPARE(Child<QLabel>(&query.window, u"paymentTotals"_s)->text(),
            u"现金: 120.00元   微信: 60.00元   支付宝: 30.25元   银行卡: 210.00元   会员卡: 0.00元"_s);
        QCOMPARE(
            query.column(13), (QStringList { u"微信"_s, u"银行卡"_s, u"支付宝"_s, u"现金"_s, u"微信"_s, u"现金"_s }));
    }

    // The blind count: the cashier types what the drawer holds before the desk shows what it
    // should hold. A drawer 20.00 short is handed over only with a reason, and the hand-over
    // keeps expected, counted, difference and reason; the next shift starts after it.
    void aShortDrawerIsHandedOverWithItsReason()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.session.setCurrentCashier(u"cashier1"_s);
        env.sql(u"BEGIN"_s);
        Settle(env, { .id = 1, .time = Morning, .total = u"100.00"_s, .method = u"现金"_s });
        Settle(env, { .id = 2, .time = Morning.addSecs(60), .total = u"58.50"_s, .method = u"微信"_s });
        Settle(env, { .id = 3, .time = Morning.addSecs(120), .total = u"20.00"_s, .method = u"现金"_s });
        env.sql(u"COMMIT"_s);
        env.clock.set(QDateTime(QDate(2026, 12, 7), QTime(16, 0)));

        const Outcome<ShiftReceipts> shift = CurrentShiftReceipts(env.database, env.session);
        QVERIFY(shift);
        HandOverDialog closing(env.services, shift.value());
        QVERIFY(ShowOnScreen(closing));
        auto* figures = Child<QWidget>(&closing, u"figures"_s);
        QVERIFY(!figures->isVisible()); // nothing to see before the count
        QVERIFY(!Child<QPushButton>(&closing, u"handOverButton"_s)->isEnabled());
        QVERIFY(HasFocus(Child<QLineEdit>(&closing, u"countedEdit"_s)));

        TypeInto(Child<QLineEdit>(&closing, u"countedEdit"_s), u"1OO"_s);
        Click(&closing, u"confirmCountButton"_s);
        QCOMPARE(env.messages.lastText(), u"请输入实点现金金额!"_s);
        QVERIFY(!closing.isRevealed());

        env.messages.clear();
        TypeInto(Child<QLineEdit>(&closing, u"countedEdit"_s), u"100"_s);
        QTest::keyClick(Child<QLineEdit>(&closing, u"countedEdit"_s), Qt::Key_Return);
        QVERIFY(closing.isRevealed());
        QVERIFY(figures->isVisible());
        QVERIFY(Child<QLineEdit>(&closing, u"countedEdit"_s)->isReadOnly()); // the count stands
        QCOMPARE(Child<QLabel>(&closing, u"receiptsValue"_s)->text(), u"3 张"_s);
        QCOMPARE(Child<QLabel>(&closing, u"totalValue"_s)->text(), u"178.50 元"_s);
        QCOMPARE(Child<QLabel>(&closing, u"methodValue0"_s)->text(), u"120.00 元"_s);
        QCOMPARE(Child<QLabel>(&closing, u"methodValue1"_s)->text(), u"58.50 元"_s);
        QCOMPARE(Child<QLabel>(&closing, u"expectedValue"_s)->text(), u"120.00 元"_s);
        QCOMPARE(Child<QLabel>(&closing, u"countedValue"_s)->text(), u"100.00 元"_s);
        QCOMPARE(Child<QLabel>(&closing, u"differenceValue"_s)->text(), u"-20.00 元  短款"_s);
        for (const QSize size : { QSize(1366, 768), QSize(1024, 768) })
            QVERIFY(closing.grab().save(TestOutputPath(u"handover-dialog-%1.png"_s.arg(size.width()))));

        // No reason, no hand-over.
        Click(&closing, u"handOverButton"_s);
        QCOMPARE(env.messages.lastText(), u"实点现金与应有现金不符,请填写差额原因!"_s);
        QVERIFY(!StoredHandOver(env.database));
        QVERIFY(closing.isVisible());

        TypeInto(Child<QLineEdit>(&closing, u"reasonEdit"_s), u"找错零钱"_s);
        Click(&closing, u"handOverButton"_s);
        QCOMPARE(closing.result(), int(QDialog::Accepted));
        const std::optional<HandOver> stored = StoredHandOver(env.database);
        QVERIFY(stored);
        QCOMPARE(stored->receiptCount, 3);
        QCOMPARE(stored->total, u"178.50"_s);
        QCOMPARE(stored->methodTotals[size_t(PaymentMethod::Cash)], u"120.00"_s);
        QCOMPARE(stored->methodTotals[size_t(PaymentMethod::WeChat)], u"58.50"_s);
        QCOMPARE(stored->expectedCash, u"120.00"_s);
        QCOMPARE(stored->countedCash, u"100.00"_s);
        QCOMPARE(stored->cashDifference, u"-20.00"_s);
        QCOMPARE(stored->differenceReason, u"找错零钱"_s);
        QCOMPARE(env.sql(u"SELECT count(*) FROM operator_log WHERE kind='交班' AND amount='178.50'"_s)
                     .first()
                     .value(0)
                     .toInt(),
            1);
        QVERIFY(!RasterisePdf(env.printers.lastFile(), 110, TestOutputPath(u"handover-slip.png"_s)).isNull());

        // The next shift starts after it, with the next receipt only.
        QCOMPARE(env.session.shiftStartTime(), QDateTime(QDate(2026, 12, 7), QTime(16, 0)));
        env.sql(u"BEGIN"_s);
        Settle(env,
            { .id = 4, .time = QDateTime(QDate(2026, 12, 7), QTime(17, 0)), .total = u"40.00"_s, .method = u"现金"_s });
        env.sql(u"COMMIT"_s);
        const Outcome<ShiftReceipts> next = CurrentShiftReceipts(env.database, env.session);
        QVERIFY(next);
        const Outcome<ShiftTakings> takings = ReadShiftTakings(env.database, next.value());
        QVERIFY(takings);
        QCOMPARE(takings.value().totals.count, 1);
        QCOMPARE(takings.value().payments.of(PaymentMethod::Cash), (MethodTotal { 1, Money::fromFen(4000) }));
        env.clock.set(QDateTime(QDate(2026, 12, 8), QTime(0, 0)));
        const Outcome<HandOver> second
            = CloseShift(env.database, env.session, next.value(), env.clock.now(), CashCount { u"40"_s, {} });
        QVERIFY(second);
        QCOMPARE(second.value().shiftStart, QDateTime(QDate(2026, 12, 7), QTime(16, 0)));
        QCOMPARE(second.value().cashDifference, u"0.00"_s);

        // Both can be looked at again, newest first.
        HandOverHistoryWindow history(env.services);
        QVERIFY(ShowOnScreen(history));
        QCOMPARE(history.rows().rowCount(), 2);
        for (const QSize size : { QSize(1366, 768), QSize(1024, 768) }) {
            history.resize(size);
            QVERIFY(history.grab().save(TestOutputPath(u"handover-history-%1.png"_s.arg(size.width()))));
        }
    }

    // --- pictures to look at ------------------------------------------------------------------------

    void windowsToLookAt()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.session.setCompany(u"Tavrel 桑拿足浴中心"_s, u"020-00000000"_s);
        SettleMany(env, 40);
        for (RecordKind kind : { RecordKind::Receipts, RecordKind::TechnicianServices, RecordKind::GoodsSales }) {
            Shown query(env, kind);
            for (const QSize size : { QSize(1366, 768), QSize(1024, 768) }) {
                query.window.resize(size);
                QTest::qWait(50);
                const QString name = u"query-%1-%2.png"_s.arg(int(kind)).arg(size.width());
                QVERIFY(query.window.grab().save(TestOutputPath(name)));
            }
        }
        Shown handOver(env, RecordKind::Receipts, QueryWindow::Mode::HandOver);
        handOver.window.resize(1024, 768);
        QTest::qWait(50);
        QVERIFY(handOver.window.grab().save(TestOutputPath(u"query-handover-1024.png"_s)));
        env.messages.setDefaultAnswer(false);
        Click(&handOver.window, u"printButton"_s);
        QCOMPARE(PdfFiles(env).size(), 2);
        QVERIFY(!RasterisePdf(env.filePath(u"print-1.pdf"_s), 110, TestOutputPath(u"handover-print.png"_s)).isNull());
    }
};

QTEST_MAIN(QueriesTest)
#include "tst_queries.moc"
