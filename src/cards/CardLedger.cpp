#include "cards/CardLedger.h"

#include "app/Database.h"
#include "app/HouseSettings.h"
#include "app/RecordChain.h"
#include "app/SqlTransaction.h"
#include "app/TextFormat.h"
#include "app/TypedNumber.h"
#include "cards/CardSettings.h"
#include "users/PasswordHash.h"

#include <QSqlRecord>

const QString CardLedger::UnknownCardText = QStringLiteral("会员卡号不存在!");
const QString CardLedger::LostText = QStringLiteral("该会员卡已挂失!");
const QString CardLedger::ClosedText = QStringLiteral("该会员卡已注销!");
const QString CardLedger::ShortText = QStringLiteral("会员卡余额不足!余额%1元");
const QString CardLedger::LockedText = QStringLiteral("密码连续输错%1次,该会员卡已锁定,请经理重新设置密码!");
const QString CardLedger::ChangedText = QStringLiteral("会员卡余额刚被其它收银台改动,请重新操作!");

QStringList CardKind::all()
{
    return { TopUp, Bonus, Payment, Refund, Adjustment, CashOut, MovedOut, MovedIn };
}

QStringList CardPaymentMethods()
{
    return { QStringLiteral("现金"), QStringLiteral("微信"), QStringLiteral("支付宝"), QStringLiteral("银行卡") };
}

QString CardStateText(CardState state)
{
    switch (state) {
    case CardState::Lost:
        return QStringLiteral("挂失");
    case CardState::Closed:
        return QStringLiteral("注销");
    case CardState::Normal:
        break;
    }
    return QStringLiteral("正常");
}

namespace {

CardState stateOfText(const QString& text)
{
    if (text == u"挂失")
        return CardState::Lost;
    if (text == u"注销")
        return CardState::Closed;
    return CardState::Normal;
}

// The member's row and the card's row, if any: the columns accountOf() reads.
const char* const AccountSelect
    = "SELECT h.str1, h.str2, h.str5, coalesce(c.state, '正常'), coalesce(c.principal_fen, 0), "
      "coalesce(c.bonus_fen, 0), coalesce(c.password, ''), coalesce(c.replaced_by, ''), "
      "coalesce(c.password_failures, 0) FROM huiyeninfo h LEFT JOIN member_card c ON c.card=h.str1 ";

CardAccount accountOf(const QSqlRecord& row)
{
    CardAccount account;
    account.card = row.value(0).toString();
    account.member = row.value(1).toString();
    account.phone = row.value(2).toString();
    account.state = stateOfText(row.value(3).toString());
    account.balance = { Money::fromFen(row.value(4).toLongLong()), Money::fromFen(row.value(5).toLongLong()) };
    account.hasPassword = !row.value(6).toString().isEmpty();
    account.replacedBy = row.value(7).toString();
    account.passwordFailures = row.value(8).toInt();
    return account;
}

CardMovement movementOf(const QSqlRecord& row)
{
    CardMovement movement;
    movement.id = row.value(0).toLongLong();
    movement.time = row.value(1).toString();
    movement.card = row.value(2).toString();
    movement.kind = row.value(3).toString();
    movement.principal = Money::fromFen(row.value(4).toLongLong());
    movement.bonus = Money::fromFen(row.value(5).toLongLong());
    movement.after = { Money::fromFen(row.value(6).toLongLong()), Money::fromFen(row.value(7).toLongLong()) };
    movement.receipt = row.value(8).toLongLong();
    movement.method = row.value(9).toString();
    movement.cashier = row.value(10).toString();
    movement.approver = row.value(11).toString();
    movement.note = row.value(12).toString();
    return movement;
}

const char* const MovementColumns = "id, time, card, kind, principal_fen, bonus_fen, principal_after, bonus_after, "
                                    "receipt, method, cashier, approver, note";

} // namespace

CardLedger::CardLedger(Database& database)
    : m_database(database)
{ }

