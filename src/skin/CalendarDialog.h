#pragma once

#include <QDate>
#include <QDialog>

class QCalendarWidget;

// "日历": a month calendar opened on today's date.
class CalendarDialog : public QDialog
{
    Q_OBJECT

public:
    explicit CalendarDialog(const QDate& today, QWidget* parent = nullptr);
    QCalendarWidget* calendar() const { return m_calendar; }

private:
    QCalendarWidget* m_calendar;
};
