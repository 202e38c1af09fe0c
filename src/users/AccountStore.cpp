#include "users/AccountStore.h"

#include "app/Database.h"
#include "app/SqlTransaction.h"
#include "app/TextFormat.h"
#include "users/PasswordHash.h"
#include "users/Roles.h"

const QString AccountStore::EmptyLoginText = QStringLiteral("账号不能为空!");
const QString AccountStore::EmptyPasswordText = QStringLiteral("密码不能为空!");
const QString AccountStore::DuplicateText = QStringLiteral("数据库已有相同的记录，请更改为其它!");
const QString AccountStore::DuplicateCaption = QStringLiteral("警告");
const QString AccountStore::LastGeneralManagerText
    = QStringLiteral("不能删除最后一个总经理帐户，否则将无人能管理帐户和权限!");
const QString AccountStore::HashFailedText = QStringLiteral("密码加密失败!");

namespace {

AccountChange refused(const QString& message, const QString& caption = {})
{
    return { false, message, caption, {} };
}

Account accountFromRow(const QSqlRecord& row)
{
    return { row.value(QStringLiteral("id")).toLongLong(), row.value(QStringLiteral("logoid")).toString(),
        row.value(QStringLiteral("password")).toString(), row.value(QStringLiteral("name")).toString() };
}

// An account is identified by its row's key.
QString keyOf(const Database& database)
{
    return database.dialect().rowKey();
}

QString selectColumns(const Database& database, const QString& table)
{
    return QStringLiteral("SELECT %1 AS id, logoid, password, name FROM %2").arg(keyOf(database), table);
}

// Whether another row than `exceptId` of `table` holds `login`; `error` is set on failure.
bool loginTaken(Database& database, const QString& table, const QString& login, qint64 exceptId, QString* error)
{
    const QVariant count = database.scalar(
        QStringLiteral("SELECT count(*) FROM %1 WHERE logoid=? AND %2<>?").arg(table, keyOf(database)),
        { login, exceptId }, error);
    return count.toInt() > 0;
}

} // namespace

AccountStore::AccountStore(Database& database)
    : m_database(database)
{ }

QList<Account> AccountStore::accounts(int role, QString* error) const
{
    QList<Account> list;
    const QString table = RoleAccountTable(role);
    if (table.isEmpty())
        return list;
    const SqlResult result = m_database.exec(selectColumns(m_database, table) + u" ORDER BY " + keyOf(m_database));
    if (error)
        *error = result.error;
    for (const QSqlRecord& row : result.rows)
        list.append(accountFromRow(row));
    return list;
}

std::optional<Account> AccountStore::find(int role, qint64 id, QString* error) const
{
    const QString table = RoleAccountTable(role);
    if (table.isEmpty())
        return std::nullopt;
    const SqlResult result
        = m_database.exec(selectColumns(m_database, table) + u" WHERE " + keyOf(m_database) + u"=?", { id });
    if (error)
        *error = result.error;
    if (!result.ok() || result.isEmpty())
        return std::nullopt;
    return accountFromRow(result.first());
}

LoginCheck AccountStore::check(int role, const QString& login, const QString& password) const
{
    LoginCheck outcome;
    const QString table = RoleAccountTable(role);
    if (table.isEmpty())
        return outcome;
    const SqlResult result
        = m_database.exec(selectColumns(m_database, table) + QStringLiteral(" WHERE logoid=?"), { login });
    outcome.error = result.error;
    if (result.ok() && result.isEmpty())
        PasswordHash::verifyUnknown(password); // as long as a wrong password takes
    for (const QSqlRecord& row : result.rows) {
        const Account account = accountFromRow(row);
        if (PasswordHash::verify(account.password, password)) {
            outcome.matched = true;
            outcome.displayName = account.name;
            break;
        }
    }
    return outcome;
}

AccountChange AccountStore::add(int role, const QString& login, const QString& password, const QString& name)
{
    const QString table = RoleAccountTable(role);
    Account account { 0, Trim(login), password, name };
    if (account.login.isEmpty())
        return refused(EmptyLoginText);
    if (password.isEmpty())
        return refused(EmptyPasswordText);
    if (table.isEmpty())
        return refused({});
    account.password = PasswordHash::hash(password);
    if (account.password.isEmpty())
        return refused(HashFailedText);

    SqlTransaction transaction(m_database);
    if (!transaction.isActive())
        return refused(transaction.error());
    QString error;
    const bool taken = loginTaken(m_database, table, account.login, 0, &error);
    if (!error.isEmpty())
        return refused(error);
    if (taken)
        return refused(DuplicateText, DuplicateCaption);
    const Outcome<qint64> inserted
        = m_database.insert(QStringLiteral("INSERT INTO %1 (logoid, password, name) VALUES (?, ?, ?)").arg(table),
            { account.login, account.password, account.name });
    if (!inserted)
        return refused(inserted.text());
    account.id = inserted.value();
    if (!transaction.commit())
        return refused(transaction.error());
    return { true, {}, {}, account };
}

