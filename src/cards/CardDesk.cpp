#include "cards/CardDesk.h"

#include "app/Clock.h"
#include "app/Database.h"
#include "app/HouseSettings.h"
#include "app/SqlTransaction.h"
#include "app/TextFormat.h"
#include "cards/CardSettings.h"
#include "desk/DeskSession.h"
#include "printing/ThermalSlip.h"
#include "users/PasswordHash.h"

#include <QSqlRecord>

const QString CardDesk::MethodText = QStringLiteral("请选择付款方式!");
const QString CardDesk::NoteNeededText = QStringLiteral("请填写调整原因!");
const QString CardDesk::ApprovalNeededText = QStringLiteral("此操作需要经理授权!");
const QString CardDesk::ManagerNeededText = QStringLiteral("此操作需要经理或总经理授权!");

namespace {

// 退卡 and 调整 move money off the books: a manager (role 2) or the general manager.
bool isManager(const Authoriser& approver)
{
    return approver.isPresent() && approver.role >= 2;
}

} // namespace

QStringList TopUpSlip::lines() const
{
    return { house, QStringLiteral("会员充值单"), QStringLiteral("流水号:%1").arg(number),
        QStringLiteral("时间:%1").arg(time), QStringLiteral("卡号:%1").arg(card), QStringLiteral("会员:%1").arg(member),
        QStringLiteral("充值金额:%1").arg(amount.text()), QStringLiteral("赠送金额:%1").arg(bonus.text()),
        QStringLiteral("付款方式:%1").arg(method), QStringLiteral("卡内本金:%1").arg(after.principal.text()),
        QStringLiteral("卡内赠送:%1").arg(after.bonus.text()), QStringLiteral("卡内余额:%1").arg(after.total().text()),
        QStringLiteral("收银员:%1").arg(cashier), QStringLiteral("会员签字:") };
}

ThermalSlip TopUpSlip::thermal(int columns) const
{
    const auto yuan = [](Money amount) -> QString { return QStringLiteral("￥") + amount.text(); };
    ThermalSlip slip(columns);
    if (!house.isEmpty())
        slip.heading(house);
    slip.centred(QStringLiteral("会员充值单"));
    slip.rule();
    slip.pair(QStringLiteral("流水号:"), QString::number(number));
    slip.pair(QStringLiteral("时间:"), time);
    slip.pair(QStringLiteral("卡号:"), card);
    slip.pair(QStringLiteral("会员:"), member);
    slip.rule();
    slip.pair(QStringLiteral("充值金额:"), yuan(amount));
    slip.pair(QStringLiteral("赠送金额:"), yuan(bonus));
    slip.pair(QStringLiteral("付款方式:"), method);
    slip.rule();
    slip.pair(QStringLiteral("卡内本金:"), yuan(after.principal));
    slip.pair(QStringLiteral("卡内赠送:"), yuan(after.bonus));
    slip.pair(QStringLiteral("卡内余额:"), yuan(after.total()));
    slip.pair(QStringLiteral("收银员:"), cashier);
    slip.blank();
    slip.line(QStringLiteral("会员签字:"));
    return slip;
}

QString CardHouseName(Database& database)
{
    return database.scalar(QStringLiteral("SELECT name FROM company ORDER BY id LIMIT 1")).toString();
}

Outcome<QList<TopUpRule>> LoadTopUpRules(Database& database)
{
    const SqlResult rows
        = database.exec(QStringLiteral("SELECT threshold_fen, bonus_fen FROM topup_rule ORDER BY threshold_fen"));
    if (!rows.ok())
        return Failure { rows.error };
    QList<TopUpRule> rules;
    for (const QSqlRecord& row : rows.rows)
        rules.append({ Money::fromFen(row.value(0).toLongLong()), Money::fromFen(row.value(1).toLongLong()) });
    return rules;
}

Money BonusFor(const QList<TopUpRule>& rules, Money amount)
{
    Money bonus;
    Money reached;
    for (const TopUpRule& rule : rules) {
        if (amount >= rule.threshold && rule.threshold >= reached) {
            reached = rule.threshold;
            bonus = rule.bonus;
        }
    }
    return bonus;
}

