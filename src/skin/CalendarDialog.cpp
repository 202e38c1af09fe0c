#include "skin/CalendarDialog.h"

#include <QCalendarWidget>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>

CalendarDialog::CalendarDialog(const QDate& today, QWidget* parent)
    : QDialog(parent)
    , m_calendar(new QCalendarWidget(this))
{
    setObjectName(QStringLiteral("calendarDialog"));
    setWindowTitle(QStringLiteral("日历"));
    m_calendar->setLocale(QLocale(QLocale::Chinese, QLocale::China));
    m_calendar->setSelectedDate(today);
    m_calendar->setGridVisible(true);
    auto* ok = new QPushButton(QStringLiteral("确定"), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    ok->setMinimumSize(75, 25);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_calendar);
    layout->addWidget(ok, 0, Qt::AlignRight);
}
