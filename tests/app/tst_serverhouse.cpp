// A house kept on a PostgreSQL server: made once on an empty database and never over another,
// opened with the checks a file gets (version, shape of the tables, a write), and holding the
// same promises: the log and the links refuse a change, the daily ledger follows the receipts,
// the chains are written and walked. Every case needs the server `make test` starts.

#include "app/Database.h"
#include "app/RecordChain.h"
#include "app/Schema.h"
#include "app/SqlTransaction.h"
#include "app/TakingsLedger.h"
#include "support/ServerFixture.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// Runs `sql` on the fixture's own connection, past the desk; the error text.
QString runByHand(const ServerFixture& server, const QString& sql)
{
    QSqlQuery query(server.database());
    if (query.exec(sql))
        return {};
    return query.lastError().text();
}

qint64 number(Database& database, const QString& sql, const QVariantList& values = {})
{
    QString error;
    const QVariant value = database.scalar(sql, values, &error);
    if (!error.isEmpty())
        qWarning("%s: %s", qPrintable(sql), qPrintable(error));
    return value.toLongLong();
}

} // namespace

class tst_ServerHouse : public QObject
{
    Q_OBJECT

private slots:
    void aHouseIsMadeOnlyOnAnEmptyDatabase();
    void aHouseThatDiffersFromItsVersionIsRefused();
    void theLogAndTheLinksCannotBeChanged();
    void theLedgerAndTheChainsFollowTheReceipts();
    void newRowsGetTheirKeys();
};

void tst_ServerHouse::aHouseIsMadeOnlyOnAnEmptyDatabase()
{
    TAVREL_SKIP_WITHOUT_SERVER();
    ServerFixture server;
    QVERIFY2(server.ok(), qPrintable(server.error()));

    Database desk;
    QVERIFY(!desk.openServer(server.address()));
    QCOMPARE(desk.problem(), DatabaseProblem::NoHouse);
    QVERIFY2(desk.lastError().contains(u"--create-house"_s), qPrintable(desk.lastError()));

    QVERIFY2(desk.createHouse(server.address()), qPrintable(desk.lastError()));
    QCOMPARE(desk.dialect().engine(), SqlEngine::Postgres);
    QString error;
    QCOMPARE(desk.schemaVersion(&error), Database::SchemaVersion);
    QCOMPARE(number(desk, u"SELECT count(*) FROM adm WHERE logoid=?"_s, { Schema::DeliveredLogin.toString() }), 1);
    QCOMPARE(number(desk, u"SELECT count(*) FROM authority"_s), 4);
    QCOMPARE(number(desk, u"SELECT count(*) FROM desk_day WHERE id=1"_s), 1);
    desk.close();

    // Made again: refused, and nothing of the house changes.
    QVERIFY2(runByHand(server, u"INSERT INTO worksinfo (str1, str2) VALUES ('007', '小红')"_s).isEmpty(), "insert");
    Database second;
    QVERIFY(!second.createHouse(server.address()));
    QCOMPARE(second.problem(), DatabaseProblem::NotEmpty);
    QVERIFY2(second.openServer(server.address()), qPrintable(second.lastError()));
    QCOMPARE(number(second, u"SELECT count(*) FROM worksinfo"_s), 1);
    QCOMPARE(number(second, u"SELECT count(*) FROM adm"_s), 1);

    // A database that holds anything else is no place for a house either.
    ServerFixture other;
    QVERIFY2(other.ok(), qPrintable(other.error()));
    QVERIFY(runByHand(other, u"CREATE TABLE stock (name text)"_s).isEmpty());
    Database third;
    QVERIFY(!third.createHouse(other.address()));
    QCOMPARE(third.problem(), DatabaseProblem::NotEmpty);
    QVERIFY(!third.openServer(other.address()));
    QCOMPARE(third.problem(), DatabaseProblem::Foreign);
    QVERIFY2(third.lastError().contains(u"stock"_s), qPrintable(third.lastError()));
}

