#pragma once

#include <QDateTime>
#include <QDialog>

class QDateEdit;

// "时间段搜索": a period of days for a query. Both pickers start at today; the period is the
// chosen days whole, from 00:00:00 of the start day to 23:59:59 of the end day, both included.
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
    QDateEdit* m_start;
    QDateEdit* m_end;
};
