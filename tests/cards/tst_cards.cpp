// The stored-value member cards: top-ups with their bonus, payments from the card (principal
// or bonus first), 退卡, 补卡, 挂失, 调整 and passwords; the ledger that can only grow, its chain
// and the proof of the cached balances; two desks paying from one card at once; a desk killed
// in the middle of a top-up or of a settlement paid from the card; hostile input.
//
// The test runs itself again as another desk:
//     tst_cards --child <place> <scenario> <card>
// where place is "file:<path>" or "server:<address>"; the desk says "ready", waits for "go"
// where it races and says what it did.

#include "app/CardBalanceProof.h"
#include "app/Database.h"
#include "app/DatabaseCheck.h"
#include "app/HouseSettings.h"
#include "app/RecordChain.h"
#include "app/ServerAddress.h"
#include "app/SqlTransaction.h"
#include "app/TakingsLedger.h"
#include "cards/CardDesk.h"
#include "cards/CardLedger.h"
#include "cards/CardSettings.h"
#include "desk/DeskSession.h"
#include "desk/OperatorLog.h"
#include "printing/SlipLayout.h"
#include "printing/ThermalSlip.h"
#include "service/Settlement.h"
#include "support/ManualClock.h"
#include "support/TestEnvironment.h"

#include <QProcess>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <iostream>

using namespace Qt::StringLiterals;