AccountChange AccountStore::modify(
    int role, qint64 id, const QString& login, const QString& password, const QString& name)
{
    const QString table = RoleAccountTable(role);
    Account account { id, Trim(login), {}, name };
    if (account.login.isEmpty())
        return refused(EmptyLoginText);
    if (table.isEmpty())
        return refused({});
    if (!password.isEmpty()) {
        account.password = PasswordHash::hash(password);
        if (account.password.isEmpty())
            return refused(HashFailedText);
    }

    SqlTransaction transaction(m_database);
    if (!transaction.isActive())
        return refused(transaction.error());
    QString error;
    const std::optional<Account> stored = find(role, id, &error);
    if (!error.isEmpty())
        return refused(error);
    if (!stored)
        return refused({});
    if (account.login != stored->login) {
        const bool taken = loginTaken(m_database, table, account.login, id, &error);
        if (!error.isEmpty())
            return refused(error);
        if (taken)
            return refused(DuplicateText, DuplicateCaption);
    }
    if (password.isEmpty())
        account.password = stored->password;
    const SqlResult updated = m_database.exec(
        QStringLiteral("UPDATE %1 SET logoid=?, password=?, name=? WHERE %2=?").arg(table, keyOf(m_database)),
        { account.login, account.password, account.name, id });
    if (!updated.ok())
        return refused(updated.error);
    if (!transaction.commit())
        return refused(transaction.error());
    return { true, {}, {}, account };
}

QString AccountStore::deleteRefusal(int role, qint64 id, QString* error) const
{
    if (role != GeneralManager)
        return {};
    const QVariant others = m_database.scalar(
        QStringLiteral("SELECT count(*) FROM %1 WHERE %2<>?").arg(RoleAccountTable(role), keyOf(m_database)), { id },
        error);
    if (error && !error->isEmpty())
        return {};
    return others.toInt() == 0 ? LastGeneralManagerText : QString();
}

AccountChange AccountStore::remove(int role, qint64 id)
{
    const QString table = RoleAccountTable(role);
    if (table.isEmpty())
        return refused({});
    SqlTransaction transaction(m_database);
    if (!transaction.isActive())
        return refused(transaction.error());
    QString error;
    const std::optional<Account> stored = find(role, id, &error);
    if (!error.isEmpty())
        return refused(error);
    if (!stored)
        return refused({});
    const QString refusal = deleteRefusal(role, id, &error);
    if (!error.isEmpty())
        return refused(error);
    if (!refusal.isEmpty())
        return refused(refusal);
    const SqlResult deleted
        = m_database.exec(QStringLiteral("DELETE FROM %1 WHERE %2=?").arg(table, keyOf(m_database)), { id });
    if (!deleted.ok())
        return refused(deleted.error);
    if (!transaction.commit())
        return refused(transaction.error());
    return { true, {}, {}, *stored };
}

namespace {

struct PlainPassword
{
    QString table;
    qint64 id;
    QString password;
};

QString hashStoredPasswords(Database& database, const QList<PlainPassword>& plain, const QStringList& hashes)
{
    SqlTransaction transaction(database);
    if (!transaction.isActive())
        return transaction.error();
    for (qsizetype i = 0; i < plain.size(); ++i) {
        // The password is part of the condition, so a row changed meanwhile is left alone.
        const SqlResult updated = database.exec(
            QStringLiteral("UPDATE %1 SET password=? WHERE %2=? AND password=?").arg(plain[i].table, keyOf(database)),
            { hashes[i], plain[i].id, plain[i].password });
        if (!updated.ok())
            return updated.error;
    }
    if (!transaction.commit())
        return transaction.error();
    return {};
}

} // namespace

QString MigratePlainPasswords(Database& database)
{
    QList<PlainPassword> plain;
    for (int role = Cashier; role <= GeneralManager; ++role) {
        const QString table = RoleAccountTable(role);
        const SqlResult rows = database.exec(QStringLiteral("SELECT %1, password FROM %2").arg(keyOf(database), table));
        if (!rows.ok())
            return rows.error;
        for (const QSqlRecord& row : rows.rows) {
            const QString password = row.value(1).toString();
            if (!PasswordHash::looksHashed(password))
                plain.append({ table, row.value(0).toLongLong(), password });
        }
    }
    if (plain.isEmpty())
        return {};

    // Hashing takes a while per password, so it is done before the write lock is taken.
    QStringList hashes;
    for (const PlainPassword& row : plain) {
        hashes << PasswordHash::hash(row.password);
        if (hashes.last().isEmpty())
            return AccountStore::HashFailedText;
    }
    // The plain passwords must not linger in the file.
    return database.eraseOverwritten([&] { return hashStoredPasswords(database, plain, hashes); });
}