CardDesk::CardDesk(Database& database, const DeskSession& session)
    : m_database(database)
    , m_session(session)
    , m_ledger(database)
    , m_log(database, session)
{ }

QString CardDesk::cashier() const
{
    const UserSession& user = m_session.userSession();
    return user.login.isEmpty() ? user.displayName : user.login;
}

Outcome<CardAccount> CardDesk::accountIn(const QString& card, bool mustBeNormal) const
{
    const Outcome<CardAccount> found = m_ledger.account(card);
    if (!found)
        return found;
    if (mustBeNormal && found.value().state == CardState::Lost)
        return Refusal { CardLedger::LostText };
    if (found.value().state == CardState::Closed)
        return Refusal { CardLedger::ClosedText };
    return found;
}

namespace {

QString approverOf(const Authoriser& approver)
{
    return approver.isPresent() ? approver.login : QString();
}

} // namespace

Outcome<TopUpSlip> CardDesk::topUp(
    const QString& card, Money amount, Money bonus, const QString& method, const Authoriser& approver)
{
    if (amount.isZero() || amount.isNegative())
        return Refusal { QStringLiteral("金额必须大于0!") };
    if (bonus.isNegative())
        return Refusal { QStringLiteral("赠送金额不能是负数!") };
    if (!CardPaymentMethods().contains(method))
        return Refusal { MethodText };
    const Outcome<QList<TopUpRule>> rules = LoadTopUpRules(m_database);
    if (!rules)
        return rules.setback<TopUpSlip>();
    if (bonus != BonusFor(rules.value(), amount) && !approver.isPresent())
        return Refusal { ApprovalNeededText };

    TopUpSlip slip;
    const QDateTime now = m_session.clock().now();
    const Outcome<> done = m_log.record([&]() -> Outcome<LogEntry> {
        const Outcome<CardAccount> holder = accountIn(card, true);
        if (!holder)
            return holder.setback<LogEntry>();
        const CardAccount& account = holder.value();
        const Outcome<CardMovement> paid = m_ledger.write(
            { account.card, CardKind::TopUp, amount, Money(), 0, method, cashier(), approverOf(approver), QString() },
            now);
        if (!paid)
            return paid.setback<LogEntry>();
        CardBalance after = paid.value().after;
        if (!bonus.isZero()) {
            const Outcome<CardMovement> given = m_ledger.write(
                { account.card, CardKind::Bonus, Money(), bonus, 0, QString(), cashier(), approverOf(approver),
                    QStringLiteral("充%1送%2").arg(amount.text(), bonus.text()) },
                now);
            if (!given)
                return given.setback<LogEntry>();
            after = given.value().after;
        }
        const QString house
            = m_database.scalar(QStringLiteral("SELECT name FROM company ORDER BY id LIMIT 1")).toString();
        slip = { house, paid.value().id, paid.value().time, account.card, account.member, amount, bonus, method, after,
            cashier() };
        LogEntry entry;
        entry.kind = CardLogKind::TopUp;
        entry.description = QStringLiteral("会员卡%1充值%2元(%3),赠送%4元,余额%5元")
                                .arg(account.card, amount.text(), method, bonus.text(), after.total().text());
        entry.amount = amount.text();
        entry.authoriser = approver;
        return entry;
    });
    if (!done)
        return done.setback<TopUpSlip>();
    return slip;
}