namespace {

const QDateTime Noon(QDate(2026, 12, 7), QTime(12, 0));
const Authoriser Manager { u"admin"_s, 3, u"总经理"_s };

void AddMember(TestEnvironment& env, const QString& card, const QString& name, const QString& phone = {})
{
    env.sql(u"INSERT INTO huiyeninfo (str1, str2, str5) VALUES (?, ?, ?)"_s, { card, name, phone });
}

void AddRule(TestEnvironment& env, qint64 thresholdYuan, qint64 bonusYuan)
{
    env.sql(
        u"INSERT INTO topup_rule (threshold_fen, bonus_fen) VALUES (?, ?)"_s, { thresholdYuan * 100, bonusYuan * 100 });
}

CardBalance Balance(qint64 principalFen, qint64 bonusFen)
{
    return { Money::fromFen(principalFen), Money::fromFen(bonusFen) };
}

// Pays in a transaction of its own, as the checkout will.
Outcome<CardBalance> PayIn(Database& database, const QString& card, Money amount, qint64 receipt)
{
    SqlTransaction transaction(database);
    if (!transaction.isActive())
        return Failure { transaction.error() };
    CardLedger ledger(database);
    Outcome<CardBalance> paid = ledger.pay(card, amount, receipt, Noon, u"c1"_s);
    if (paid && !transaction.commit())
        return Failure { transaction.error() };
    return paid;
}

QStringList Proof(Database& database)
{
    QString error;
    const QStringList lines = CardBalanceDifferences(database.connection(), &error);
    if (!error.isEmpty())
        return { u"error: "_s + error };
    return lines;
}

// The rows `sql` reads: columns joined by ",", rows by "|".
QString Rows(Database& database, const QString& sql, const QVariantList& values = {})
{
    const SqlResult result = database.exec(sql, values);
    if (!result.ok())
        return u"error: "_s + result.error;
    QStringList rows;
    for (const QSqlRecord& row : result.rows) {
        QStringList columns;
        for (int i = 0; i < row.count(); ++i)
            columns << row.value(i).toString();
        rows << columns.join(u',');
    }
    return rows.join(u'|');
}

qint64 Count(Database& database, const QString& sql, const QVariantList& values = {})
{
    return database.scalar(sql, values).toLongLong();
}

QString DropTrigger(Database& database, const QString& trigger, const QString& table)
{
    return database.dialect().isSqlite() ? u"DROP TRIGGER %1"_s.arg(trigger)
                                         : u"DROP TRIGGER %1 ON %2"_s.arg(trigger, table);
}

// --- the other desk ----------------------------------------------------------------------------

int runChild(const QStringList& arguments)
{
    if (arguments.size() < 3)
        return 2;
    const QString place = arguments[0];
    const QString scenario = arguments[1];
    const QString card = arguments[2];
    ManualClock clock(Noon);
    Database database;
    bool opened = false;
    if (place.startsWith(u"server:"_s)) {
        const Outcome<ServerAddress> address = ServerAddress::parse(place.mid(7));
        opened = address && database.openServer(address.value());
    } else {
        opened = database.open(place.mid(5));
    }
    if (!opened) {
        std::cout << "failed " << database.lastError().toStdString() << std::endl;
        return 1;
    }
    DeskSession session(database, clock);
    if (!session.restore()) {
        std::cout << "failed restore" << std::endl;
        return 1;
    }
    if (scenario == u"pay"_s) {
        CardLedger ledger(database);
        const Outcome<CardAccount> before = ledger.account(card); // both desks read 500 first
        std::cout << "ready " << (before ? before.value().balance.total().text().toStdString() : "?") << std::endl;
        std::string go;
        std::getline(std::cin, go);
        const Outcome<CardBalance> paid = PayIn(database, card, Money::fromYuan(300), 1);
        if (paid)
            std::cout << "paid " << paid.value().total().text().toStdString() << std::endl;
        else
            std::cout << "refused " << paid.text().toStdString() << std::endl;
        return 0;
    }
    if (scenario == u"settlements"_s) {
        // Bills of one massage clock at 40.00 paid from the card, one after another.
        std::cout << "settling" << std::endl;
        for (int i = 0;; ++i) {
            OpenBill bill;
            bill.startTime = clock.now();
            bill.massageClocks = 1;
            if (!session.openBill(u"101"_s, bill)) {
                std::cout << "failed open" << std::endl;
                return 1;
            }
            SettlementRequest request;
            request.room = u"101"_s;
            request.prices
                = { Decimal::whole(40), Decimal::whole(30), Decimal::whole(20), Decimal::whole(5), Decimal::whole(1) };
            request.payType = card;
            request.method = PaymentMethod::MemberCard;
            request.billTime = clock.now();
            request.cashier = u"c1"_s;
            const Outcome<SettledBill> settled = Settlement(database, session).settle(request);
            if (!settled) {
                std::cout << "refused " << settled.text().toStdString() << std::endl;
                return 1;
            }
            if (i == 0)
                std::cout << "first" << std::endl;
        }
    }
    if (scenario == u"topups"_s) {
        CardDesk desk(database, session);
        std::cout << "topping" << std::endl;
        for (int i = 0;; ++i) {
            const Outcome<TopUpSlip> slip = desk.topUp(card, Money::fromYuan(1000), Money::fromYuan(100), u"现金"_s);
            if (!slip) {
                std::cout << "refused " << slip.text().toStdString() << std::endl;
                return 1;
            }
            if (i == 0)
                std::cout << "first" << std::endl;
        }
    }
    return 2;
}

QString PlaceOf(TestEnvironment& env)
{
    return env.server() ? u"server:"_s + env.server()->address().url() : u"file:"_s + env.database.filePath();
}

class Child
{
public:
    Child(TestEnvironment& env, const QString& scenario, const QString& card)
    {
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start(QCoreApplication::applicationFilePath(), { u"--child"_s, PlaceOf(env), scenario, card });
    }
    ~Child()
    {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished();
        }
    }
    QString nextLine(int wait = 60000)
    {
        while (!m_process.canReadLine()) {
            if (!m_process.waitForReadyRead(wait))
                return m_process.canReadLine() ? nextLine(0) : QString();
        }
        return QString::fromUtf8(m_process.readLine()).trimmed();
    }
    void say(const QByteArray& line) { m_process.write(line + '\n'); }
    // Waits until the desk said `started` and finished its first round, lets it run on a little
    // and kills it with SIGKILL. Empty when it died so; what went otherwise.
    QString killMidway(const QString& started)
    {
        if (const QString said = nextLine(); said != started)
            return u"the desk said "_s + said;
        if (const QString said = nextLine(); said != u"first"_s)
            return u"the desk said "_s + said;
        QTest::qWait(400);
        ::kill(static_cast<pid_t>(m_process.processId()), SIGKILL);
        if (!m_process.waitForFinished() || m_process.exitStatus() != QProcess::CrashExit)
            return u"the desk did not die of the kill"_s;
        return {};
    }
    QProcess& process() { return m_process; }

private:
    QProcess m_process;
};

} // namespace

class tst_Cards : public QObject
{
    Q_OBJECT

private slots:
    // 1000 + 100 on top, 380 paid principal first, 退卡 pays back the 620 left and forfeits the
    // bonus; the ledger's rows cannot be changed or deleted.
    void aTopUpPaidFromAndCashedOut()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        AddMember(env, u"8001"_s, u"张三"_s, u"13800000001"_s);
        AddRule(env, 1000, 100);
        AddRule(env, 500, 30);
        CardDesk desk(env.database, env.session);
        CardLedger& ledger = desk.ledger();

