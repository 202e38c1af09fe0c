#include "desk/TechnicianQueue.h"

bool TechnicianQueue::removeFirst(const QString& number)
{
    const qsizetype index = m_numbers.indexOf(number);
    if (index < 0)
        return false;
    m_numbers.removeAt(index);
    return true;
}

void MoveTechnician(TechnicianQueue& source, TechnicianQueue& target, const QString& number)
{
    if (source.removeFirst(number))
        target.append(number);
}

QStringList OfferedTechnicians(const TechnicianQueue& idle, const TechnicianQueue& working)
{
    QStringList offered;
    for (const QString& number : idle.numbers()) {
        if (!working.contains(number))
            offered.append(number);
    }
    return offered;
}

bool KeepsTurnWhileServing(const TechnicianQueue& idle, const TechnicianQueue& working, const QString& number)
{
    return idle.contains(number) && working.contains(number);
}

void BringToWork(
    TechnicianQueue& idle, TechnicianQueue& working, const QString& number, bool keepsTurn, bool keptAlready)
{
    if (keptAlready && KeepsTurnWhileServing(idle, working, number)) {
        if (!keepsTurn)
            idle.removeFirst(number);
        return;
    }
    if (keepsTurn && idle.contains(number)) {
        working.append(number);
        return;
    }
    MoveTechnician(idle, working, number);
}

void SendBack(TechnicianQueue& idle, TechnicianQueue& working, const QString& number, bool toHead, bool kept)
{
    if (kept && KeepsTurnWhileServing(idle, working, number)) {
        working.removeFirst(number);
        return;
    }
    if (!toHead) {
        MoveTechnician(working, idle, number);
        return;
    }
    idle.prepend(number);
    working.removeFirst(number);
}
