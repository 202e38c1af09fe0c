#include "app/TextFormat.h"
#include "schedule/ShiftRotation.h"
#include "support/TestEnvironment.h"

#include <QtTest>

using namespace Qt::StringLiterals;

// The start-up swap of early and late shifts.
class ShiftRotationTest : public QObject
{
    Q_OBJECT

private:
    static const QDateTime& now()
    {
        static const QDateTime moment(QDate(2026, 12, 7), QTime(9, 30, 0));
        return moment;
    }

    void prepare(TestEnvironment& env, int spaceday, const QDateTime& lastSwap)
    {
        env.sql(QStringLiteral("UPDATE wtimechgcondition SET spaceday=?, time=? WHERE id=1"),
            { spaceday, DateTimeText(lastSwap) });
        env.addStaff(u"01"_s, u"早"_s, u"技师"_s, 100, 0);
        env.addStaff(u"02"_s, u"晚"_s, u"技师"_s, 100, 1);
        env.addStaff(u"03"_s, u"无"_s, u"技师"_s, 100, 100);
    }

    static QString shifts(TestEnvironment& env)
    {
        return JoinedRows(env.database, QStringLiteral("SELECT workstatus FROM worksinfo ORDER BY str1"));
    }

private slots:
    void rule_data()
    {
        QTest::addColumn<int>("spaceday");
        QTest::addColumn<qint64>("secondsAgo");
        QTest::addColumn<bool>("swaps");
        QTest::newRow("daily, 23 hours") << 1 << qint64(23 * 3600) << false;
        QTest::newRow("daily, 24 hours") << 1 << qint64(24 * 3600) << true;
        QTest::newRow("weekly, 6 days 23 hours") << 2 << qint64(7 * 86400 - 3600) << false;
        QTest::newRow("weekly, 7 days") << 2 << qint64(7 * 86400) << true;
        QTest::newRow("never, 1 year") << 0 << qint64(365 * 86400) << false;
    }

    void rule()
    {
        QFETCH(int, spaceday);
        QFETCH(qint64, secondsAgo);
        QFETCH(bool, swaps);
        TestEnvironment env;
        const QDateTime last = now().addSecs(-secondsAgo);
        prepare(env, spaceday, last);

        const ShiftRotationOutcome outcome = ShiftRotation(env.database, now());
        QVERIFY(outcome.error.isEmpty());
        QCOMPARE(outcome.swapped, swaps);
        QCOMPARE(shifts(env), swaps ? QStringLiteral("1,0,100") : QStringLiteral("0,1,100"));
        QCOMPARE(env.database.scalar(QStringLiteral("SELECT time FROM wtimechgcondition WHERE id=1")).toString(),
            DateTimeText(swaps ? now() : last));
    }

    void aMissingRuleRowDoesNothing()
    {
        TestEnvironment env;
        prepare(env, 1, now().addDays(-3));
        env.sql(QStringLiteral("DELETE FROM wtimechgcondition"));
        const ShiftRotationOutcome outcome = ShiftRotation(env.database, now());
        QVERIFY(!outcome.swapped);
        QVERIFY(outcome.error.isEmpty());
        QCOMPARE(shifts(env), QStringLiteral("0,1,100"));
    }

    void aDatabaseErrorIsReportedAndNothingIsHalfDone()
    {
        TestEnvironment env;
        prepare(env, 1, now().addDays(-3));
        // A trigger that refuses the stamp makes the second write fail after the first.
        env.sql(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON wtimechgcondition BEGIN SELECT RAISE(ABORT, "
                               "'stamp refused'); END"));
        const ShiftRotationOutcome outcome = ShiftRotation(env.database, now());
        QVERIFY(!outcome.swapped);
        QVERIFY(outcome.error.contains(QStringLiteral("stamp refused")));
        QCOMPARE(shifts(env), QStringLiteral("0,1,100"));
    }
};

QTEST_MAIN(ShiftRotationTest)
#include "tst_shiftrotation.moc"