Outcome<> CardDesk::reportLost(const QString& card)
{
    return m_log.record([&]() -> Outcome<LogEntry> {
        const Outcome<CardAccount> holder = accountIn(card, true);
        if (!holder)
            return holder.setback<LogEntry>();
        const QDateTime now = m_session.clock().now();
        // A card that never moved money gets its row now, to keep its state.
        const SqlResult made = m_database.exec(
            QStringLiteral("INSERT INTO member_card (card, state, opened) SELECT ?, '正常', ? WHERE NOT EXISTS "
                           "(SELECT 1 FROM member_card WHERE card=?)"),
            { holder.value().card, DateTimeText(now), holder.value().card });
        if (!made.ok())
            return Failure { made.error };
        const SqlResult changed
            = m_database.exec(QStringLiteral("UPDATE member_card SET state='挂失' WHERE card=? AND state='正常'"),
                { holder.value().card });
        if (!changed.ok())
            return Failure { changed.error };
        if (changed.rowsAffected != 1)
            return Refusal { CardLedger::ChangedText };
        return LogEntry { CardLogKind::Card, QStringLiteral("会员卡%1挂失").arg(holder.value().card) };
    });
}

Outcome<> CardDesk::cancelLost(const QString& card, const Authoriser& approver)
{
    if (!approver.isPresent())
        return Refusal { ApprovalNeededText };
    return m_log.record([&]() -> Outcome<LogEntry> {
        const Outcome<CardAccount> holder = accountIn(card, false);
        if (!holder)
            return holder.setback<LogEntry>();
        if (holder.value().state != CardState::Lost)
            return Refusal { QStringLiteral("该会员卡没有挂失!") };
        const SqlResult changed
            = m_database.exec(QStringLiteral("UPDATE member_card SET state='正常' WHERE card=? AND state='挂失'"),
                { holder.value().card });
        if (!changed.ok())
            return Failure { changed.error };
        if (changed.rowsAffected != 1)
            return Refusal { CardLedger::ChangedText };
        LogEntry entry { CardLogKind::Card, QStringLiteral("会员卡%1解挂").arg(holder.value().card) };
        entry.authoriser = approver;
        return entry;
    });
}

Outcome<CardBalance> CardDesk::replace(const QString& card, const QString& newCard, const Authoriser& approver)
{
    const QString number = newCard.trimmed();
    if (number.isEmpty())
        return Refusal { QStringLiteral("请输入新卡号!") };
    if (number.toUtf8().size() > 12)
        return Refusal { QStringLiteral("新卡号太长!") };
    CardBalance moved;
    const Outcome<> done = m_log.record([&]() -> Outcome<LogEntry> {
        const Outcome<CardAccount> holder = accountIn(card, false);
        if (!holder)
            return holder.setback<LogEntry>();
        const CardAccount& old = holder.value();
        QString error;
        const int taken
            = m_database.scalar(QStringLiteral("SELECT count(*) FROM huiyeninfo WHERE str1=?"), { number }, &error)
                  .toInt();
        if (!error.isEmpty())
            return Failure { error };
        const int known
            = m_database.scalar(QStringLiteral("SELECT count(*) FROM member_card WHERE card=?"), { number }, &error)
                  .toInt();
        if (!error.isEmpty())
            return Failure { error };
        if (taken > 0 || known > 0)
            return Refusal { QStringLiteral("卡号%1已被使用,请换一张新卡!").arg(number) };
        // The member's row under the new number, the rest of it as it was.
        QStringList others;
        for (int i = 2; i <= 9; ++i)
            others << QStringLiteral("str%1").arg(i);
        const SqlResult copied = m_database.exec(
            QStringLiteral("INSERT INTO huiyeninfo (str1, %1) SELECT ?, %1 FROM huiyeninfo WHERE str1=? ORDER BY %2 "
                           "LIMIT 1")
                .arg(others.join(QStringLiteral(", ")), m_database.dialect().rowKey()),
            { number, old.card });
        if (!copied.ok())
            return Failure { copied.error };
        const QDateTime now = m_session.clock().now();
        const QString note = QStringLiteral("%1补卡为%2").arg(old.card, number);
        const Outcome<CardMovement> out
            = m_ledger.write({ old.card, CardKind::MovedOut, -old.balance.principal, -old.balance.bonus, 0, QString(),
                                 cashier(), approverOf(approver), note },
                now);
        if (!out)
            return out.setback<LogEntry>();
        const Outcome<CardMovement> in
            = m_ledger.write({ number, CardKind::MovedIn, old.balance.principal, old.balance.bonus, 0, QString(),
                                 cashier(), approverOf(approver), note },
                now);
        if (!in)
            return in.setback<LogEntry>();
        const SqlResult closed = m_database.exec(
            QStringLiteral("UPDATE member_card SET state='注销', replaced_by=? WHERE card=?"), { number, old.card });
        if (!closed.ok())
            return Failure { closed.error };
        const SqlResult password = m_database.exec(
            QStringLiteral(
                "UPDATE member_card SET password=(SELECT password FROM member_card WHERE card=?) WHERE card=?"),
            { old.card, number });
        if (!password.ok())
            return Failure { password.error };
        moved = in.value().after;
        LogEntry entry { CardLogKind::Card,
            QStringLiteral("会员卡%1补卡为%2,转入余额%3元").arg(old.card, number, moved.total().text()),
            moved.total().text() };
        entry.authoriser = approver;
        return entry;
    });
    if (!done)
        return done.setback<CardBalance>();
    return moved;
}

