#include "app/Backups.h"
#include "app/Database.h"
#include "app/DatabaseCheck.h"
#include "app/RecordChain.h"
#include "desk/OperatorLog.h"
#include "service/CheckoutDialog.h"
#include "service/ServiceTestData.h"

#include <QComboBox>
#include <QCryptographicHash>
#include <QFile>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

void SettleAt(TestEnvironment& env, const QString& room)
{
    CheckoutDialog checkout(env.services, room);
    Click(&checkout, u"buttonSettle"_s);
    QVERIFY(checkout.isSettled());
}

// Two settled bills with technicians and goods, and their log rows.
void SettleTwoBills(TestEnvironment& env)
{
    PrepareHouse(env);
    OpenRoom(env, u"101"_s, { u"01"_s, u"02"_s }, 2, 1, 0, { { u"啤酒"_s, 3, u"5.5"_s, u"瓶"_s } });
    OpenRoom(env, u"102"_s, { u"03"_s }, 1, 0, 1, { { u"可乐"_s, 2, u"4"_s, u"听"_s } });
    SettleAt(env, u"101"_s);
    SettleAt(env, u"102"_s);
}

int LinkCount(Database& database, const QString& chain)
{
    return database.scalar(u"SELECT count(*) FROM chain_link WHERE chain=?"_s, { chain }).toInt();
}

// The check that walks the chains as the desk runs it: of a file, the whole check of its pages,
// chains and ledger (the daily one from `since`); of a server, the walk of the chains on a
// connection of its own.
DatabaseCheck::Verdict CheckChains(const Database& database, const QDate& since = {})
{
    if (database.server())
        return DatabaseCheck::runChains(database, since);
    return DatabaseCheck::run(database.filePath(), {},
        since.isValid() ? DatabaseCheck::Depth::Quick : DatabaseCheck::Depth::Thorough, DatabaseCheck::Scope::Whole,
        since);
}

QByteArray Bytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A database file of this program with a receipt and a log row, closed.
QString MadeFile(const QTemporaryDir& folder, int version = Database::SchemaVersion)
{
    const QString path = folder.filePath(u"data.db"_s);
    Database database;
    if (!database.create(path, version))
        qFatal("%s", qPrintable(database.lastError()));
    database.exec(u"INSERT INTO Receiptform (id, housnum, alljine, time) VALUES (1, '101', '88.00', "
                  "'2026-12-01 10:00:00')"_s);
    database.exec(u"INSERT INTO salaryform (id, num, name, salary, time) VALUES (1, '01', '技师01', '12', "
                  "'2026-12-01 10:00:00')"_s);
    database.exec(u"INSERT INTO spsalay (id, name, counter, jine, time) VALUES (1, '啤酒', '2', '11.00', "
                  "'2026-12-01 10:00:00')"_s);
    database.exec(u"INSERT INTO operator_log (time, kind, description, amount) VALUES ('2026-12-01 10:00:00', "
                  "'结帐', '101号房结帐', '88.00')"_s);
    database.close();
    return path;
}

} // namespace

// The operator log and the receipts prove themselves: each row carries a link of the chain
// written with it, the thorough check names the first row changed behind the desk's back, and
// the database refuses what would rewrite a row unseen.
class RecordChainTest : public QObject
{
    Q_OBJECT

private slots:
    void everySettledBillAndLogRowIsLinked()
    {
        TestEnvironment env;
        SettleTwoBills(env);
        QCOMPARE(LinkCount(env.database, u"receipt"_s), 2);
        QCOMPARE(
            LinkCount(env.database, u"log"_s), env.database.scalar(u"SELECT count(*) FROM operator_log"_s).toInt());
        QCOMPARE(VerifyChains(env.database), QString());
        const DatabaseCheck::Verdict verdict = CheckChains(env.database);
        QVERIFY(verdict.sound());
        QCOMPARE(verdict.chainBreaks, QStringList());
        QCOMPARE(verdict.receipts, qint64(2));
        QVERIFY(verdict.logRows >= 2);
    }

