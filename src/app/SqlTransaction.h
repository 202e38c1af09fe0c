#pragma once

#include <QString>

class Database;

// Writes that belong together run inside one of these: BEGIN IMMEDIATE at construction,
// ROLLBACK at destruction unless commit() succeeded. A bill is thus either fully stored or
// not at all.
class SqlTransaction
{
public:
    explicit SqlTransaction(Database& database);
    ~SqlTransaction();
    SqlTransaction(const SqlTransaction&) = delete;
    SqlTransaction& operator=(const SqlTransaction&) = delete;

    bool isActive() const { return m_active; }
    QString error() const { return m_error; }
    bool commit();

private:
    Database& m_database;
    bool m_active = false;
    QString m_error;
};