Outcome<Money> CardDesk::cashOut(const QString& card, const QString& method, const Authoriser& approver)
{
    if (!approver.isPresent())
        return Refusal { ApprovalNeededText };
    if (!isManager(approver))
        return Refusal { ManagerNeededText };
    if (!CardPaymentMethods().contains(method))
        return Refusal { MethodText };
    Money paidBack;
    const Outcome<> done = m_log.record([&]() -> Outcome<LogEntry> {
        const Outcome<CardAccount> holder = accountIn(card, false);
        if (!holder)
            return holder.setback<LogEntry>();
        const CardAccount& account = holder.value();
        const Outcome<CardMovement> out
            = m_ledger.write({ account.card, CardKind::CashOut, -account.balance.principal, -account.balance.bonus, 0,
                                 method, cashier(), approverOf(approver),
                                 QStringLiteral("退还本金%1元,赠送%2元作废")
                                     .arg(account.balance.principal.text(), account.balance.bonus.text()) },
                m_session.clock().now());
        if (!out)
            return out.setback<LogEntry>();
        const SqlResult closed
            = m_database.exec(QStringLiteral("UPDATE member_card SET state='注销' WHERE card=?"), { account.card });
        if (!closed.ok())
            return Failure { closed.error };
        paidBack = account.balance.principal;
        LogEntry entry { CardLogKind::Card,
            QStringLiteral("会员卡%1退卡,退还本金%2元(%3),赠送%4元作废")
                .arg(account.card, paidBack.text(), method, account.balance.bonus.text()),
            paidBack.text() };
        entry.authoriser = approver;
        return entry;
    });
    if (!done)
        return done.setback<Money>();
    return paidBack;
}

Outcome<CardBalance> CardDesk::adjust(
    const QString& card, Money principal, Money bonus, const QString& note, const Authoriser& approver)
{
    if (!approver.isPresent())
        return Refusal { ApprovalNeededText };
    if (!isManager(approver))
        return Refusal { ManagerNeededText };
    if (note.trimmed().isEmpty())
        return Refusal { NoteNeededText };
    if (principal.isZero() && bonus.isZero())
        return Refusal { QStringLiteral("调整金额不能都是0!") };
    CardBalance after;
    const Outcome<> done = m_log.record([&]() -> Outcome<LogEntry> {
        const Outcome<CardAccount> holder = accountIn(card, false);
        if (!holder)
            return holder.setback<LogEntry>();
        const Outcome<CardMovement> moved
            = m_ledger.write({ holder.value().card, CardKind::Adjustment, principal, bonus, 0, QString(), cashier(),
                                 approverOf(approver), note.trimmed() },
                m_session.clock().now());
        if (!moved)
            return moved.setback<LogEntry>();
        after = moved.value().after;
        LogEntry entry { CardLogKind::Card,
            QStringLiteral("会员卡%1调整本金%2元,赠送%3元:%4")
                .arg(holder.value().card, principal.text(), bonus.text(), note.trimmed()),
            (principal + bonus).text() };
        entry.authoriser = approver;
        return entry;
    });
    if (!done)
        return done.setback<CardBalance>();
    return after;
}