    // The link is SHA-256 over the encoding the guide documents, then the link before it.
    void theFirstLinkIsTheDocumentedHash()
    {
        TestEnvironment env;
        env.clock.set(QDateTime(QDate(2026, 12, 7), QTime(10, 0)));
        QVERIFY(OperatorLog(env.database, env.session).write({ .kind = u"结帐"_s, .description = u"x"_s }).isEmpty());
        QByteArray content;
        const auto field = [&](const QByteArray& text) {
            const quint32 size = static_cast<quint32>(text.size());
            content += char(size >> 24);
            content += char(size >> 16);
            content += char(size >> 8);
            content += char(size);
            content += text;
        };
        const QByteArrayList fields { "1", "2026-12-07 10:00:00", "结帐", "", "-1", "", "-1", "", "0", "x", "" };
        field("operator_log");
        field("11");
        for (const QByteArray& text : fields)
            field(text);
        content += QByteArray(32, '\0');
        const QByteArray expected = QCryptographicHash::hash(content, QCryptographicHash::Sha256).toHex();
        QCOMPARE(env.database.scalar(u"SELECT link FROM chain_link WHERE chain='log' AND position=1"_s)
                     .toString()
                     .toLatin1(),
            expected);
    }

    // Rows changed with a database tool, once the triggers that protect them were dropped:
    // the check names the first row of each chain that no longer matches, with what it holds.
    void rowsChangedBehindTheDesksBackAreNamed()
    {
        TestEnvironment env;
        SettleTwoBills(env);
        env.sql(u"DROP TRIGGER operator_log_kept"_s);
        env.sql(u"UPDATE operator_log SET amount='1.00' WHERE id=(SELECT min(id) FROM operator_log)"_s);
        env.sql(u"UPDATE Receiptform SET alljine='9.99' WHERE id=2"_s);

        const DatabaseCheck::Verdict verdict = CheckChains(env.database);
        QVERIFY(verdict.sound()); // the pages are sound: it is not damage
        QCOMPARE(verdict.chainBreaks.size(), 2);
        QVERIFY2(verdict.chainBreaks[0].startsWith(u"操作日志第1条(2026-12-07 10:00:00,结帐,"_s)
                && verdict.chainBreaks[0].contains(u"金额 1.00"_s),
            qPrintable(verdict.chainBreaks[0]));
        QVERIFY2(verdict.chainBreaks[1].startsWith(u"单据2(2026-12-07 10:00:00,102号房,合计 9.99)与校验链不符"_s),
            qPrintable(verdict.chainBreaks[1]));
        QVERIFY(DatabaseCheck::chainReport(verdict).contains(u"单据2"_s));

        // A changed goods line of a bill counts as a change of the bill.
        TestEnvironment other;
        SettleTwoBills(other);
        other.sql(u"UPDATE spsalay SET jine='0.00' WHERE id=1"_s);
        const DatabaseCheck::Verdict goods = CheckChains(other.database);
        QCOMPARE(goods.chainBreaks.size(), 1);
        QVERIFY2(goods.chainBreaks[0].startsWith(u"单据1("_s), qPrintable(goods.chainBreaks[0]));
    }