void tst_ServerHouse::aHouseThatDiffersFromItsVersionIsRefused()
{
    TAVREL_SKIP_WITHOUT_SERVER();
    const struct
    {
        const char* change;
        const char* named; // what the refusal names
    } changes[] = {
        { "DROP TRIGGER operator_log_kept ON operator_log", "operator_log_kept" },
        { "ALTER TABLE Receiptform ADD COLUMN note text", "note" },
        { "CREATE OR REPLACE FUNCTION tavrel_fen(amount text) RETURNS bigint LANGUAGE sql AS 'SELECT 0::bigint'",
            "tavrel_fen" },
        { "ALTER TABLE salaryform ALTER COLUMN salary DROP NOT NULL", "salary" },
        { "DROP INDEX receiptform_number", "receiptform_number" },
    };
    for (const auto& change : changes) {
        ServerFixture server;
        QVERIFY2(server.ok(), qPrintable(server.error()));
        {
            Database maker;
            QVERIFY2(maker.createHouse(server.address()), qPrintable(maker.lastError()));
        }
        const QString failed = runByHand(server, QString::fromUtf8(change.change));
        QVERIFY2(failed.isEmpty(), qPrintable(failed));
        Database desk;
        QVERIFY2(!desk.openServer(server.address()), change.change);
        QCOMPARE(desk.problem(), DatabaseProblem::Foreign);
        QVERIFY2(desk.lastError().contains(QString::fromUtf8(change.named)), qPrintable(desk.lastError()));
    }

    // A house of a later version is left to the program that made it.
    ServerFixture server;
    QVERIFY2(server.ok(), qPrintable(server.error()));
    {
        Database maker;
        QVERIFY2(maker.createHouse(server.address()), qPrintable(maker.lastError()));
    }
    QVERIFY(runByHand(server, u"UPDATE tavrel_schema SET version=version+1"_s).isEmpty());
    Database desk;
    QVERIFY(!desk.openServer(server.address()));
    QCOMPARE(desk.problem(), DatabaseProblem::TooNew);
}

void tst_ServerHouse::theLogAndTheLinksCannotBeChanged()
{
    TAVREL_SKIP_WITHOUT_SERVER();
    ServerFixture server;
    QVERIFY2(server.ok(), qPrintable(server.error()));
    Database desk;
    QVERIFY2(desk.createHouse(server.address()), qPrintable(desk.lastError()));
    {
        SqlTransaction action(desk);
        const Outcome<qint64> row = desk.insert(
            u"INSERT INTO operator_log (time, kind, description) VALUES ('2026-12-08 10:00:00', '登录', 'admin')"_s);
        QVERIFY2(row, qPrintable(row.text()));
        QCOMPARE(RecordChain::link(desk, RecordChain::Chain::OperatorLog, row.value()), QString());
        QVERIFY(action.commit());
    }

    const struct
    {
        const char* sql;
        const char* refusal;
    } attempts[] = {
        { "UPDATE operator_log SET description='x'", "操作日志不能修改" },
        { "DELETE FROM operator_log", "操作日志不能删除" },
        { "TRUNCATE operator_log", "操作日志不能删除" },
        { "UPDATE chain_link SET link='0'", "校验链不能修改" },
        { "DELETE FROM chain_link", "校验链不能删除" },
        { "TRUNCATE chain_link", "校验链不能删除" },
    };
    for (const auto& attempt : attempts) {
        const SqlResult result = desk.execAsWritten(QString::fromUtf8(attempt.sql));
        QVERIFY2(!result.ok(), attempt.sql);
        // The fixture's user is the server's superuser, whom no right is refused: the
        // trigger alone speaks here.
        QVERIFY2(result.error.contains(QString::fromUtf8(attempt.refusal)), qPrintable(result.error));
    }
    QCOMPARE(number(desk, u"SELECT count(*) FROM operator_log"_s), 1);

    // The house's own role has lost the right to change them as well.
    QCOMPARE(number(desk,
                 u"SELECT count(*) FROM information_schema.role_table_grants WHERE table_name IN "
                 "('operator_log', 'chain_link') AND privilege_type IN ('UPDATE', 'DELETE', 'TRUNCATE')"_s),
        0);
}

