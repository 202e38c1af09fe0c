#pragma once

#include "app/Outcome.h"
#include "app/StaffLookup.h"
#include "desk/DeskSession.h"

#include <QDate>
#include <QString>
#include <QStringList>

class Database;

// The weekday numbering of rest days: Monday 1 … Sunday 7.
int TodayWeekday(const QDate& today);

// The day's rota at the desk: who is on duty, who has come in, and in which order the
// technicians were queued. The lists (attendance, the early and late rotas and the idle
// queue) are the desk session's; the duty table is read from the staff records.
class Rota
{
public:
    using Shift = RotaShift;
    enum class View { Early, Late, Rest };

    static inline const QString PresentText = QStringLiteral("出勤");
    static inline const QString AbsentText = QStringLiteral("缺勤");

    Rota(Database& database, DeskSession& session);

    // 编号, 姓名, 职称, 考勤情况 of everyone on duty in `view` on `weekday`, top first: the
    // newest staff record stands on top. Early and late list the shift's staff who do not rest
    // that day; rest lists whoever rests that day, whatever his shift.
    LookedUpRows dutyTable(View view, int weekday) const;

    // 工序, 技师编号, 姓名 of the shift's queue in queuing order. 工序 is the place in the rota,
    // so a technician whose staff record was deleted leaves a gap (1, 3, …).
    LookedUpRows queueList(Shift shift) const;

    const QStringList& rota(Shift shift) const;
    bool isPresent(const QString& number) const;

    // Marks `number` as come in. Marking twice simply leaves two entries.
    Outcome<> markPresent(const QString& number);

    // Puts `number` at the end of the shift's rota and at the tail of the idle queue and
    // returns his 工序. A technician already queued on that shift is refused
    // ("选择技师已经排钟!请核对后再操作!") and nothing changes. Queuing on the other shift is
    // allowed, so he may stand twice in the idle queue.
    Outcome<int> queue(Shift shift, const QString& number);

private:
    Database& m_database;
    DeskSession& m_session;
};