Outcome<CardAccount> CardLedger::account(const QString& card) const
{
    const QString number = card.trimmed();
    if (number.isEmpty())
        return Refusal { UnknownCardText };
    const SqlResult found = m_database.exec(QString::fromUtf8(AccountSelect)
            + QStringLiteral("WHERE h.str1=? ORDER BY h.%1 LIMIT 1").arg(m_database.dialect().rowKey()),
        { number });
    if (!found.ok())
        return Failure { found.error };
    if (found.isEmpty())
        return Refusal { UnknownCardText };
    return accountOf(found.first());
}

Outcome<QList<CardAccount>> CardLedger::find(const QString& typed) const
{
    const QString text = typed.trimmed();
    QList<CardAccount> accounts;
    if (text.isEmpty())
        return accounts;
    QString pattern = text;
    pattern.replace(u'\\', QStringLiteral("\\\\"))
        .replace(u'%', QStringLiteral("\\%"))
        .replace(u'_', QStringLiteral("\\_"));
    pattern += u'%';
    const SqlResult found = m_database.exec(QString::fromUtf8(AccountSelect)
            + QStringLiteral("WHERE %1 OR %2 ORDER BY")
                  .arg(m_database.dialect().contains(QStringLiteral("h.str1")),
                      m_database.dialect().contains(QStringLiteral("h.str5")))
            + QStringLiteral("  CASE WHEN h.str1=? OR h.str5=? THEN 0 ELSE 1 END, h.str1 LIMIT 50"),
        { pattern, pattern, text, text });
    if (!found.ok())
        return Failure { found.error };
    for (const QSqlRecord& row : found.rows)
        accounts << accountOf(row);
    return accounts;
}

Outcome<CardMovement> CardLedger::write(const CardWrite& movement, const QDateTime& time)
{
    if (m_database.transactionDepth() == 0)
        return Failure { QStringLiteral("会员卡流水只能在事务中写入") };
    // The card's row, made at its first movement with nothing on it.
    const SqlResult made = m_database.exec(
        QStringLiteral("INSERT INTO member_card (card, state, password, password_failures, principal_fen, bonus_fen, "
                       "replaced_by, opened) SELECT ?, '正常', '', 0, 0, 0, '', ? WHERE NOT EXISTS "
                       "(SELECT 1 FROM member_card WHERE card=?)"),
        { movement.card, DateTimeText(time), movement.card });
    if (!made.ok())
        return Failure { made.error };
    const SqlResult held = m_database.exec(
        QStringLiteral("SELECT principal_fen, bonus_fen FROM member_card WHERE card=?"), { movement.card });
    if (!held.ok())
        return Failure { held.error };
    if (held.isEmpty())
        return Failure { UnknownCardText };
    const CardBalance before { Money::fromFen(held.first().value(0).toLongLong()),
        Money::fromFen(held.first().value(1).toLongLong()) };
    const CardBalance after { before.principal + movement.principal, before.bonus + movement.bonus };
    if (after.principal.isNegative() || after.bonus.isNegative())
        return Refusal { ShortText.arg(before.total().text()) };
    // From the balance read to the balance after, and never below 0: a desk that changed it
    // meanwhile leaves this one changing no row.
    const SqlResult moved = m_database.exec(
        QStringLiteral("UPDATE member_card SET principal_fen=?, bonus_fen=? WHERE card=? AND principal_fen=? "
                       "AND bonus_fen=? AND ?>=0 AND ?>=0 AND (?=0 OR state='正常')"),
        { qlonglong(after.principal.fen()), qlonglong(after.bonus.fen()), movement.card,
            qlonglong(before.principal.fen()), qlonglong(before.bonus.fen()), qlonglong(after.principal.fen()),
            qlonglong(after.bonus.fen()), movement.onlyWhenNormal ? 1 : 0 });
    if (!moved.ok())
        return Failure { moved.error };
    if (moved.rowsAffected != 1)
        return Refusal { ChangedText };
    // The next number, under the write lock that the transaction holds.
    QString error;
    const qint64 id = m_database.scalar(QStringLiteral("SELECT coalesce(max(id), 0) + 1 FROM card_ledger"), {}, &error)
                          .toLongLong();
    if (!error.isEmpty())
        return Failure { error };
    CardMovement written;
    written.id = id;
    written.time = DateTimeText(time);
    written.card = movement.card;
    written.kind = movement.kind;
    written.principal = movement.principal;
    written.bonus = movement.bonus;
    written.after = after;
    written.receipt = movement.receipt;
    written.method = movement.method;
    written.cashier = movement.cashier;
    written.approver = movement.approver;
    written.note = movement.note;
    const SqlResult inserted
        = m_database.exec(QStringLiteral("INSERT INTO card_ledger (%1) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)")
                              .arg(QString::fromUtf8(MovementColumns)),
            { written.id, written.time, written.card, written.kind, qlonglong(written.principal.fen()),
                qlonglong(written.bonus.fen()), qlonglong(after.principal.fen()), qlonglong(after.bonus.fen()),
                written.receipt, written.method, written.cashier, written.approver, written.note });
    if (!inserted.ok())
        return Failure { inserted.error };
    if (const QString linked = RecordChain::link(m_database, RecordChain::Chain::Cards, id); !linked.isEmpty())
        return Failure { linked };
    return written;
}

