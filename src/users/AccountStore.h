#pragma once

#include <QList>
#include <QString>

#include <optional>

class Database;

// One row of an account table (adm, manager, minister, cashier). `password` is the stored
// value: an Argon2id hash, or plain text in a database that was not migrated yet.
struct Account
{
    qint64 id = 0; // the row's key (SqlDialect::rowKey())
    QString login; // logoid
    QString password;
    QString name;
};

// The outcome of adding, changing or deleting an account.
struct AccountChange
{
    bool done = false;
    // When not done: the rule's message or the database error text to show; empty when there
    // is nothing to say (the account no longer exists).
    QString message;
    QString caption; // "警告" for a duplicate account, otherwise empty (the application's title)
    Account account; // the row as written
};

// The outcome of a login check.
struct LoginCheck
{
    bool matched = false;
    QString displayName; // the matching row's name
    QString error; // database error text, empty when none
};

// The login accounts of the four roles. Typed texts reach the statements as bound values only;
// passwords are written as hashes.
class AccountStore
{
public:
    static const QString EmptyLoginText; // "账号不能为空!"
    static const QString EmptyPasswordText; // "密码不能为空!"
    static const QString DuplicateText; // "数据库已有相同的记录，请更改为其它!"
    static const QString DuplicateCaption; // "警告"
    static const QString LastGeneralManagerText;
    static const QString HashFailedText;

    explicit AccountStore(Database& database);

    // The accounts of `role` in the order the table holds them.
    QList<Account> accounts(int role, QString* error) const;
    std::optional<Account> find(int role, qint64 id, QString* error) const;

    // Whether `login` and `password` name an account of `role`; the login is compared as typed.
    LoginCheck check(int role, const QString& login, const QString& password) const;

    // Adds an account: the login is trimmed and must not be empty, the password must not be
    // empty, the login must be new within the role.
    AccountChange add(int role, const QString& login, const QString& password, const QString& name);
    // Changes the account `id`: a changed login must be free within the role; an empty password
    // keeps the stored one.
    AccountChange modify(int role, qint64 id, const QString& login, const QString& password, const QString& name);
    // The message that refuses deleting account `id`, empty when it may go: the last general
    // manager account stays, or nobody could manage accounts and permissions any more.
    QString deleteRefusal(int role, qint64 id, QString* error) const;
    AccountChange remove(int role, qint64 id);

private:
    Database& m_database;
};

// Hashes every stored password that is not a hash yet (a database made before passwords were
// hashed, the delivered account included), all in one transaction. Returns the error text,
// empty on success; on failure nothing is changed.
QString MigratePlainPasswords(Database& database);