Outcome<> CardDesk::setPassword(
    const QString& card, const QString& password, const QString& current, const Authoriser& approver)
{
    if (password.size() > 32)
        return Refusal { QStringLiteral("密码太长!") };
    return m_log.record([&]() -> Outcome<LogEntry> {
        const Outcome<CardAccount> holder = accountIn(card, false);
        if (!holder)
            return holder.setback<LogEntry>();
        const CardAccount& account = holder.value();
        if (account.hasPassword && !approver.isPresent()) {
            const SqlResult stored
                = m_database.exec(QStringLiteral("SELECT password FROM member_card WHERE card=?"), { account.card });
            if (!stored.ok())
                return Failure { stored.error };
            if (stored.isEmpty() || !PasswordHash::verify(stored.first().value(0).toString(), current))
                return Refusal { QStringLiteral("原密码不正确!") };
        }
        QString hash;
        if (!password.isEmpty()) {
            hash = PasswordHash::hash(password);
            if (hash.isEmpty())
                return Failure { QStringLiteral("无法保存密码") };
        }
        const SqlResult made = m_database.exec(
            QStringLiteral("INSERT INTO member_card (card, state, opened) SELECT ?, '正常', ? WHERE NOT EXISTS "
                           "(SELECT 1 FROM member_card WHERE card=?)"),
            { account.card, DateTimeText(m_session.clock().now()), account.card });
        if (!made.ok())
            return Failure { made.error };
        const SqlResult changed
            = m_database.exec(QStringLiteral("UPDATE member_card SET password=?, password_failures=0 WHERE card=?"),
                { hash, account.card });
        if (!changed.ok())
            return Failure { changed.error };
        LogEntry entry { CardLogKind::Card,
            password.isEmpty() ? QStringLiteral("会员卡%1清除密码").arg(account.card)
                               : QStringLiteral("会员卡%1设置密码").arg(account.card) };
        entry.authoriser = approver;
        return entry;
    });
}

Outcome<> CardDesk::setBonusFirst(bool on)
{
    return m_log.record([&]() -> Outcome<LogEntry> {
        if (const QString error = HouseSettings::set(m_database, CardSettings::BonusFirst, on); !error.isEmpty())
            return Failure { error };
        return LogEntry { CardLogKind::Rules,
            on ? QStringLiteral("会员卡消费先扣赠送金额") : QStringLiteral("会员卡消费先扣本金") };
    });
}

Outcome<> CardDesk::saveRules(const QList<TopUpRule>& rules)
{
    QList<Money> thresholds;
    QStringList shown;
    for (const TopUpRule& rule : rules) {
        if (rule.threshold.isZero() || rule.threshold.isNegative())
            return Refusal { QStringLiteral("充值金额必须大于0!") };
        if (rule.bonus.isNegative())
            return Refusal { QStringLiteral("赠送金额不能是负数!") };
        if (thresholds.contains(rule.threshold))
            return Refusal { QStringLiteral("充值金额%1重复了!").arg(rule.threshold.text()) };
        thresholds << rule.threshold;
        shown << QStringLiteral("充%1送%2").arg(rule.threshold.text(), rule.bonus.text());
    }
    return m_log.record([&]() -> Outcome<LogEntry> {
        if (const SqlResult emptied = m_database.exec(QStringLiteral("DELETE FROM topup_rule")); !emptied.ok())
            return Failure { emptied.error };
        for (const TopUpRule& rule : rules) {
            const SqlResult added
                = m_database.exec(QStringLiteral("INSERT INTO topup_rule (threshold_fen, bonus_fen) VALUES (?, ?)"),
                    { qlonglong(rule.threshold.fen()), qlonglong(rule.bonus.fen()) });
            if (!added.ok())
                return Failure { added.error };
        }
        return LogEntry { CardLogKind::Rules,
            shown.isEmpty() ? QStringLiteral("充值规则已清空") : QStringLiteral("充值规则:") + shown.join(u'、') };
    });
}