Outcome<CardBalance> CardLedger::pay(
    const QString& card, Money amount, qint64 receipt, const QDateTime& time, const QString& cashier)
{
    if (amount.isNegative() || amount.isZero())
        return Refusal { QStringLiteral("金额必须大于0!") };
    const Outcome<CardAccount> found = account(card);
    if (!found)
        return found.setback<CardBalance>();
    const CardAccount& holder = found.value();
    if (holder.state == CardState::Lost)
        return Refusal { LostText };
    if (holder.state == CardState::Closed)
        return Refusal { ClosedText };
    if (holder.hasPassword && holder.passwordFailures >= PasswordTries)
        return Refusal { LockedText.arg(PasswordTries) };
    if (holder.balance.total() < amount)
        return Refusal { ShortText.arg(holder.balance.total().text()) };
    QString error;
    const bool bonusFirst = HouseSettings::isOn(m_database, CardSettings::BonusFirst, &error);
    if (!error.isEmpty())
        return Failure { error };
    const Money first = bonusFirst ? holder.balance.bonus : holder.balance.principal;
    const Money fromFirst = std::min(first, amount);
    const Money fromSecond = amount - fromFirst;
    const Money principal = bonusFirst ? fromSecond : fromFirst;
    const Money bonus = bonusFirst ? fromFirst : fromSecond;
    // The card row is moved from the balance read above and no other, and only while the card
    // is 正常: a desk that paid from it or reported it lost meanwhile leaves this one refused.
    CardWrite payment { holder.card, CardKind::Payment, -principal, -bonus, receipt, QString(), cashier };
    payment.onlyWhenNormal = true;
    const Outcome<CardMovement> written = write(payment, time);
    if (!written && written.isRefusal() && written.text() == ChangedText) {
        // Read again to say why.
        const Outcome<CardAccount> now = account(card);
        if (now && now.value().state != CardState::Normal)
            return Refusal { now.value().state == CardState::Lost ? LostText : ClosedText };
        if (now && now.value().balance.total() < amount)
            return Refusal { ShortText.arg(now.value().balance.total().text()) };
    }
    if (!written)
        return written.setback<CardBalance>();
    return written.value().after;
}