    // The daily check walks what was written since the day of the last one, from the stored
    // link before it; the weekly walk from the first row finds an older change too.
    void theDailyWalkCoversTheDaysSinceTheLastCheck()
    {
        TestEnvironment env;
        SettleTwoBills(env); // on 2026-12-07
        env.clock.set(env.clock.now().addDays(2));
        OpenRoom(env, u"103"_s, { u"04"_s }, 1);
        SettleAt(env, u"103"_s);
        OpenRoom(env, u"105"_s, { u"05"_s }, 2, 0, 0, { { u"啤酒"_s, 1, u"5.5"_s, u"瓶"_s } });
        SettleAt(env, u"105"_s);
        const QDate checked = env.clock.now().date();
        const auto check = [&env](const QDate& since) { return CheckChains(env.database, since); };
        {
            const DatabaseCheck::Verdict recent = check(checked);
            QCOMPARE(recent.chainBreaks, QStringList());
            QCOMPARE(recent.receipts, qint64(2)); // the bills of that day alone
            QVERIFY(recent.logRows >= 2);
            QVERIFY(recent.logRows < check({}).logRows);
        }

        env.sql(u"UPDATE Receiptform SET alljine='1.00' WHERE id=1"_s); // an older bill
        QCOMPARE(check(checked).chainBreaks, QStringList());
        QCOMPARE(check({}).chainBreaks.size(), 1);

        env.sql(u"UPDATE spsalay SET jine='0.00' WHERE id=4"_s); // a goods line of the last bill
        const QStringList breaks = check(checked).chainBreaks;
        QCOMPARE(breaks.size(), 1);
        QVERIFY2(breaks[0].startsWith(u"单据4("_s), qPrintable(breaks[0]));
        // A day with nothing written walks no row.
        const DatabaseCheck::Verdict later = check(checked.addDays(1));
        QCOMPARE(later.receipts, qint64(0));
        QCOMPARE(later.chainBreaks, QStringList());
        // The last bill deleted: its link is still walked, even from a day with no row.
        env.sql(u"DELETE FROM Receiptform WHERE id=4"_s);
        for (const QDate& since : { checked, checked.addDays(1) }) {
            const QStringList found = check(since).chainBreaks;
            QVERIFY2(found.value(0).startsWith(u"单据4已被删除"_s), qPrintable(found.value(0)));
        }
    }

    // A receipt deleted, and one slipped in with a tool, are both named; the rows after them
    // still prove themselves.
    void deletedAndAddedRowsAreNamed()
    {
        TestEnvironment env;
        SettleTwoBills(env);
        OpenRoom(env, u"103"_s, { u"04"_s }, 1);
        SettleAt(env, u"103"_s);
        env.sql(u"DELETE FROM Receiptform WHERE id=2"_s);
        env.sql(u"INSERT INTO Receiptform (id, housnum, alljine, time) VALUES (9, '108', '500.00', "
                "'2026-12-07 11:00:00')"_s);
        const QStringList breaks = CheckChains(env.database).chainBreaks;
        QCOMPARE(breaks.size(), 1);
        QVERIFY2(breaks[0].startsWith(u"单据2已被删除"_s), qPrintable(breaks[0]));
        QVERIFY2(breaks[0].endsWith(u"此后还有 1 处不符"_s), qPrintable(breaks[0]));
        QVERIFY(!VerifyChains(env.database).isEmpty());
    }

    // REPLACE would delete the stored row without running the trigger that refuses a deletion.
    void aReplaceOfAChainedRowIsRefused()
    {
        TestEnvironment env;
        SettleTwoBills(env);
        const auto refused = [&](const QString& statement) {
            const SqlResult result = env.database.exec(statement);
            return !result.ok();
        };
        const QString logBefore = env.database.scalar(u"SELECT amount FROM operator_log WHERE id=1"_s).toString();
        QVERIFY(
            refused(u"INSERT OR REPLACE INTO operator_log (id, time, kind, amount) VALUES (1, 'x', '结帐', '1')"_s));
        QVERIFY(refused(u"REPLACE INTO operator_log (id, time, kind, amount) VALUES (1, 'x', '结帐', '1')"_s));
        if (!TestsOnServer()) { // a server knows no REPLACE, and no switch for triggers within triggers
            env.sql(u"PRAGMA recursive_triggers=ON"_s);
            QVERIFY(refused(u"REPLACE INTO operator_log (id, time, kind, amount) VALUES (1, 'x', '结帐', '1')"_s));
            env.sql(u"PRAGMA recursive_triggers=OFF"_s);
        }
        QCOMPARE(env.database.scalar(u"SELECT amount FROM operator_log WHERE id=1"_s).toString(), logBefore);

        QVERIFY(refused(u"REPLACE INTO Receiptform (id, alljine, time) VALUES (1, '1.00', 'x')"_s));
        QVERIFY(refused(u"REPLACE INTO salaryform (rowid, id, salary, time) VALUES (1, 1, '0', 'x')"_s));
        QVERIFY(refused(u"REPLACE INTO spsalay (rowid, id, jine, time) VALUES (1, 1, '0', 'x')"_s));
        QVERIFY(refused(u"REPLACE INTO chain_link (chain, position, link) VALUES ('receipt', 1, 'x')"_s));
        QVERIFY(refused(u"UPDATE chain_link SET link='x'"_s));
        QVERIFY(refused(u"DELETE FROM chain_link"_s));
        QCOMPARE(VerifyChains(env.database), QString());
    }

