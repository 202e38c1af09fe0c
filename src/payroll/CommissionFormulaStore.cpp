#include "payroll/CommissionFormulaStore.h"

#include "app/Database.h"
#include "app/SqlTransaction.h"

CommissionFormulaStore::CommissionFormulaStore(Database& database)
    : m_database(database)
{ }

Outcome<std::optional<CommissionFormula>> CommissionFormulaStore::load() const
{
    const SqlResult row = m_database.exec(
        QStringLiteral("SELECT massage1, massage2, massage3, massageall, wash, avertime FROM jstichen WHERE id=?"),
        { RowId });
    if (!row.ok())
        return Failure { row.error };
    if (row.isEmpty())
        return std::optional<CommissionFormula>();
    const QSqlRecord& values = row.first();
    return std::optional<CommissionFormula>(
        CommissionFormula { values.value(0).toString(), values.value(1).toString(), values.value(2).toString(),
            values.value(3).toString(), values.value(4).toString(), values.value(5).toString() });
}

Outcome<> CommissionFormulaStore::save(const CommissionFormula& formula)
{
    SqlTransaction transaction(m_database);
    if (!transaction.isActive())
        return Failure { transaction.error() };
    const QVariantList values { formula.massage1, formula.massage2, formula.massage3, formula.massageall, formula.wash,
        formula.avertime, RowId };
    SqlResult written = m_database.exec(QStringLiteral("UPDATE jstichen SET massage1=?, massage2=?, massage3=?, "
                                                       "massageall=?, wash=?, avertime=? WHERE id=?"),
        values);
    if (written.ok() && written.rowsAffected == 0)
        written
            = m_database.exec(QStringLiteral("INSERT INTO jstichen (massage1, massage2, massage3, massageall, wash, "
                                             "avertime, id) VALUES (?, ?, ?, ?, ?, ?, ?)"),
                values);
    if (!written.ok())
        return Failure { written.error };
    if (!transaction.commit())
        return Failure { transaction.error() };
    return {};
}
