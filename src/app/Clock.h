#pragma once

#include <QDateTime>

// The desk's sense of "now", injectable so that time-dependent rules can be tested.
class Clock
{
public:
    virtual ~Clock() = default;
    // Local time, whole seconds.
    virtual QDateTime now() const = 0;
};

class SystemClock : public Clock
{
public:
    QDateTime now() const override;
};

// A clock that stands still until it is set or advanced.
class ManualClock : public Clock
{
public:
    explicit ManualClock(QDateTime start = QDateTime(QDate(2026, 12, 7), QTime(9, 0)));
    QDateTime now() const override { return m_now; }
    void set(const QDateTime& moment) { m_now = moment; }
    void advanceSeconds(qint64 seconds) { m_now = m_now.addSecs(seconds); }

private:
    QDateTime m_now;
};
