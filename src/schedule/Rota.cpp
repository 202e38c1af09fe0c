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
    QString statement;
    switch (view) {
    case View::Early:
        statement = QStringLiteral("SELECT str1, str2, str9 FROM worksinfo WHERE restday<>? AND workstatus=0 "
                                   "ORDER BY rowid");
        break;
    case View::Late:
        statement = QStringLiteral("SELECT str1, str2, str9 FROM worksinfo WHERE restday<>? AND workstatus=1 "
                                   "ORDER BY rowid");
        break;
    case View::Rest:
        statement = QStringLiteral("SELECT str1, str2, str9 FROM worksinfo WHERE restday=? ORDER BY rowid");
        break;
    }

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
