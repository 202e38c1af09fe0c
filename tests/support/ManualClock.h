#pragma once

#include "app/Clock.h"

// A clock that stands still until it is set or advanced.
class ManualClock : public Clock
{
public:
    explicit ManualClock(QDateTime start = QDateTime(QDate(2026, 12, 7), QTime(9, 0)))
        : m_now(std::move(start))
    { }
    QDateTime now() const override { return m_now; }
    void set(const QDateTime& moment) { m_now = moment; }
    void advanceSeconds(qint64 seconds) { m_now = m_now.addSecs(seconds); }

private:
    QDateTime m_now;
};
