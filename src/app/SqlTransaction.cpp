#include "app/SqlTransaction.h"

#include "app/Database.h"

SqlTransaction::SqlTransaction(Database& database)
    : m_database(database)
{
    const SqlResult begun = m_database.exec(QStringLiteral("BEGIN IMMEDIATE"));
    m_active = begun.ok();
    m_error = begun.error;
}

SqlTransaction::~SqlTransaction()
{
    if (m_active)
        m_database.exec(QStringLiteral("ROLLBACK"));
}

bool SqlTransaction::commit()
{
    if (!m_active)
        return false;
    const SqlResult committed = m_database.exec(QStringLiteral("COMMIT"));
    if (!committed.ok()) {
        m_error = committed.error;
        return false; // the destructor rolls back
    }
    m_active = false;
    return true;
}
