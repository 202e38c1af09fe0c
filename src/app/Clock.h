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
