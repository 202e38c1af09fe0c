#include "app/Database.h"
#include "support/TestEnvironment.h"
#include "users/AccountStore.h"
#include "users/PasswordHash.h"
#include "users/Roles.h"

#include <QtTest>

using namespace Qt::StringLiterals;

// A login takes the same work whether the account exists or not, so its time tells nobody
// which accounts there are: every attempt computes exactly one password hash.
class LoginTimingTest : public QObject
{
    Q_OBJECT

private slots:
    void everyLoginComputesOneHash_data()
    {
        QTest::addColumn<QString>("account");
        QTest::addColumn<QString>("password");
        QTest::addColumn<bool>("matched");
        QTest::newRow("known account, right password") << u"lily"_s << u"secret"_s << true;
        QTest::newRow("known account, wrong password") << u"lily"_s << u"guess"_s << false;
        QTest::newRow("unknown account") << u"nobody"_s << u"guess"_s << false;
        QTest::newRow("unknown account, empty password") << u"nobody"_s << QString() << false;
        QTest::newRow("account stored before hashing, right password") << u"old"_s << u"plain"_s << true;
        QTest::newRow("account stored before hashing, wrong password") << u"old"_s << u"guess"_s << false;
    }

    void everyLoginComputesOneHash()
    {
        QFETCH(QString, account);
        QFETCH(QString, password);
        QFETCH(bool, matched);
        TestEnvironment env;
        QVERIFY(env.isReady());
        AccountStore accounts(env.database);
        QVERIFY(accounts.add(Cashier, u"lily"_s, u"secret"_s, u"莉莉"_s).done);
        env.sql(u"INSERT INTO cashier (logoid, password, name) VALUES ('old', 'plain', '老王')"_s);

        const int before = PasswordHash::verificationCount();
        const LoginCheck check = accounts.check(Cashier, account, password);
        QCOMPARE(PasswordHash::verificationCount() - before, 1);
        QCOMPARE(check.matched, matched);
        QVERIFY(check.error.isEmpty());
    }

    // The hash an unknown account is checked against is one of the real kind: it costs what a
    // real one costs, and no password opens it.
    void theUnknownAccountHashIsOfTheRealKind()
    {
        QVERIFY(!PasswordHash::verifyUnknown(QString()));
        const QString real = PasswordHash::hash(u"x"_s);
        QVERIFY(PasswordHash::looksHashed(real));
        QVERIFY(real.startsWith(u"$argon2id$v=19$m=65536,t=2,p=1$"_s));
    }
};

QTEST_MAIN(LoginTimingTest)
#include "tst_logintiming.moc"
