#include "schedule/Rota.h"

#include "app/Database.h"

int TodayWeekday(const QDate& today)
{
    return today.dayOfWeek(); // Qt counts Monday 1 … Sunday 7 already
}

Rota::Rota(Database& database, DeskSession& session)
    : m_database(database)
    , m_session(session)
{ }

LookedUpRows Rota::dutyTable(View view, int weekday) const
{
    QString condition;
    switch (view) {
    case View::Early:
        condition = QStringLiteral("restday<>? AND workstatus=0");
        break;
    case View::Late:
        condition = QStringLiteral("restday<>? AND workstatus=1");
        break;
    case View::Rest:
        condition = QStringLiteral("restday=?");
        break;
    }
    const QString statement = QStringLiteral("SELECT str1, str2, str9 FROM worksinfo WHERE %1 ORDER BY %2")
                                  .arg(condition, m_database.dialect().rowKey());

    LookedUpRows table;
    const SqlResult result = m_database.exec(statement, { weekday });
    if (!result.ok()) {
        table.errors.append(result.error);
        return table;
    }
    for (const QSqlRecord& row : result.rows) {
        const QString number = row.value(QStringLiteral("str1")).toString();
        table.rows.prepend({ number, row.value(QStringLiteral("str2")).toString(),
            row.value(QStringLiteral("str9")).toString(), isPresent(number) ? PresentText : AbsentText });
    }
    return table;
}

LookedUpRows Rota::queueList(Shift shift) const
{
    LookedUpRows list;
    const QStringList& numbers = rota(shift);
    for (qsizetype i = 0; i < numbers.size(); ++i) {
        const StaffName staff = LookUpStaffName(m_database, numbers[i]);
        if (!staff.error.isEmpty())
            list.errors.append(staff.error);
        else if (staff.found)
            list.rows.append({ QString::number(i + 1), numbers[i], staff.name });
    }
    return list;
}

const QStringList& Rota::rota(Shift shift) const
{
    return m_session.rota(shift);
}

bool Rota::isPresent(const QString& number) const
{
    return m_session.attendanceList().contains(number);
}

Outcome<> Rota::markPresent(const QString& number)
{
    return m_session.markPresent(number);
}

Outcome<int> Rota::queue(Shift shift, const QString& number)
{
    return m_session.queueTechnician(shift, number);
}
