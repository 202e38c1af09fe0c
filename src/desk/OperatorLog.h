#pragma once

#include "app/Outcome.h"
#include "app/RecordChain.h"

#include <QString>
#include <QStringList>

#include <functional>

class Database;
class DeskSession;

// The kinds of action the operator log records, as it stores and shows them.
namespace LogKind {
inline const QString Login = QStringLiteral("登录");
inline const QString FailedLogin = QStringLiteral("登录失败");
inline const QString Settlement = QStringLiteral("结帐");
inline const QString Discount = QStringLiteral("打折");
inline const QString Void = QStringLiteral("作废");
inline const QString Release = QStringLiteral("下钟");
inline const QString Reduction = QStringLiteral("减单"); // an open bill lowered, or settled at 0.00
inline const QString Reprint = QStringLiteral("重打");
inline const QString HandOver = QStringLiteral("交班");
inline const QString Prices = QStringLiteral("价格设置");
inline const QString CommissionFormula = QStringLiteral("提成公式");
inline const QString Permissions = QStringLiteral("权限设置");
inline const QString Accounts = QStringLiteral("帐户管理");
inline const QString Backup = QStringLiteral("数据备份");
inline const QString Restore = QStringLiteral("数据恢复");
inline const QString MoveGuest = QStringLiteral("换房");
inline const QString ReplaceTechnician = QStringLiteral("换技师");
inline const QString Waiver = QStringLiteral("抹零"); // small change of a bill waived at checkout
inline const QString TopUp = QStringLiteral("会员充值");
inline const QString MemberCards = QStringLiteral("会员卡管理"); // 挂失, 补卡, 退卡, 调整, passwords
inline const QString TopUpRules = QStringLiteral("充值规则");
inline const QString CashDrawer = QStringLiteral("打开钱箱"); // the drawer opened without a bill

// Every kind, in the order the log window offers them.
QStringList all();
} // namespace LogKind

// Someone above a cashier who approved an action at the desk through the login prompt.
struct Authoriser
{
    QString login {};
    int role = -1; // RoleLevel; -1 when nobody approved
    QString displayName {};

    bool isPresent() const { return role >= 0; }
};

// One row of the operator log as an action describes it. The moment and the desk user (the
// login id and role of whoever logged in last) are added by the writer.
struct LogEntry
{
    QString kind {};
    QString description {}; // a short Chinese sentence
    QString amount {}; // "%.2f", empty when the action moved no money
    QString room {};
    qint64 receipt = 0; // 0: no receipt
    Authoriser authoriser {};
};

// Writes the operator log: one append-only table, operator_log. A row is written inside the
// transaction of the action it records (it joins the caller's), so that the action and its row
// are stored together or not at all: an action whose row cannot be written does not happen.
class OperatorLog
{
public:
    OperatorLog(Database& database, const DeskSession& session);

    // Adds the row; returns the database error text, empty on success. The links of rows the
    // caller has just written in other chains (`alongside`) are added with the row's own, read
    // in the same round trip.
    QString write(const LogEntry& entry, std::span<const RecordChain::Position> alongside = {})
    {
        return write(std::span(&entry, 1), alongside);
    }
    // The same for several rows, in their order, all linked in that one round trip.
    QString write(std::span<const LogEntry> entries, std::span<const RecordChain::Position> alongside = {});
    // Runs `action` and adds the row for it in one transaction, only when the action succeeded.
    Outcome<> record(const LogEntry& entry, const std::function<Outcome<>()>& action);
    // The same for an action that tells its row once it is done.
    Outcome<> record(const std::function<Outcome<LogEntry>()>& action);

private:
    Database& m_database;
    const DeskSession& m_session;
};
