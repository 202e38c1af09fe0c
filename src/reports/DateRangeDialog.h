#pragma once

#include <QDateTime>
#include <QDialog>

class QDateEdit;

// "时间段搜索": a period of days for a query. Both pickers start at today; the period runs
// from the chosen start day to the chosen end day, each at the time of day at which the
// dialog was opened, both included. (So one same day for both lists only what was stamped
// at that very second.)
class DateRangeDialog : public QDialog
{
    Q_OBJECT

public:
    explicit DateRangeDialog(const QDateTime& now, QWidget* parent = nullptr);

    QDateTime start() const;
    QDateTime end() const;

    QDateEdit* startEdit() const { return m_start; }
    QDateEdit* endEdit() const { return m_end; }

private:
    QTime m_timeOfDay;
    QDateEdit* m_start;
    QDateEdit* m_end;
};
