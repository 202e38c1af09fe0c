#include "app/SqlTransaction.h"

#include "app/Database.h"

const QString SqlTransaction::BusyText
    = QStringLiteral("另一台收银电脑正在保存数据,等了3秒仍未完成,这次操作没有保存。请稍后再试一次。");

SqlTransaction::SqlTransaction(Database& database)
    : m_database(database)
    , m_level(database.transactionDepth())
{
    m_error = m_database.beginTransaction();
    m_active = m_error.isEmpty();
}

SqlTransaction::~SqlTransaction()
{
    if (m_active)
        m_database.rollbackTransaction();
}

bool SqlTransaction::commit()
{
    if (!m_active)
        return false;
    m_error = m_database.commitTransaction();
    if (!m_error.isEmpty())
        return false; // the destructor rolls back
    m_active = false;
    return true;
}

void SqlTransaction::onCommit(std::function<void()> work)
{
    if (m_active)
        m_database.m_transactions[m_level].onCommit.append(std::move(work));
}

void SqlTransaction::onRollback(std::function<void()> work)
{
    if (m_active)
        m_database.m_transactions[m_level].onRollback.append(std::move(work));
}