Outcome<CardBalance> CardLedger::refundReceipt(qint64 receipt, const QDateTime& time, const QString& cashier)
{
    if (m_database.transactionDepth() == 0)
        return Failure { QStringLiteral("会员卡退款只能在事务中写入") };
    // What each card's rows of the receipt add up to: a 消费 taken and not given back is below 0.
    const SqlResult owed = m_database.exec(
        QStringLiteral("SELECT card, sum(principal_fen), sum(bonus_fen) FROM card_ledger WHERE receipt=? "
                       "AND kind IN (?, ?) GROUP BY card ORDER BY card"),
        { receipt, CardKind::Payment, CardKind::Refund });
    if (!owed.ok())
        return Failure { owed.error };
    CardBalance given;
    for (const QSqlRecord& row : owed.rows) {
        const Money principal = -Money::fromFen(row.value(1).toLongLong());
        const Money bonus = -Money::fromFen(row.value(2).toLongLong());
        if (principal.isNegative() || bonus.isNegative() || (principal.isZero() && bonus.isZero()))
            continue;
        // A card replaced since gets it on the card that holds its balance now.
        QString card = row.value(0).toString();
        for (int hops = 0; hops < 20; ++hops) {
            const Outcome<CardAccount> holder = account(card);
            if (!holder && holder.isFailure())
                return holder.setback<CardBalance>();
            if (!holder || holder.value().replacedBy.isEmpty())
                break;
            card = holder.value().replacedBy;
        }
        const Outcome<CardAccount> holder = account(card);
        if (!holder)
            return holder.setback<CardBalance>();
        if (holder.value().state == CardState::Closed)
            return Refusal { QStringLiteral("会员卡%1已退卡注销,请以其它方式退还!").arg(card) };
        const Outcome<CardMovement> written = write({ card, CardKind::Refund, principal, bonus, receipt, QString(),
                                                        cashier, QString(), QStringLiteral("单据%1退回").arg(receipt) },
            time);
        if (!written)
            return written.setback<CardBalance>();
        given.principal += principal;
        given.bonus += bonus;
    }
    return given;
}

Outcome<bool> CardLedger::passwordMatches(const QString& card, const QString& typed) const
{
    const SqlResult stored = m_database.exec(
        QStringLiteral("SELECT password, password_failures FROM member_card WHERE card=?"), { card.trimmed() });
    if (!stored.ok())
        return Failure { stored.error };
    if (stored.isEmpty() || stored.first().value(0).toString().isEmpty()) {
        const Outcome<CardAccount> exists = account(card);
        if (!exists)
            return exists.setback<bool>();
        return true;
    }
    if (stored.first().value(1).toInt() >= PasswordTries)
        return Refusal { LockedText.arg(PasswordTries) };
    const bool matches = PasswordHash::verify(stored.first().value(0).toString(), typed);
    SqlTransaction transaction(m_database);
    if (!transaction.isActive())
        return Failure { transaction.error() };
    const SqlResult counted = m_database.exec(matches
            ? QStringLiteral("UPDATE member_card SET password_failures=0 WHERE card=?")
            : QStringLiteral("UPDATE member_card SET password_failures=password_failures+1 WHERE card=?"),
        { card.trimmed() });
    if (!counted.ok())
        return Failure { counted.error };
    if (!transaction.commit())
        return Failure { transaction.error() };
    return matches;
}

Outcome<QList<CardMovementTotal>> CardLedger::totals(const QDateTime& from, const QDateTime& to) const
{
    return totalsWhere(QStringLiteral("time>=? AND time<=?"), { DateTimeText(from), DateTimeText(to) });
}

Outcome<QList<CardMovementTotal>> CardLedger::totalsOfNumbers(qint64 after, qint64 upTo) const
{
    return totalsWhere(QStringLiteral("id>? AND id<=?"), { after, upTo });
}

Outcome<qint64> CardLedger::lastNumber() const
{
    QString error;
    const qint64 last
        = m_database.scalar(QStringLiteral("SELECT coalesce(max(id), 0) FROM card_ledger"), {}, &error).toLongLong();
    if (!error.isEmpty())
        return Failure { error };
    return last;
}