        // A member card with no movement yet: 正常, nothing on it.
        const Outcome<CardAccount> fresh = ledger.account(u"8001"_s);
        QVERIFY(fresh);
        QCOMPARE(fresh.value().state, CardState::Normal);
        QCOMPARE(fresh.value().balance, Balance(0, 0));
        QCOMPARE(fresh.value().member, u"张三"_s);
        QCOMPARE(ledger.account(u"9999"_s).text(), CardLedger::UnknownCardText);

        // The rules' bonus for 1000 is 100; another needs a manager.
        const Outcome<QList<TopUpRule>> rules = LoadTopUpRules(env.database);
        QVERIFY(rules);
        QCOMPARE(BonusFor(rules.value(), Money::fromYuan(1000)), Money::fromYuan(100));
        QCOMPARE(BonusFor(rules.value(), Money::fromYuan(999)), Money::fromYuan(30));
        QCOMPARE(BonusFor(rules.value(), Money::fromYuan(499)), Money());
        QCOMPARE(desk.topUp(u"8001"_s, Money::fromYuan(1000), Money::fromYuan(200), u"微信"_s).text(),
            CardDesk::ApprovalNeededText);

        const Outcome<TopUpSlip> slip = desk.topUp(u"8001"_s, Money::fromYuan(1000), Money::fromYuan(100), u"微信"_s);
        QVERIFY2(slip, qPrintable(slip.text()));
        QCOMPARE(slip.value().after, Balance(100000, 10000));
        QCOMPARE(slip.value().number, qint64(1));
        QCOMPARE(slip.value().member, u"张三"_s);
        QVERIFY(slip.value().lines().contains(u"卡内余额:1100.00"_s));
        QCOMPARE(Rows(env.database,
                     u"SELECT id, kind, principal_fen, bonus_fen, principal_after, bonus_after, "
                     "method FROM card_ledger ORDER BY id"_s),
            u"1,充值,100000,0,100000,0,微信|2,赠送,0,10000,100000,10000,"_s);
        QCOMPARE(Count(env.database, u"SELECT count(*) FROM operator_log WHERE kind=?"_s, { CardLogKind::TopUp }), 1);

        // 380 from the principal first.
        const Outcome<CardBalance> paid = PayIn(env.database, u"8001"_s, Money::fromYuan(380), 17);
        QVERIFY2(paid, qPrintable(paid.text()));
        QCOMPARE(paid.value(), Balance(62000, 10000));
        QCOMPARE(Rows(env.database,
                     u"SELECT kind, principal_fen, bonus_fen, receipt FROM card_ledger "
                     "WHERE id=3"_s),
            u"消费,-38000,0,17"_s);
        // A payment needs the caller's transaction.
        QVERIFY(ledger.pay(u"8001"_s, Money::fromYuan(1), 18, Noon, u"c1"_s).isFailure());

        // The liability and the period's totals.
        QCOMPARE(ledger.liability().value(), Balance(62000, 10000));
        const Outcome<QList<CardMovementTotal>> totals
            = ledger.totals(Noon.addSecs(-3600 * 12), Noon.addSecs(3600 * 12));
        QVERIFY(totals);
        QCOMPARE(totals.value().size(), 3);
        QCOMPARE(totals.value()[0], (CardMovementTotal { u"充值"_s, u"微信"_s, 1, Money::fromYuan(1000), Money() }));
        QCOMPARE(totals.value()[2], (CardMovementTotal { u"消费"_s, QString(), 1, Money::fromYuan(-380), Money() }));
        QVERIFY(Proof(env.database).isEmpty());

        // 退卡: a manager's, the principal back in cash, the bonus forfeited, the card closed.
        QCOMPARE(desk.cashOut(u"8001"_s, u"现金"_s, {}).text(), CardDesk::ApprovalNeededText);
        const Outcome<Money> back = desk.cashOut(u"8001"_s, u"现金"_s, Manager);
        QVERIFY2(back, qPrintable(back.text()));
        QCOMPARE(back.value(), Money::fromYuan(620));
        const Outcome<CardAccount> closed = ledger.account(u"8001"_s);
        QCOMPARE(closed.value().state, CardState::Closed);
        QCOMPARE(closed.value().balance, Balance(0, 0));
        QCOMPARE(Rows(env.database,
                     u"SELECT kind, principal_fen, bonus_fen, method, approver FROM card_ledger "
                     "WHERE id=4"_s),
            u"退卡,-62000,-10000,现金,admin"_s);
        QCOMPARE(desk.topUp(u"8001"_s, Money::fromYuan(100), Money(), u"现金"_s).text(), CardLedger::ClosedText);
        QCOMPARE(PayIn(env.database, u"8001"_s, Money::fromYuan(1), 19).text(), CardLedger::ClosedText);

