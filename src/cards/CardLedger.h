#pragma once

#include "app/Money.h"
#include "app/Outcome.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

class Database;

// The stored-value member cards (储值卡): the money a member paid onto his card (本金, the
// principal) and what the house gave on top (赠送, the bonus), kept as a ledger of movements.
//
// Every movement of a card's money is one row of card_ledger, only ever added, numbered 1, 2,
// 3 … under the write lock, with its amounts signed (+ onto the card, − off it) and the
// balance after it; the row of member_card caches that balance, and a conditional UPDATE whose
// count of changed rows is checked moves it, so that two desks paying from one card at once
// can never take it below zero or take the same money twice. Each row joins the card chain
// (RecordChain::Chain::Cards) in the transaction that writes it, and the background check
// proves that every cached balance is the sum of its rows (CardBalanceProof.h).
//
// The kinds of movement: 充值 (a top-up, principal in, with its payment method), 赠送 (the
// bonus of a top-up, a row of its own), 消费 (paid at checkout, with the receipt number), 退款
// (a card-paid receipt voided: exactly what its 消费 rows took goes back), 调整 (a manager's
// correction, with a note), 退卡 (the principal paid back by a method, the bonus forfeited;
// the card is closed), and 补卡转出 / 补卡转入 (a replaced card: its whole balance moves out of
// the old card and into the new one, two rows of one transaction).
namespace CardKind {
inline const QString TopUp = QStringLiteral("充值");
inline const QString Bonus = QStringLiteral("赠送");
inline const QString Payment = QStringLiteral("消费");
inline const QString Refund = QStringLiteral("退款");
inline const QString Adjustment = QStringLiteral("调整");
inline const QString CashOut = QStringLiteral("退卡");
inline const QString MovedOut = QStringLiteral("补卡转出");
inline const QString MovedIn = QStringLiteral("补卡转入");
QStringList all();
} // namespace CardKind

// How a top-up is paid and a 退卡 paid back.
QStringList CardPaymentMethods(); // 现金 微信 支付宝 银行卡

struct CardBalance
{
    Money principal;
    Money bonus;
    Money total() const { return principal + bonus; }

    friend bool operator==(const CardBalance&, const CardBalance&) = default;
};

enum class CardState { Normal, Lost, Closed }; // "正常" "挂失" "注销"
QString CardStateText(CardState state);

struct CardAccount
{
    QString card;
    QString member; // the member's name (huiyeninfo.str2)
    CardState state = CardState::Normal;
    CardBalance balance;
    bool hasPassword = false;
    QString phone {}; // huiyeninfo.str5
    QString replacedBy {}; // the new card of a 补卡
    int passwordFailures = 0; // wrong passwords typed in a row
};

// The movements of a period summed per kind and method.
struct CardMovementTotal
{
    QString kind;
    QString method;
    qint64 movements = 0;
    Money principal;
    Money bonus;

    friend bool operator==(const CardMovementTotal&, const CardMovementTotal&) = default;
};

// One row of the card ledger.
struct CardMovement
{
    qint64 id = 0;
    QString time;
    QString card;
    QString kind;
    Money principal;
    Money bonus;
    CardBalance after;
    qint64 receipt = 0;
    QString method;
    QString cashier;
    QString approver;
    QString note;
};

// A movement to write: what changes and who did it. The balance after is worked out.
struct CardWrite
{
    QString card;
    QString kind;
    Money principal; // signed
    Money bonus; // signed
    qint64 receipt = 0;
    QString method {};
    QString cashier {};
    QString approver {};
    QString note {};
    bool onlyWhenNormal = false; // refused (ChangedText) unless the card is 正常 as it is written
};

class CardLedger
{
public:
    static const QString UnknownCardText; // "会员卡号不存在!"
    static const QString LostText; // "该会员卡已挂失!"
    static const QString ClosedText; // "该会员卡已注销!"
    static const QString ShortText; // "会员卡余额不足!余额%1元"
    static const QString LockedText; // three wrong passwords
    static const QString ChangedText; // the balance changed meanwhile (another desk)
    static constexpr int PasswordTries = 3;

    explicit CardLedger(Database& database);

    // The card as it stands; Refusal "会员卡号不存在!" when huiyeninfo has no such card.
    Outcome<CardAccount> account(const QString& card) const;
    // The cards whose number or member's telephone is `typed` (exactly), then those that
    // begin with it; at most 50.
    Outcome<QList<CardAccount>> find(const QString& typed) const;

    // Pays `amount` (> 0) from the card INSIDE THE CALLER'S OPEN TRANSACTION (opens none):
    // refused when the card is not 正常 ("该会员卡已挂失!" / "该会员卡已注销!"), its payments
    // are locked after three wrong passwords, or the balance is short ("会员卡余额不足!余额%1元");
    // takes principal or bonus first by the house setting (CardSettings: principal first unless
    // a manager switched to bonus first); one conditional UPDATE of member_card whose count of
    // changed rows is checked (never below 0, even with two desks at once); the 消费 row with
    // the receipt number; the chain link. Returns the balance after.
    Outcome<CardBalance> pay(
        const QString& card, Money amount, qint64 receipt, const QDateTime& time, const QString& cashier);
    // Gives back to their cards what the 消费 rows of `receipt` took and no 退款 row gave back
    // yet (a voided card-paid receipt), principal and bonus as they were taken, inside the
    // caller's open transaction; a second call gives nothing. A card replaced since gets it on
    // its new card; a card closed by 退卡 refuses. Returns what went back in all.
    Outcome<CardBalance> refundReceipt(qint64 receipt, const QDateTime& time, const QString& cashier);

    // Whether `typed` is the card's password (true when it has none). A wrong one counts; the
    // third in a row locks the card's payments (Refusal LockedText, also for the right one
    // after it) until a manager sets or clears the password; a right one starts the count
    // again. Writes the count in a transaction of its own (a savepoint inside an open one).
    Outcome<bool> passwordMatches(const QString& card, const QString& typed) const;

    // Movements of [from, to] by kind and method, for the hand-over and the 会员充值表.
    Outcome<QList<CardMovementTotal>> totals(const QDateTime& from, const QDateTime& to) const;
    // Movements numbered after `after` up to `upTo` by kind and method: those of a shift.
    Outcome<QList<CardMovementTotal>> totalsOfNumbers(qint64 after, qint64 upTo) const;
    // The number of the last movement; 0 before the first.
    Outcome<qint64> lastNumber() const;
    // The sum owed to all cards (the house's liability).
    Outcome<CardBalance> liability() const;
    // Every card that holds money, by card number: what the liability is made of.
    Outcome<QList<CardAccount>> balances() const;
    // The rows of one card, oldest first (the old card's rows of a 补卡 stay under it).
    Outcome<QList<CardMovement>> movements(const QString& card) const;

    // Writes one movement in the caller's open transaction: the card row (made at the card's
    // first movement), moved by a conditional UPDATE from the balance read to the balance
    // after, refused when either part would go below 0; the ledger row; its link. The state
    // is not looked at: the callers decide what a state allows.
    Outcome<CardMovement> write(const CardWrite& movement, const QDateTime& time);

private:
    Outcome<QList<CardMovementTotal>> totalsWhere(const QString& condition, const QVariantList& values) const;

    Database& m_database;
};

// Typed money of the card windows: a plain number above 0 with at most two decimal places;
// anything else is refused with a message ("金额必须大于0!", "金额最多两位小数!", …).
Outcome<Money> ReadCardAmount(const QString& typed);
