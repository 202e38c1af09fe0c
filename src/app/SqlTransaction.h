#pragma once

#include <QString>

#include <functional>

class Database;

// Writes that belong together run inside one of these; a bill is thus either fully stored or
// not at all. The outermost transaction on a Database begins with BEGIN IMMEDIATE (on a server,
// BEGIN and the house's write lock, which the other desks' writes wait for, sent with the
// first statement whose answer is waited for) and commits;
// one opened while another is active becomes a savepoint of it, released on commit(), so a
// store's writes join the action that called it:
//
//     SqlTransaction settlement(database);        // BEGIN IMMEDIATE
//     receipts.add(receipt);                      // its own SqlTransaction: a savepoint
//     session.closeRoom(room);                    // another savepoint
//     settlement.commit();                        // COMMIT: now both are stored
//
// Leaving the scope without a successful commit() rolls back (the savepoint alone, when
// nested). Work queued with onCommit() runs once the outermost transaction has committed and
// is dropped on any rollback that undoes it, so memory changes only after the commit.
class SqlTransaction
{
public:
    // Why a transaction did not begin: another desk of the house kept writing for longer than
    // a desk waits (on a server, where the desks' writes take turns).
    static const QString BusyText;

    explicit SqlTransaction(Database& database);
    ~SqlTransaction();
    SqlTransaction(const SqlTransaction&) = delete;
    SqlTransaction& operator=(const SqlTransaction&) = delete;

    bool isActive() const { return m_active; }
    bool isNested() const { return m_level > 0; }
    QString error() const { return m_error; }
    bool commit();

    // See the class comment; only while active.
    void onCommit(std::function<void()> work);
    void onRollback(std::function<void()> work);

private:
    Database& m_database;
    int m_level = 0;
    bool m_active = false;
    QString m_error;
};