        // The ledger only grows.
        QVERIFY(!env.database.exec(u"UPDATE card_ledger SET principal_fen=1 WHERE id=1"_s).ok());
        QVERIFY(!env.database.exec(u"DELETE FROM card_ledger WHERE id=1"_s).ok());
        if (!env.server())
            QVERIFY(!env.database
                         .exec(u"INSERT OR REPLACE INTO card_ledger (id, time, card, kind) VALUES (1, '', '8001', "
                               "'充值')"_s)
                         .ok());
        QCOMPARE(Count(env.database, u"SELECT count(*) FROM card_ledger"_s), 4);
        QVERIFY(Proof(env.database).isEmpty());

        // The daily ledger agrees, the chain holds.
        QString error;
        QSqlDatabase connection = env.database.connection();
        QCOMPARE(TakingsLedger::Differences(connection, &error), QStringList());
        QVERIFY(error.isEmpty());
        QCOMPARE(
            Rows(env.database,
                u"SELECT kind, method, movements, principal_fen, bonus_fen FROM ledger_cards ORDER BY kind, method"_s),
            u"充值,微信,1,100000,0|消费,,1,-38000,0|赠送,,1,0,10000|退卡,现金,1,-62000,-10000"_s);
        const RecordChain::Verdict verdict = RecordChain::verify(env.database.connection());
        QVERIFY2(verdict.whole(), qPrintable(verdict.summary()));
        QCOMPARE(verdict.cardRows, qint64(4));
    }

    // A house that switched to bonus first takes the bonus before the principal.
    void bonusFirstWhenTheHouseSaysSo()
    {
        TestEnvironment env;
        AddMember(env, u"8002"_s, u"李四"_s);
        AddRule(env, 1000, 100);
        CardDesk desk(env.database, env.session);
        QVERIFY(desk.topUp(u"8002"_s, Money::fromYuan(1000), Money::fromYuan(100), u"现金"_s));
        QVERIFY(desk.setBonusFirst(true));
        QCOMPARE(Count(env.database, u"SELECT count(*) FROM operator_log WHERE description=?"_s,
                     { u"会员卡消费先扣赠送金额"_s }),
            1);
        QCOMPARE(PayIn(env.database, u"8002"_s, Money::fromYuan(150), 1).value(), Balance(95000, 0));
        QCOMPARE(PayIn(env.database, u"8002"_s, Money::fromFen(95001), 2).text(), u"会员卡余额不足!余额950.00元"_s);
        QCOMPARE(PayIn(env.database, u"8002"_s, Money::fromFen(95000), 3).value(), Balance(0, 0));
        QVERIFY(Proof(env.database).isEmpty());
    }

    // A voided card-paid receipt gives back exactly what it took, once.
    void aRefundComesBackOnce()
    {
        TestEnvironment env;
        AddMember(env, u"8003"_s, u"王五"_s);
        CardDesk desk(env.database, env.session);
        QVERIFY(desk.topUp(u"8003"_s, Money::fromYuan(100), Money(), u"现金"_s));
        QVERIFY(desk.adjust(u"8003"_s, Money(), Money::fromYuan(20), u"开业赠送"_s, Manager));
        QCOMPARE(PayIn(env.database, u"8003"_s, Money::fromYuan(110), 5).value(), Balance(0, 1000));
        for (int round = 0; round < 2; ++round) {
            SqlTransaction transaction(env.database);
            const Outcome<CardBalance> given = desk.ledger().refundReceipt(5, Noon, u"c1"_s);
            QVERIFY2(given, qPrintable(given.text()));
            QCOMPARE(given.value(), round == 0 ? Balance(10000, 1000) : Balance(0, 0));
            QVERIFY(transaction.commit());
        }
        QCOMPARE(desk.ledger().account(u"8003"_s).value().balance, Balance(10000, 2000));
        QVERIFY(Proof(env.database).isEmpty());
    }

    // 挂失 stops payments and top-ups; 补卡 moves the balance to a new card made in the member
    // records; both ledgers stay readable.
    void aLostCardReplaced()
    {
        TestEnvironment env;
        AddMember(env, u"8004"_s, u"赵六"_s, u"13900000004"_s);
        AddMember(env, u"8005"_s, u"别人"_s);
        CardDesk desk(env.database, env.session);
        QVERIFY(desk.topUp(u"8004"_s, Money::fromYuan(300), Money(), u"支付宝"_s));
        QVERIFY(desk.setPassword(u"8004"_s, u"1234"_s, {}));
        QVERIFY(desk.reportLost(u"8004"_s));
        QCOMPARE(PayIn(env.database, u"8004"_s, Money::fromYuan(1), 1).text(), CardLedger::LostText);
        QCOMPARE(desk.topUp(u"8004"_s, Money::fromYuan(1), Money(), u"现金"_s).text(), CardLedger::LostText);
        QCOMPARE(desk.reportLost(u"8004"_s).text(), CardLedger::LostText);

        QCOMPARE(desk.replace(u"8004"_s, u"8005"_s, Manager).text(), u"卡号8005已被使用,请换一张新卡!"_s);
        const Outcome<CardBalance> moved = desk.replace(u"8004"_s, u"8104"_s, Manager);
        QVERIFY2(moved, qPrintable(moved.text()));
        QCOMPARE(moved.value(), Balance(30000, 0));
        const CardAccount replaced = desk.ledger().account(u"8104"_s).value();
        QCOMPARE(replaced.member, u"赵六"_s);
        QCOMPARE(replaced.phone, u"13900000004"_s);
        QCOMPARE(replaced.state, CardState::Normal);
        QVERIFY(replaced.hasPassword);
        const CardAccount old = desk.ledger().account(u"8004"_s).value();
        QCOMPARE(old.state, CardState::Closed);
        QCOMPARE(old.replacedBy, u"8104"_s);
        QCOMPARE(old.balance, Balance(0, 0));
        QCOMPARE(desk.ledger().movements(u"8004"_s).value().size(), 2);
        QCOMPARE(desk.ledger().movements(u"8104"_s).value().first().kind, CardKind::MovedIn);
        QCOMPARE(PayIn(env.database, u"8104"_s, Money::fromYuan(50), 2).value(), Balance(25000, 0));
        // Found by telephone: the new card first, as it is 正常, and the old one.
        const Outcome<QList<CardAccount>> found = desk.ledger().find(u"13900000004"_s);
        QCOMPARE(found.value().size(), 2);
        QVERIFY(Proof(env.database).isEmpty());
    }

    // Three wrong passwords in a row lock the card's payments until a manager sets it again.
    void threeWrongPasswordsLock()
    {
        TestEnvironment env;
        AddMember(env, u"8006"_s, u"孙七"_s);
        CardDesk desk(env.database, env.session);
        CardLedger& ledger = desk.ledger();
        QCOMPARE(ledger.passwordMatches(u"8006"_s, u"x"_s).value(), true); // none set
        QVERIFY(desk.topUp(u"8006"_s, Money::fromYuan(100), Money(), u"现金"_s));
        QVERIFY(desk.setPassword(u"8006"_s, u"2468"_s, {}));
        QCOMPARE(desk.setPassword(u"8006"_s, u"1"_s, u"wrong"_s).text(), u"原密码不正确!"_s);
        QCOMPARE(ledger.passwordMatches(u"8006"_s, u"1111"_s).value(), false);
        QCOMPARE(ledger.passwordMatches(u"8006"_s, u"2468"_s).value(), true); // the count starts again
        for (int i = 0; i < 3; ++i)
            QCOMPARE(ledger.passwordMatches(u"8006"_s, u"0000"_s).value(), false);
        QCOMPARE(ledger.passwordMatches(u"8006"_s, u"2468"_s).text(), CardLedger::LockedText.arg(3));
        QCOMPARE(PayIn(env.database, u"8006"_s, Money::fromYuan(1), 1).text(), CardLedger::LockedText.arg(3));
        QVERIFY(desk.setPassword(u"8006"_s, u"1357"_s, {}, Manager));
        QCOMPARE(ledger.passwordMatches(u"8006"_s, u"1357"_s).value(), true);
        QVERIFY(PayIn(env.database, u"8006"_s, Money::fromYuan(1), 1));
        // The stored password is a hash, never the digits.
        QVERIFY(!env.database.scalar(u"SELECT password FROM member_card WHERE card='8006'"_s)
                     .toString()
                     .contains(u"1357"_s));
    }

    // Hostile input is refused with a message and writes nothing.
    void hostileInputWritesNothing()
    {
        TestEnvironment env;
        AddMember(env, u"8007"_s, u"周八"_s);
        CardDesk desk(env.database, env.session);
        const QList<std::pair<QString, QString>> typed {
            { u"0"_s, u"金额必须大于0!"_s },
            { u"-100"_s, u"金额不能是负数!"_s },
            { u"10.005"_s, u"金额最多两位小数!"_s },
            { u"abc"_s, u"金额必须是数字!"_s },
            { u""_s, u"请输入金额!"_s },
            { u"1e9"_s, u"金额必须是数字!"_s },
        };
        for (const auto& [text, message] : typed)
            QCOMPARE(ReadCardAmount(text).text(), message);
        QCOMPARE(ReadCardAmount(u"１００.５"_s).value(), Money::fromFen(10050));
        QCOMPARE(desk.topUp(u"8007"_s, Money(), Money(), u"现金"_s).text(), u"金额必须大于0!"_s);
        QCOMPARE(desk.topUp(u"8007"_s, Money::fromYuan(-100), Money(), u"现金"_s).text(), u"金额必须大于0!"_s);
        QCOMPARE(desk.topUp(u"8007"_s, Money::fromYuan(100), Money(), u"赊帐"_s).text(), CardDesk::MethodText);
        QCOMPARE(
            desk.topUp(u"no-such"_s, Money::fromYuan(100), Money(), u"现金"_s).text(), CardLedger::UnknownCardText);
        QCOMPARE(PayIn(env.database, u"8007"_s, Money::fromYuan(1), 1).text(), u"会员卡余额不足!余额0.00元"_s);
        QCOMPARE(PayIn(env.database, u"8007"_s, Money::fromYuan(-1), 1).text(), u"金额必须大于0!"_s);
        QCOMPARE(desk.adjust(u"8007"_s, Money::fromYuan(-1), Money(), u"错"_s, Manager).text(),
            u"会员卡余额不足!余额0.00元"_s);
        QCOMPARE(desk.adjust(u"8007"_s, Money::fromYuan(1), Money(), u" "_s, Manager).text(), CardDesk::NoteNeededText);
        QCOMPARE(
            desk.adjust(u"8007"_s, Money::fromYuan(1), Money(), u"补录"_s, {}).text(), CardDesk::ApprovalNeededText);
        QCOMPARE(desk.saveRules({ { Money(), Money::fromYuan(1) } }).text(), u"充值金额必须大于0!"_s);
        QCOMPARE(desk.saveRules({ { Money::fromYuan(100), Money::fromYuan(-1) } }).text(), u"赠送金额不能是负数!"_s);
        QCOMPARE(Count(env.database, u"SELECT count(*) FROM card_ledger"_s), 0);
        QCOMPARE(Count(env.database, u"SELECT count(*) FROM member_card"_s), 0);
        QCOMPARE(Count(env.database, u"SELECT count(*) FROM operator_log WHERE kind LIKE '会员%'"_s), 0);
    }

    // A row changed by hand breaks the chain; a balance changed by hand fails the proof.
    void changesByHandAreFound()
    {
        TestEnvironment env;
        AddMember(env, u"8008"_s, u"吴九"_s);
        CardDesk desk(env.database, env.session);
        QVERIFY(desk.topUp(u"8008"_s, Money::fromYuan(200), Money(), u"现金"_s));
        QVERIFY(desk.topUp(u"8008"_s, Money::fromYuan(300), Money(), u"现金"_s));

        env.sql(u"UPDATE member_card SET principal_fen=900000 WHERE card='8008'"_s);
        const QStringList proof = Proof(env.database);
        QCOMPARE(proof.size(), 1);
        QVERIFY2(proof[0].contains(u"会员卡8008的余额与流水不符"_s) && proof[0].contains(u"9000.00"_s)
                && proof[0].contains(u"500.00"_s),
            qPrintable(proof[0]));
        if (!env.server()) {
            const DatabaseCheck::Verdict verdict = DatabaseCheck::run(env.database.filePath());
            QVERIFY(verdict.ledgerDifferences.join(u'\n').contains(u"会员卡8008的余额与流水不符"_s));
        } else {
            DatabaseCheck check;
            QSignalSpy done(&check, &DatabaseCheck::finished);
            check.start(env.database, DatabaseCheck::Depth::Quick, DatabaseCheck::Scope::Whole);
            QVERIFY(done.wait(60000));
            const auto verdict = done.first().first().value<DatabaseCheck::Verdict>();
            QVERIFY(verdict.ledgerDifferences.join(u'\n').contains(u"会员卡8008的余额与流水不符"_s));
        }
        env.sql(u"UPDATE member_card SET principal_fen=50000 WHERE card='8008'"_s);
        QVERIFY(Proof(env.database).isEmpty());

        env.database.execAsWritten(DropTrigger(env.database, u"card_ledger_kept"_s, u"card_ledger"_s));
        QVERIFY(env.database.exec(u"UPDATE card_ledger SET principal_fen=20001 WHERE id=1"_s).ok());
        const RecordChain::Verdict verdict = RecordChain::verify(env.database.connection());
        QCOMPARE(verdict.breaks.size(), 1);
        QVERIFY2(verdict.breaks[0].startsWith(u"会员卡流水第1条"_s) && verdict.breaks[0].contains(u"与校验链不符"_s),
            qPrintable(verdict.breaks[0]));
    }

    // A house of the version before the cards gains them empty: every role may take top-ups,
    // the card chain and the balance proof hold over nothing.
    void anEarlierHouseGainsTheCards()
    {
        TAVREL_SKIP_ON_SERVER("a file of an earlier version is made by this program's steps; the server's own "
                              "upgrade is proved in tst_servicecatalog");
        QTemporaryDir folder;
        const QString path = folder.filePath(u"data.db"_s);
        {
            Database earlier;
            QVERIFY2(earlier.create(path, 13), qPrintable(earlier.lastError()));
            earlier.exec(u"INSERT INTO huiyeninfo (str1, str2) VALUES ('7001', '老会员')"_s);
        }
        Database upgraded;
        QVERIFY2(upgraded.open(path), qPrintable(upgraded.lastError()));
        QCOMPARE(upgraded.schemaVersion(nullptr), Database::SchemaVersion);
        QCOMPARE(Rows(upgraded, u"SELECT id, str20 FROM authority ORDER BY id"_s), u"0,1|1,1|2,1|3,1"_s);
        QCOMPARE(Count(upgraded, u"SELECT count(*) FROM card_ledger"_s), 0);
        const CardAccount old = CardLedger(upgraded).account(u"7001"_s).value();
        QCOMPARE(old.state, CardState::Normal);
        QCOMPARE(old.balance, Balance(0, 0));
        QVERIFY(Proof(upgraded).isEmpty());
        const RecordChain::Verdict verdict = RecordChain::verify(upgraded.connection());
        QVERIFY2(verdict.whole(), qPrintable(verdict.summary()));
        QCOMPARE(verdict.cardRows, qint64(0));
    }

    // Two desks pay 300 each from a card of 500 at the same moment: one is paid, the other
    // refused, 200 is left.
    void twoDesksPayFromOneCardAtOnce()
    {
        TestEnvironment env;
        AddMember(env, u"8009"_s, u"郑十"_s);
        CardDesk desk(env.database, env.session);
        QVERIFY(desk.topUp(u"8009"_s, Money::fromYuan(500), Money(), u"现金"_s));
        for (int round = 0; round < 3; ++round) {
            if (round > 0)
                QVERIFY(desk.adjust(u"8009"_s, Money::fromYuan(300), Money(), u"重来"_s, Manager));
            Child first(env, u"pay"_s, u"8009"_s);
            Child second(env, u"pay"_s, u"8009"_s);
            QCOMPARE(first.nextLine(), u"ready 500.00"_s);
            QCOMPARE(second.nextLine(), u"ready 500.00"_s);
            first.say("go");
            second.say("go");
            QStringList said { first.nextLine(), second.nextLine() };
            said.sort();
            QCOMPARE(said, (QStringList { u"paid 200.00"_s, u"refused 会员卡余额不足!余额200.00元"_s }));
            QCOMPARE(desk.ledger().account(u"8009"_s).value().balance, Balance(20000, 0));
        }
        QVERIFY(Proof(env.database).isEmpty());
        QCOMPARE(Count(env.database, u"SELECT count(*) FROM card_ledger WHERE kind='消费'"_s), 3);
    }

    // A desk killed in the middle of top-ups leaves each whole or absent: its two ledger rows
    // and its log row together.
    void aDeskKilledDuringTopUps()
    {
        TestEnvironment env;
        AddMember(env, u"8010"_s, u"钱一"_s);
        AddRule(env, 1000, 100);
        Child child(env, u"topups"_s, u"8010"_s);
        const QString killed = child.killMidway(u"topping"_s);
        QVERIFY2(killed.isEmpty(), qPrintable(killed));

        Database after;
        QVERIFY(env.server() ? after.openServer(env.server()->address()) : after.open(env.database.filePath()));
        const qint64 topUps = Count(after, u"SELECT count(*) FROM card_ledger WHERE kind='充值'"_s);
        QVERIFY(topUps >= 1);
        QCOMPARE(Count(after, u"SELECT count(*) FROM card_ledger WHERE kind='赠送'"_s), topUps);
        QCOMPARE(Count(after, u"SELECT count(*) FROM operator_log WHERE kind=?"_s, { CardLogKind::TopUp }), topUps);
        QCOMPARE(CardLedger(after).account(u"8010"_s).value().balance, Balance(topUps * 100000, topUps * 10000));
        QVERIFY(Proof(after).isEmpty());
        const RecordChain::Verdict verdict = RecordChain::verify(after.connection());
        QVERIFY2(verdict.whole(), qPrintable(verdict.summary()));
        QCOMPARE(verdict.cardRows, 2 * topUps);
    }

    // The top-up slip on a 58 and an 80 mm roll: every line fits, the amounts are there.
    void aTopUpSlipFitsTheRoll()
    {
        const TopUpSlip slip { u"金足浴足疗养生会所(旗舰店)"_s, 12, u"2026-12-07 12:00:00"_s, u"VIP00012345"_s,
            u"钱先生"_s, Money::fromYuan(1000), Money::fromYuan(100), u"微信"_s, Balance(162000, 10000), u"c1"_s };
        for (const int columns : { 32, 48 }) {
            const QStringList lines = slip.thermal(columns).text();
            for (const QString& line : lines)
                QVERIFY2(SlipLayout::width(line) <= columns, qPrintable(line));
            QVERIFY(lines.contains(SlipLayout(columns).pair(u"卡内余额:"_s, u"￥1720.00"_s)));
            QVERIFY(!slip.thermal(columns).bytes().isEmpty());
        }
    }

    // A desk killed in the middle of settlements paid from a card leaves each bill whole or
    // absent: its receipt, its payment part and the card's 消费 row together.
    void aDeskKilledDuringCardSettlements()
    {
        TestEnvironment env;
        AddMember(env, u"8011"_s, u"钱二"_s);
        QVERIFY(CardDesk(env.database, env.session).topUp(u"8011"_s, Money::fromYuan(100000), Money(), u"现金"_s));
        Child child(env, u"settlements"_s, u"8011"_s);
        const QString killed = child.killMidway(u"settling"_s);
        QVERIFY2(killed.isEmpty(), qPrintable(killed));

        Database after;
        QVERIFY(env.server() ? after.openServer(env.server()->address()) : after.open(env.database.filePath()));
        const qint64 receipts = Count(after, u"SELECT count(*) FROM Receiptform"_s);
        QVERIFY(receipts >= 1);
        QCOMPARE(
            Count(after, u"SELECT count(*) FROM receipt_payment WHERE method='会员卡' AND card='8011'"_s), receipts);
        QCOMPARE(Count(after, u"SELECT count(*) FROM card_ledger WHERE kind='消费'"_s), receipts);
        QCOMPARE(Count(after,
                     u"SELECT count(*) FROM card_ledger c WHERE c.kind='消费' AND "
                     "NOT EXISTS (SELECT 1 FROM Receiptform r WHERE r.id=c.receipt)"_s),
            0);
        QCOMPARE(CardLedger(after).account(u"8011"_s).value().balance, Balance(10000000 - receipts * 4000, 0));
        QVERIFY(Proof(after).isEmpty());
        const RecordChain::Verdict verdict = RecordChain::verify(after.connection());
        QVERIFY2(verdict.whole(), qPrintable(verdict.summary()));
        QCOMPARE(verdict.receipts, receipts);
    }
};

int main(int argc, char* argv[])
{
    if (argc >= 2 && qstrcmp(argv[1], "--child") == 0) {
        QCoreApplication application(argc, argv);
        return runChild(application.arguments().mid(2));
    }
    QApplication application(argc, argv);
    tst_Cards test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_cards.moc"
