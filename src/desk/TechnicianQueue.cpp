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