void tst_ServerHouse::theLedgerAndTheChainsFollowTheReceipts()
{
    TAVREL_SKIP_WITHOUT_SERVER();
    ServerFixture server;
    QVERIFY2(server.ok(), qPrintable(server.error()));
    Database desk;
    QVERIFY2(desk.createHouse(server.address()), qPrintable(desk.lastError()));

    // Three receipts of one day with amounts as odd as hands write them: 12.50 + 2.68 + 1.01.
    const QStringList amounts { u"12.5元"_s, u"2.675"_s, u"1.005"_s };
    for (int i = 0; i < amounts.size(); ++i) {
        SqlTransaction settlement(desk);
        QVERIFY(desk.exec(u"INSERT INTO Receiptform (id, housnum, alljine, paymethod, paytype, time) "
                          "VALUES (?, '8', ?, '现金', '普通', ?)"_s,
                        { i + 1, amounts[i], u"2026-12-08 1%1:00:00"_s.arg(i) })
                    .ok());
        QVERIFY(desk.exec(u"INSERT INTO salaryform (id, num, name, massagetime, salary, time) "
                          "VALUES (?, '007', '小红', '1', '3.5', ?)"_s,
                        { i + 1, u"2026-12-08 1%1:00:00"_s.arg(i) })
                    .ok());
        QCOMPARE(RecordChain::link(desk, RecordChain::Chain::Receipts, i + 1), QString());
        QVERIFY(settlement.commit());
    }
    const QString day = u"SELECT amount_fen, receipts FROM ledger_receipt_days WHERE day='2026-12-08'"_s;
    SqlResult held = desk.exec(day);
    QVERIFY2(held.ok(), qPrintable(held.error));
    QCOMPARE(held.first().value(0).toLongLong(), 1250 + 268 + 101);
    QCOMPARE(held.first().value(1).toLongLong(), 3);
    QCOMPARE(number(desk, u"SELECT commission_fen FROM ledger_technicians WHERE num='007'"_s), 1050);
    QCOMPARE(number(desk, u"SELECT %1 FROM Receiptform"_s.arg(desk.dialect().fenSum(u"alljine"_s))), 1619);

    QSqlDatabase connection = desk.connection();
    QString error;
    QCOMPARE(TakingsLedger::Differences(connection, &error), QStringList());
    QCOMPARE(error, QString());
    RecordChain::Verdict verdict = RecordChain::verify(connection);
    QVERIFY2(verdict.whole(), qPrintable(verdict.summary()));
    QCOMPARE(verdict.receipts, 3);

    // A receipt changed by hand: the ledger follows the row, the chain finds the change.
    QVERIFY(desk.exec(u"UPDATE Receiptform SET alljine='20' WHERE id=2"_s).ok());
    held = desk.exec(day);
    QCOMPARE(held.first().value(0).toLongLong(), 1250 + 2000 + 101);
    QCOMPARE(TakingsLedger::Differences(connection, &error), QStringList());
    verdict = RecordChain::verify(connection);
    QVERIFY(!verdict.whole());
    QCOMPARE(verdict.breaks.size(), 1);

    // The ledger itself changed by hand is found by the comparison with the rows.
    QVERIFY(desk.exec(u"UPDATE ledger_receipt_days SET amount_fen=amount_fen+1"_s).ok());
    const QStringList differences = TakingsLedger::Differences(connection, &error);
    QCOMPARE(error, QString());
    QCOMPARE(differences.size(), 1);
    QVERIFY2(differences.first().contains(u"2026-12-08"_s), qPrintable(differences.first()));
}

void tst_ServerHouse::newRowsGetTheirKeys()
{
    TAVREL_SKIP_WITHOUT_SERVER();
    ServerFixture server;
    QVERIFY2(server.ok(), qPrintable(server.error()));
    Database desk;
    QVERIFY2(desk.createHouse(server.address()), qPrintable(desk.lastError()));
    // A table without a key of its own, and one whose id is its key, as on a file.
    for (int expected = 1; expected <= 2; ++expected) {
        const Outcome<qint64> technician = desk.insert(u"INSERT INTO worksinfo (str1) VALUES (?)"_s, { expected });
        QVERIFY2(technician, qPrintable(technician.text()));
        QCOMPARE(technician.value(), expected);
    }
    const Outcome<qint64> logged
        = desk.insert(u"INSERT INTO operator_log (time, kind) VALUES ('2026-12-08 09:00:00', '登录')"_s);
    QVERIFY2(logged, qPrintable(logged.text()));
    QCOMPARE(number(desk, u"SELECT id FROM operator_log WHERE %1=?"_s.arg(desk.dialect().rowKey()), { logged.value() }),
        logged.value());
    // Text sorts byte by byte, as in a file, whatever the server's language.
    QVERIFY(desk.exec(u"INSERT INTO worksinfo (str1) VALUES ('a'), ('B'), ('_c')"_s).ok());
    const SqlResult sorted = desk.exec(u"SELECT str1 FROM worksinfo ORDER BY str1"_s);
    QStringList order;
    for (const QSqlRecord& row : sorted.rows)
        order << row.value(0).toString();
    QCOMPARE(order, (QStringList { u"1"_s, u"2"_s, u"B"_s, u"_c"_s, u"a"_s }));
}

QTEST_GUILESS_MAIN(tst_ServerHouse)
#include "tst_serverhouse.moc"