    // A file whose protective triggers are missing, changed, or joined by one of another hand is
    // refused at the start like a file with an unknown column, and left as it was.
    void aFileWithDifferentTriggersIsRefused_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("named");
        QTest::newRow("dropped") << u"DROP TRIGGER operator_log_not_deleted"_s << u"operator_log_not_deleted"_s;
        QTest::newRow("added") << u"CREATE TRIGGER halve AFTER INSERT ON Receiptform BEGIN UPDATE Receiptform "
                                  "SET alljine=alljine/2 WHERE id=NEW.id; END"_s
                               << u"halve"_s;
        QTest::newRow("changed") << u"DROP TRIGGER operator_log_kept|CREATE TRIGGER operator_log_kept BEFORE "
                                    "UPDATE OF description ON operator_log BEGIN SELECT RAISE(ABORT, 'no'); END"_s
                                 << u"operator_log_kept"_s;
    }

    void aFileWithDifferentTriggersIsRefused()
    {
        QFETCH(QString, change);
        QFETCH(QString, named);
        QTemporaryDir folder;
        const QString path = MadeFile(folder);
        {
            Database database;
            QVERIFY(database.open(path));
            for (const QString& statement : change.split(u'|'))
                QVERIFY2(database.exec(statement).ok(), qPrintable(statement));
            QVERIFY(database.closeIntoOneFile().isEmpty());
        }
        const QByteArray before = Bytes(path);
        Database database;
        QVERIFY(!database.open(path));
        QCOMPARE(database.problem(), DatabaseProblem::Foreign);
        QVERIFY2(database.problemDetail().contains(named), qPrintable(database.problemDetail()));
        database.close();
        QCOMPARE(Bytes(path), before);
        QVERIFY(!QFile::exists(path + u"-wal"_s) || QFileInfo(path + u"-wal"_s).size() == 0);
    }

    // The rows kept before the chains began get their links when the file is brought up to
    // date, and the next bill links on to them.
    void anEarlierFileGainsItsLinks()
    {
        QTemporaryDir folder;
        const QString path = MadeFile(folder, 5);
        Database database;
        QVERIFY2(database.open(path), qPrintable(database.lastError()));
        QCOMPARE(LinkCount(database, u"receipt"_s), 1);
        QCOMPARE(LinkCount(database, u"log"_s), 1);
        QCOMPARE(VerifyChains(database), QString());
        database.exec(u"INSERT INTO Receiptform (id, housnum, alljine, time) VALUES (2, '102', '40.00', 'y')"_s);
        QVERIFY(RecordChain::link(database, RecordChain::Chain::Receipts, 2).isEmpty());
        QCOMPARE(VerifyChains(database), QString());
        database.exec(u"UPDATE salaryform SET salary='99' WHERE id=1"_s);
        QVERIFY(VerifyChains(database).contains(u"单据1("_s));
    }

    // A backup whose rows were changed outside the desk is not put in place.
    void aRestoreRefusesABackupWithABrokenChain()
    {
        QTemporaryDir folder;
        const QString path = MadeFile(folder, 5); // its rows are linked when it is brought up to date
        const QString candidate = folder.filePath(u"candidate.db"_s);
        QCOMPARE(Backups::prepareRestore(path, candidate).error, QString());
        QVERIFY(QFile::remove(candidate));
        {
            Database database;
            QVERIFY(database.open(path));
            database.exec(u"UPDATE Receiptform SET alljine='8.00' WHERE id=1"_s);
            QVERIFY(database.closeIntoOneFile().isEmpty());
        }
        const QString error = Backups::prepareRestore(path, candidate).error;
        QVERIFY2(error.contains(u"单据1(2026-12-01 10:00:00,101号房,合计 8.00)"_s), qPrintable(error));
        QVERIFY(!QFile::exists(candidate));
    }
};

QTEST_MAIN(RecordChainTest)
#include "tst_recordchain.moc"
