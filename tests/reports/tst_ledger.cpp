#include "app/DatabaseCheck.h"
#include "app/PagedTableModel.h"
#include "app/Schema.h"
#include "app/TakingsLedger.h"
#include "app/TextFormat.h"
#include "reports/BusinessFigures.h"
#include "reports/QueryCondition.h"
#include "reports/QueryTotals.h"
#include "reports/QueryTotalsArea.h"
#include "reports/QueryTotalsReader.h"
#include "reports/QueryWindow.h"
#include "reports/ReceiptPayments.h"
#include "reports/SingleValueQueryDialog.h"
#include "support/TestEnvironment.h"
#include "support/WidgetDriver.h"

#include <QAction>
#include <QSemaphore>
#include <QThread>
#include <QtTest>

#include <atomic>

using namespace Qt::StringLiterals;

namespace {

// A receipt with one technician row and one goods row, as checkout stores them.
struct Row
{
    qint64 id;
    QString time;
    QString total;
    QString method = u"现金"_s;
    QString payType = u"普通"_s;
    QString technician = u"07"_s;
    QString commission = u"10.00"_s;
    QString goods = u"啤酒"_s;
    QString quantity = u"2"_s;
    QString goodsAmount = u"16.50"_s;
};

void Store(TestEnvironment& env, const Row& row)
{
    env.sql(u"INSERT INTO Receiptform (id, massagetime, washfoottime, trimfoot, alljine, paytype, time, paymethod) "
            "VALUES (?, '2', '1', '1', ?, ?, ?, ?)"_s,
        { row.id, row.total, row.payType, row.time, row.method });
    env.sql(u"INSERT INTO salaryform (id, num, name, massagetime, washfoottime, salary, time) "
            "VALUES (?, ?, '小王', '2', '1', ?, ?)"_s,
        { row.id, row.technician, row.commission, row.time });
    env.sql(u"INSERT INTO spsalay (id, name, counter, jine, time) VALUES (?, ?, ?, ?, ?)"_s,
        { row.id, row.goods, row.quantity, row.goodsAmount, row.time });
}

// Receipts over three days, with amounts read by the leading-number rule.
void StoreDays(TestEnvironment& env)
{
    env.sql(u"BEGIN"_s);
    Store(env, { 1, u"2026-12-05 23:59:59"_s, u"100.00"_s });
    Store(env, { 2, u"2026-12-06 00:00:00"_s, u"12.5元"_s, u"微信"_s });
    Store(env, { 3, u"2026-12-06 13:30:00"_s, u"abc"_s, u""_s, u"VIP0001"_s, u"08"_s, u"7.25"_s });
    Store(env, { 4, u"2026-12-06 23:59:59"_s, u"0.10"_s, u"支付宝"_s });
    Store(env, { 5, u"2026-12-07 00:00:01"_s, u"-3.30"_s });
    Store(env, { 6, u"2026-12-07 18:00:00"_s, u"45.55"_s, u"现金"_s, u"普通"_s, u"07"_s, u"3.33"_s, u"花生"_s });
    env.sql(u"COMMIT"_s);
}

// The totals of the receipts stamped from `from` to `to`, added up row by row.
QueryTotals RowTotals(TestEnvironment& env, const QString& from, const QString& to)
{
    const SqlResult rows = env.sql(u"SELECT alljine, massagetime, washfoottime, trimfoot FROM Receiptform "
                                   "WHERE time>=? AND time<=?"_s,
        { from, to });
    QueryTotals totals;
    qint64 fen = 0;
    for (const QSqlRecord& row : rows.rows) {
        ++totals.count;
        fen += Money::fromText(row.value(0).toString()).fen();
        for (int i = 0; i < 3; ++i)
            totals.sums[size_t(i)] += row.value(1 + i).toLongLong();
    }
    totals.amount = Money::fromFen(fen);
    return totals;
}

QStringList Differences(TestEnvironment& env)
{
    QSqlDatabase connection = env.database.connection();
    QString error;
    const QStringList differences = TakingsLedger::Differences(connection, &error);
    [&] { QCOMPARE(error, QString()); }();
    return differences;
}

// The check the desk runs after its board is shown, on its worker thread.
DatabaseCheck::Verdict CheckInBackground(const QString& path)
{
    DatabaseCheck check;
    std::optional<DatabaseCheck::Verdict> found;
    QObject::connect(
        &check, &DatabaseCheck::finished, [&found](const DatabaseCheck::Verdict& verdict) { found = verdict; });
    check.start(path);
    (void)QTest::qWaitFor([&found] { return found.has_value(); }, 20000);
    DatabaseCheck::Verdict none;
    none.error = u"no verdict"_s;
    return found.value_or(none);
}

QDateTime At(const QString& text)
{
    return DateTimeFromText(text);
}

} // namespace

class LedgerTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setApplicationDisplayName(u"Tavrel"_s); }

    void spansSplitIntoWholeDaysAndRows_data()
    {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("end");
        QTest::addColumn<QString>("whole"); // first..last, or empty
        QTest::addColumn<QStringList>("rows"); // from..to, "<" when the end is left out
        QTest::newRow("whole days") << u"2026-12-01 00:00:00"_s << u"2026-12-07 23:59:59"_s
                                    << u"2026-12-01..2026-12-07"_s << QStringList {};
        QTest::newRow("today until now") << u"2026-12-07 00:00:00"_s << u"2026-12-07 15:42:10"_s << u""_s
                                         << QStringList { u"2026-12-07 00:00:00..2026-12-07 15:42:10"_s };
        QTest::newRow("partial ends") << u"2026-12-01 09:00:00"_s << u"2026-12-07 15:00:00"_s
                                      << u"2026-12-02..2026-12-06"_s
                                      << QStringList { u"2026-12-01 09:00:00..<2026-12-02"_s,
                                             u"2026-12-07..2026-12-07 15:00:00"_s };
        QTest::newRow("two partial days") << u"2026-12-06 09:00:00"_s << u"2026-12-07 09:00:00"_s << u""_s
                                          << QStringList { u"2026-12-06 09:00:00..2026-12-07 09:00:00"_s };
        QTest::newRow("start after end") << u"2026-12-08 00:00:00"_s << u"2026-12-06 23:59:59"_s << u""_s
                                         << QStringList { u"2026-12-08 00:00:00..2026-12-06 23:59:59"_s };
    }

    void spansSplitIntoWholeDaysAndRows()
    {
        QFETCH(QString, start);
        QFETCH(QString, end);
        QFETCH(QString, whole);
        QFETCH(QStringList, rows);
        const TakingsLedger::Span span = TakingsLedger::Span::between(At(start), At(end));
        QCOMPARE(span.hasWholeDays()
                ? span.firstWholeDay().toString(Qt::ISODate) + u".."_s + span.lastWholeDay().toString(Qt::ISODate)
                : QString(),
            whole);
        QStringList ranges;
        for (const TakingsLedger::Span::RowRange& range : span.rowRanges())
            ranges << range.from + u".."_s + (range.toIncluded ? QString() : u"<"_s) + range.to;
        QCOMPARE(ranges, rows);
    }

    // Every write of the rows, however it is made, moves the ledger with it.
    void theLedgerFollowsEveryWrite()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        StoreDays(env);
        QCOMPARE(Differences(env), QStringList());
        const SqlResult day = env.sql(u"SELECT sum(receipts), sum(amount_fen), sum(massage) FROM ledger_receipts "
                                      "WHERE day='2026-12-06'"_s);
        QCOMPARE(day.first().value(0).toInt(), 3);
        QCOMPARE(day.first().value(1).toLongLong(), 1250 + 0 + 10); // "12.5元", "abc", "0.10"
        QCOMPARE(day.first().value(2).toInt(), 6);

        env.sql(u"UPDATE Receiptform SET alljine='1.00', time='2026-12-07 10:00:00' WHERE id=2"_s);
        env.sql(u"UPDATE salaryform SET num='09' WHERE id=3"_s);
        env.sql(u"DELETE FROM spsalay WHERE id=6"_s);
        env.sql(u"DELETE FROM Receiptform WHERE id=1"_s);
        env.sql(u"UPDATE Receiptform SET housnum='202' WHERE id=4"_s); // a column the ledger does not read
        QCOMPARE(Differences(env), QStringList());

        // Rebuilt from the rows, it holds what it held.
        const QString held = u"SELECT day, hour, method, member, receipts, amount_fen "
                             "FROM ledger_receipts WHERE receipts<>0 ORDER BY 1, 2, 3, 4"_s;
        const QString before = JoinedRows(env.database, held, {}, u";"_s);
        QCOMPARE(TakingsLedger::Rebuild(env.database), QString());
        QCOMPARE(JoinedRows(env.database, held, {}, u";"_s), before);
    }

    // The upgrade of an earlier file fills the ledger from its rows once.
    void anEarlierFileGainsItsLedger()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        const QString path = env.filePath(u"older.db"_s);
        {
            Database older;
            QVERIFY(older.create(path, 5));
            for (int i = 1; i <= 200; ++i) {
                QVERIFY(older
                            .exec(u"INSERT INTO Receiptform (id, alljine, massagetime, time, paymethod) "
                                  "VALUES (?, ?, '1', ?, '现金')"_s,
                                { i, u"%1.35"_s.arg(i), DateTimeText(At(u"2026-11-01 10:00:00"_s).addSecs(i * 4000)) })
                            .ok());
            }
            QCOMPARE(older.exec(u"SELECT count(*) FROM sqlite_master WHERE name='ledger_receipts'"_s)
                         .first()
                         .value(0)
                         .toInt(),
                0);
        }
        Database upgraded;
        QVERIFY2(upgraded.open(path), qPrintable(upgraded.lastError()));
        QCOMPARE(upgraded.schemaVersion(nullptr), Database::SchemaVersion);
        const SqlResult sums = upgraded.exec(u"SELECT sum(receipts), sum(amount_fen) FROM ledger_receipts"_s);
        QCOMPARE(sums.first().value(0).toInt(), 200);
        QCOMPARE(sums.first().value(1).toLongLong(), 200LL * 201 / 2 * 100 + 200 * 35);
        QSqlDatabase connection = upgraded.connection();
        QString error;
        QCOMPARE(TakingsLedger::Differences(connection, &error), QStringList());
        // A settlement after the upgrade goes on adding.
        QVERIFY(upgraded
                    .exec(u"INSERT INTO Receiptform (id, alljine, time, paymethod) VALUES (201, '1.00', "
                          "'2026-12-07 10:00:00', '微信')"_s)
                    .ok());
        QCOMPARE(TakingsLedger::Differences(connection, &error), QStringList());
    }

    // Version 7 read a hand-written third decimal place as the real number times 100 ("1.005"
    // one fen low, where the lists show 1.01); the upgrade makes the triggers again and counts
    // the ledger once more, and the new triggers read it as written.
    void aVersion7LedgerIsCountedAgainAsWritten()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        const QString path = env.filePath(u"version7.db"_s);
        const auto receipt = [](Database& database, int id, const QString& amount) {
            return database
                .exec(
                    u"INSERT INTO Receiptform (id, alljine, time, paymethod) VALUES (?, ?, '2026-12-07 10:00:00', '现金')"_s,
                    { id, amount })
                .ok();
        };
        const auto ledgerFen = [](Database& database) {
            return database.exec(u"SELECT sum(amount_fen) FROM ledger_receipts"_s).first().value(0).toLongLong();
        };
        {
            Database older;
            QVERIFY(older.create(path, 7));
            QVERIFY(receipt(older, 1, u"1.005"_s));
            QVERIFY(receipt(older, 2, u"38.675"_s));
            QCOMPARE(ledgerFen(older), 100 + 3867); // as version 7 counted them
        }
        Database upgraded;
        QVERIFY2(upgraded.open(path), qPrintable(upgraded.lastError()));
        QCOMPARE(upgraded.schemaVersion(nullptr), Database::SchemaVersion);
        QCOMPARE(ledgerFen(upgraded), 101 + 3868);
        QVERIFY(receipt(upgraded, 3, u"0.145"_s));
        QCOMPARE(ledgerFen(upgraded), 101 + 3868 + 15);
        QCOMPARE(ledgerFen(upgraded),
            Money::fromText(u"1.005"_s).fen() + Money::fromText(u"38.675"_s).fen() + Money::fromText(u"0.145"_s).fen());
        QSqlDatabase connection = upgraded.connection();
        QString error;
        QCOMPARE(TakingsLedger::Differences(connection, &error), QStringList());
    }

    // The background check proves the ledger equals the rows, and says where it does not.
    void theCheckFindsALedgerThatDiffers()
    {
        TAVREL_SKIP_ON_SERVER("the background check of data.db is the file's; a server's ledger is compared by "
                              "TakingsLedger::Differences (theLedgerFollowsEveryWrite)");
        TestEnvironment env;
        QVERIFY(env.isReady());
        StoreDays(env);
        {
            const DatabaseCheck::Verdict verdict = CheckInBackground(env.database.filePath());
            QVERIFY(verdict.sound());
            QCOMPARE(verdict.ledgerDifferences, QStringList());
            QCOMPARE(DatabaseCheck::ledgerReport(verdict), QString());
        }
        // Rows written past the ledger (its triggers gone) and a ledger figure changed by hand.
        env.sql(u"DROP TRIGGER ledger_goods_added"_s);
        env.sql(u"INSERT INTO spsalay (id, name, counter, jine, time) VALUES (9, '啤酒', '1', '8.00', "
                "'2026-12-07 19:00:00')"_s);
        env.sql(u"UPDATE ledger_receipts SET amount_fen=amount_fen+1 WHERE day='2026-12-05'"_s);
        const DatabaseCheck::Verdict verdict = CheckInBackground(env.database.filePath());
        QVERIFY(verdict.sound()); // the file itself is sound
        QCOMPARE(verdict.ledgerDifferences,
            QStringList({ u"营业日帐与经营单据不符: 2026-12-05"_s, u"营业日帐与商品销售不符: 2026-12-07"_s }));
        QVERIFY(DatabaseCheck::ledgerReport(verdict).startsWith(u"营业日帐与已存的单据不符"_s));
        QVERIFY(DatabaseCheck::ledgerReport(verdict).contains(u"营业日帐与商品销售不符: 2026-12-07"_s));

        // The daily check compares the days since the last one: the older difference waits
        // for the weekly check.
        const DatabaseCheck::Verdict daily = DatabaseCheck::run(
            env.database.filePath(), {}, DatabaseCheck::Depth::Quick, DatabaseCheck::Scope::Whole, QDate(2026, 12, 6));
        QCOMPARE(daily.ledgerDifferences, QStringList({ u"营业日帐与商品销售不符: 2026-12-07"_s }));
        env.sql(u"UPDATE ledger_technicians SET commission_fen=commission_fen-1 WHERE day='2026-12-06'"_s);
        QCOMPARE(DatabaseCheck::run(env.database.filePath(), {}, DatabaseCheck::Depth::Quick,
                     DatabaseCheck::Scope::Whole, QDate(2026, 12, 6))
                     .ledgerDifferences,
            QStringList({ u"营业日帐与技师服务不符: 2026-12-06"_s, u"营业日帐与商品销售不符: 2026-12-07"_s }));
    }

    // A period's totals: its whole days from the ledger, its partial days from their rows,
    // the same figures as the rows themselves.
    void totalsOfPeriodsMatchTheRows_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::newRow("everything") << u""_s << u""_s;
        QTest::newRow("whole days") << u"2026-12-06 00:00:00"_s << u"2026-12-07 23:59:59"_s;
        QTest::newRow("partial ends") << u"2026-12-05 23:59:59"_s << u"2026-12-07 00:00:01"_s;
        QTest::newRow("inside a day") << u"2026-12-06 00:00:01"_s << u"2026-12-06 23:59:58"_s;
        QTest::newRow("one second") << u"2026-12-06 23:59:59"_s << u"2026-12-06 23:59:59"_s;
        QTest::newRow("start after end") << u"2026-12-07 00:00:00"_s << u"2026-12-05 23:59:59"_s;
    }

    void totalsOfPeriodsMatchTheRows()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        TestEnvironment env;
        QVERIFY(env.isReady());
        StoreDays(env);
        const QueryCondition condition
            = from.isEmpty() ? QueryCondition::all() : QueryCondition::period(At(from), At(to));
        const Outcome<QueryTotals> totals = ReadQueryTotals(env.database, RecordKind::Receipts, condition);
        QVERIFY(totals);
        QCOMPARE(totals.value(), RowTotals(env, from.isEmpty() ? u"0"_s : from, from.isEmpty() ? u"9"_s : to));

        // The per-method takings of the same rows, and the kinds' totals from the same days.
        const Outcome<PaymentTotals> payments = ReadPaymentTotals(env.database, condition);
        QVERIFY(payments);
        qint64 count = payments.value().unrecorded.count;
        Money amount = payments.value().unrecorded.amount;
        for (const MethodTotal& method : payments.value().methods) {
            count += method.count;
            amount += method.amount;
        }
        QCOMPARE(count, totals.value().count);
        QCOMPARE(amount, totals.value().amount);
        const Outcome<QueryTotals> technicians
            = ReadQueryTotals(env.database, RecordKind::TechnicianServices, condition);
        const Outcome<QueryTotals> goods = ReadQueryTotals(env.database, RecordKind::GoodsSales, condition);
        QVERIFY(technicians && goods);
        QCOMPARE(technicians.value().count, totals.value().count);
        QCOMPARE(goods.value().count, totals.value().count);
        QCOMPARE(goods.value().sums[0], 2 * totals.value().count);
    }

    void chartsReadTheLedger()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        StoreDays(env);
        const BusinessFigures::Period period { QDate(2026, 12, 6), QDate(2026, 12, 7) };
        const auto methods = BusinessFigures::paymentMethods(env.database, period);
        QVERIFY(methods);
        QStringList labels;
        for (const BusinessFigures::Group& group : methods.value())
            labels << u"%1 %2 %3"_s.arg(group.label, group.amount.text()).arg(group.receipts);
        QCOMPARE(labels, QStringList({ u"现金 42.25 2"_s, u"微信 12.50 1"_s, u"支付宝 0.10 1"_s, u"会员卡 0.00 1"_s }));
        const auto technicians = BusinessFigures::technicians(env.database, period);
        QVERIFY(technicians);
        QCOMPARE(technicians.value().size(), 2);
        QCOMPARE(technicians.value()[0].number, u"07"_s);
        QCOMPARE(technicians.value()[0].clocks, 12);
        QCOMPARE(technicians.value()[0].commission.text(), u"33.33"_s);
        const auto hours = BusinessFigures::hoursOfDay(env.database, period);
        QVERIFY(hours);
        QCOMPARE(hours.value()[18].receipts, 1);
        QCOMPARE(hours.value()[18].amount.text(), u"45.55"_s);
    }

    // The goods' figures of long periods read whole months from the ledger of months, the
    // days around them from the ledger of days and the partial days from the rows: the same
    // figures as the rows of the period, whatever its ends.
    void goodsOfLongPeriodsMatchTheRows_data()
    {
        QTest::addColumn<QDate>("first");
        QTest::addColumn<QDate>("last");
        QTest::newRow("inside a month") << QDate(2026, 11, 2) << QDate(2026, 11, 29);
        QTest::newRow("one month") << QDate(2026, 11, 1) << QDate(2026, 11, 30);
        QTest::newRow("across a month's end") << QDate(2026, 11, 15) << QDate(2026, 12, 15);
        QTest::newRow("days, a month, days") << QDate(2026, 10, 31) << QDate(2027, 1, 1);
        QTest::newRow("months to the end of February") << QDate(2026, 12, 1) << QDate(2027, 2, 28);
        QTest::newRow("a leap February") << QDate(2028, 2, 1) << QDate(2028, 2, 28);
        QTest::newRow("a year") << QDate(2026, 1, 1) << QDate(2028, 12, 31);
        QTest::newRow("start after end") << QDate(2026, 12, 2) << QDate(2026, 12, 1);
    }

    void goodsOfLongPeriodsMatchTheRows()
    {
        QFETCH(QDate, first);
        QFETCH(QDate, last);
        TestEnvironment env;
        QVERIFY(env.isReady());
        const QStringList stamps { u"2026-10-31 23:59:59"_s, u"2026-11-01 00:00:00"_s, u"2026-11-15 12:00:00"_s,
            u"2026-11-30 23:59:59"_s, u"2026-12-01 00:00:00"_s, u"2026-12-31 23:59:59"_s, u"2027-01-01 00:00:00"_s,
            u"2027-02-28 18:00:00"_s, u"2028-02-29 10:00:00"_s };
        env.sql(u"BEGIN"_s);
        for (int i = 0; i < stamps.size(); ++i) {
            // Each row's quantity a power of two, so that the sum says which rows were counted.
            env.sql(u"INSERT INTO spsalay (id, name, counter, jine, time) VALUES (?, ?, ?, ?, ?)"_s,
                { i + 1, i % 2 ? u"啤酒"_s : u"花生"_s, QString::number(1 << i), u"%1.005"_s.arg(i), stamps[i] });
        }
        env.sql(u"COMMIT"_s);
        QMap<QString, std::pair<qint64, Money>> expected;
        const SqlResult rows = env.sql(u"SELECT name, counter, jine FROM spsalay WHERE time>=? AND time<=?"_s,
            { first.toString(Qt::ISODate), QString(last.toString(Qt::ISODate) + u" 23:59:59"_s) });
        for (const QSqlRecord& row : rows.rows) {
            auto& [quantity, amount] = expected[row.value(0).toString()];
            quantity += row.value(1).toLongLong();
            amount += Money::fromText(row.value(2).toString());
        }
        const auto goods = BusinessFigures::goods(env.database, { first, last });
        QVERIFY(goods);
        QMap<QString, std::pair<qint64, Money>> found;
        for (const BusinessFigures::Goods& article : goods.value())
            found[article.name] = { article.quantity, article.amount };
        QCOMPARE(found, expected);
    }

    // The months' ledger follows the rows and the check names the month where it does not.
    void theLedgerOfMonthsIsChecked()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        StoreDays(env);
        const auto everything = TakingsLedger::RowsByMonth(TakingsLedger::GoodsMonths(env.database.dialect()),
            TakingsLedger::Goods(env.database.dialect()), TakingsLedger::Span::everything());
        const QSqlRecord sums
            = env.sql(u"SELECT sum(quantity), sum(amount_fen) FROM (%1) AS ledger_rows"_s.arg(everything.sql),
                     everything.values)
                  .first();
        QCOMPARE(sums.value(0).toLongLong(), 6 * 2);
        QCOMPARE(sums.value(1).toLongLong(), 6 * 1650);
        env.sql(u"UPDATE spsalay SET time='2026-11-30 10:00:00' WHERE id=6"_s);
        QCOMPARE(Differences(env), QStringList());
        env.sql(u"UPDATE ledger_goods_months SET quantity=quantity+1 WHERE month='2026-11'"_s);
        QCOMPARE(Differences(env), QStringList({ u"营业日帐与商品销售(按月)不符: 2026-11"_s }));
        QCOMPARE(TakingsLedger::Rebuild(env.database), QString());
        QCOMPARE(Differences(env), QStringList());
    }

    // A condition the ledger cannot answer is added up on a worker thread; the window is shown
    // and answers the user meanwhile, with "计算中…" in its totals.
    void slowTotalsRunBesideTheWindow()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        StoreDays(env);
        QSemaphore held;
        std::atomic<bool> onWorker = false;
        QThread* gui = QThread::currentThread();
        QueryTotalsReader::setReadGate([&held, &onWorker, gui] {
            onWorker = QThread::currentThread() != gui;
            held.acquire();
        });
        QueryWindow window(RecordKind::TechnicianServices, QueryWindow::Mode::Normal, env.services);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QVERIFY(window.totals().has_value()); // every record: from the ledger, with the list

        WhenDialogOpens<SingleValueQueryDialog>([](SingleValueQueryDialog* dialog) {
            TypeInto(dialog->valueEdit(), u"07"_s);
            Click(dialog, u"okButton"_s);
        });
        Child<QAction>(&window, u"actionTechnician"_s)->trigger();
        QVERIFY(!window.totals().has_value());
        QCOMPARE(window.totalsArea().texts().first().text, u"计算中…"_s);
        QCOMPARE(window.rows().text(0, 3), u"07"_s); // the rows are listed already

        // The GUI thread goes on answering while the total is held on the worker.
        int ticks = 0;
        QTimer ticker;
        connect(&ticker, &QTimer::timeout, [&ticks] { ++ticks; });
        ticker.start(5);
        QTRY_VERIFY(ticks >= 10);
        QTRY_VERIFY(onWorker);
        QVERIFY(!window.totals().has_value());
        for (const QSize size : { QSize(1366, 768), QSize(1024, 768) }) {
            window.resize(size);
            QVERIFY(window.grab().save(TestOutputPath(u"query-totals-pending-%1.png"_s.arg(size.width()))));
        }
        QCOMPARE(window.totalsArea().texts().first().text, u"计算中…"_s);

        held.release();
        QTRY_VERIFY(window.totals().has_value());
        QCOMPARE(window.totals()->count, 5);
        QCOMPARE(window.totals()->amount.text(), u"43.33"_s);
        QCOMPARE(window.totalsArea().texts().first().text, u"记录总数: 5"_s);

        // A read still running when another query is chosen is dropped, never shown over it.
        WhenDialogOpens<SingleValueQueryDialog>([](SingleValueQueryDialog* dialog) {
            TypeInto(dialog->valueEdit(), u"08"_s);
            Click(dialog, u"okButton"_s);
        });
        Child<QAction>(&window, u"actionTechnician"_s)->trigger();
        QVERIFY(!window.totals().has_value());
        held.release();
        Child<QAction>(&window, u"actionAll"_s)->trigger();
        QTRY_VERIFY(window.totals().has_value());
        QCOMPARE(window.totals()->count, 6);
        QTest::qWait(50);
        QCOMPARE(window.totals()->count, 6);
        QueryTotalsReader::setReadGate({});
    }
};

QTEST_MAIN(LedgerTest)
#include "tst_ledger.moc"
