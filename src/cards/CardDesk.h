#pragma once

#include "app/Money.h"
#include "app/Outcome.h"
#include "cards/CardLedger.h"
#include "desk/OperatorLog.h"

#include <QList>
#include <QString>

class Database;
class ThermalSlip;
class DeskSession;

// The kinds of the operator log's rows of the member cards.
namespace CardLogKind {
inline const QString TopUp = LogKind::TopUp;
inline const QString Card = LogKind::MemberCards;
inline const QString Rules = LogKind::TopUpRules;
} // namespace CardLogKind

// One rule of the top-up bonus: a top-up of at least `threshold` earns `bonus` ("充1000送100").
struct TopUpRule
{
    Money threshold;
    Money bonus;

    friend bool operator==(const TopUpRule&, const TopUpRule&) = default;
};

// What a top-up slip says, to be printed on any printer: a plain value.
struct TopUpSlip
{
    QString house; // the company's name
    qint64 number = 0; // the 充值 row's number in the card ledger
    QString time;
    QString card;
    QString member;
    Money amount;
    Money bonus;
    QString method;
    CardBalance after;
    QString cashier;

    // The slip's lines as text, top to bottom (for a thermal printer or a test).
    QStringList lines() const;
    // The slip laid out on a thermal printer's roll of `columns` characters.
    ThermalSlip thermal(int columns) const;
};

// The house's name as its papers print it (公司信息管理).
QString CardHouseName(Database& database);

// The top-up rules of the house, lowest threshold first.
Outcome<QList<TopUpRule>> LoadTopUpRules(Database& database);
// The bonus the rules give a top-up of `amount`: that of the highest threshold it reaches.
Money BonusFor(const QList<TopUpRule>& rules, Money amount);

// The actions of the card windows, each one transaction with its operator log row: the rows of
// the card ledger, the card's row and the log's row are stored together or not at all. The
// desk user is the cashier of every row; an approver is whoever above a cashier authorised it.
class CardDesk
{
public:
    static const QString MethodText; // "请选择付款方式!"
    static const QString NoteNeededText; // "请填写调整原因!"
    static const QString ApprovalNeededText; // "此操作需要经理授权!"
    static const QString ManagerNeededText; // 退卡 and 调整: a manager or the general manager

    CardDesk(Database& database, const DeskSession& session);

    CardLedger& ledger() { return m_ledger; }

    // A top-up of `amount` paid by `method` with `bonus` on top (the rules' bonus unless someone
    // above a cashier approved another). Refused for a card not 正常, an amount not above 0, a
    // bonus below 0, a method not one of CardPaymentMethods(). The slip of what was written.
    Outcome<TopUpSlip> topUp(
        const QString& card, Money amount, Money bonus, const QString& method, const Authoriser& approver = {});
    // 挂失 (a 正常 card) and 解挂 (a 挂失 one, authorised).
    Outcome<> reportLost(const QString& card);
    Outcome<> cancelLost(const QString& card, const Authoriser& approver);
    // 补卡: the whole balance moves to `newCard`, which must be a number not yet in the member
    // records; the member's row is copied to it there. The old card is 注销 with replaced_by;
    // its password goes with it. The balance now on the new card.
    Outcome<CardBalance> replace(const QString& card, const QString& newCard, const Authoriser& approver);
    // 退卡: pays back the principal left by `method`, forfeits the bonus, closes the card.
    // Needs the authorisation of a manager or the general manager (role 2 or 3). The principal paid back.
    Outcome<Money> cashOut(const QString& card, const QString& method, const Authoriser& approver);
    // 调整: a correction of either part authorised by a manager or the general manager, with
    // a note; never below 0.
    Outcome<CardBalance> adjust(
        const QString& card, Money principal, Money bonus, const QString& note, const Authoriser& approver);
    // Sets the card's password (empty clears it) and unlocks it after three wrong ones.
    // Changing an existing password needs `approver`, or `current` matching it.
    Outcome<> setPassword(
        const QString& card, const QString& password, const QString& current, const Authoriser& approver = {});
    // Writes the top-up rules whole (thresholds above 0, bonuses from 0 up, thresholds unique).
    Outcome<> saveRules(const QList<TopUpRule>& rules);
    // Whether a card pays from its bonus before its principal (CardSettings::BonusFirst), logged.
    Outcome<> setBonusFirst(bool on);

private:
    Outcome<CardAccount> accountIn(const QString& card, bool mustBeNormal) const;
    QString cashier() const;

    Database& m_database;
    const DeskSession& m_session;
    CardLedger m_ledger;
    OperatorLog m_log;
};