Outcome<QList<CardMovementTotal>> CardLedger::totalsWhere(const QString& condition, const QVariantList& values) const
{
    const SqlResult rows = m_database.exec(
        QStringLiteral("SELECT kind, method, count(*), coalesce(sum(principal_fen), 0), coalesce(sum(bonus_fen), 0) "
                       "FROM card_ledger WHERE %1 GROUP BY kind, method ORDER BY kind, method")
            .arg(condition),
        values);
    if (!rows.ok())
        return Failure { rows.error };
    QList<CardMovementTotal> totals;
    for (const QSqlRecord& row : rows.rows)
        totals.append({ row.value(0).toString(), row.value(1).toString(), row.value(2).toLongLong(),
            Money::fromFen(row.value(3).toLongLong()), Money::fromFen(row.value(4).toLongLong()) });
    // In the order of the kinds, then of the methods.
    const QStringList kinds = CardKind::all();
    std::stable_sort(totals.begin(), totals.end(), [&kinds](const CardMovementTotal& a, const CardMovementTotal& b) {
        return kinds.indexOf(a.kind) < kinds.indexOf(b.kind);
    });
    return totals;
}

Outcome<CardBalance> CardLedger::liability() const
{
    const SqlResult sums = m_database.exec(
        QStringLiteral("SELECT coalesce(sum(principal_fen), 0), coalesce(sum(bonus_fen), 0) FROM member_card"));
    if (!sums.ok())
        return Failure { sums.error };
    return CardBalance { Money::fromFen(sums.first().value(0).toLongLong()),
        Money::fromFen(sums.first().value(1).toLongLong()) };
}

Outcome<QList<CardAccount>> CardLedger::balances() const
{
    // A card row whose member record was removed still owes its money: it is listed too.
    const SqlResult rows = m_database.exec(QStringLiteral(
        "SELECT c.card, coalesce((SELECT min(h.str2) FROM huiyeninfo h WHERE h.str1=c.card), ''), "
        "coalesce((SELECT min(h.str5) FROM huiyeninfo h WHERE h.str1=c.card), ''), c.state, c.principal_fen, "
        "c.bonus_fen, c.password, c.replaced_by, c.password_failures FROM member_card c "
        "WHERE c.principal_fen<>0 OR c.bonus_fen<>0 ORDER BY c.card"));
    if (!rows.ok())
        return Failure { rows.error };
    QList<CardAccount> accounts;
    for (const QSqlRecord& row : rows.rows)
        accounts << accountOf(row);
    return accounts;
}

Outcome<QList<CardMovement>> CardLedger::movements(const QString& card) const
{
    const SqlResult rows = m_database.exec(
        QStringLiteral("SELECT %1 FROM card_ledger WHERE card=? ORDER BY id").arg(QString::fromUtf8(MovementColumns)),
        { card.trimmed() });
    if (!rows.ok())
        return Failure { rows.error };
    QList<CardMovement> movements;
    for (const QSqlRecord& row : rows.rows)
        movements << movementOf(row);
    return movements;
}

Outcome<Money> ReadCardAmount(const QString& typed)
{
    const TypedReading reading = ReadTyped(typed, TypedRule::amount());
    switch (reading.problem) {
    case TypedProblem::None:
        break;
    case TypedProblem::Empty:
        return Refusal { QStringLiteral("请输入金额!") };
    case TypedProblem::NotANumber:
        return Refusal { QStringLiteral("金额必须是数字!") };
    case TypedProblem::Negative:
        return Refusal { QStringLiteral("金额不能是负数!") };
    case TypedProblem::Zero:
        return Refusal { QStringLiteral("金额必须大于0!") };
    case TypedProblem::TooManyPlaces:
        return Refusal { QStringLiteral("金额最多两位小数!") };
    case TypedProblem::TooLarge:
        return Refusal { QStringLiteral("金额太大!") };
    }
    const Money amount = TypedMoney(reading);
    if (amount.isZero() || amount.isNegative())
        return Refusal { QStringLiteral("金额必须大于0!") };
    return amount;
}
