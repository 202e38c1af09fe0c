#include "reports/DateRangeDialog.h"

#include "skin/OkCancelRow.h"
#include "skin/PaintedText.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

namespace {

QDateEdit* datePicker(const QDate& today, const QString& objectName, QWidget* parent)
{
    auto* picker = new QDateEdit(today, parent);
    picker->setObjectName(objectName);
    picker->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
    picker->setCalendarPopup(true);
    picker->setMinimumWidth(130);
    return picker;
}

} // namespace

DateRangeDialog::DateRangeDialog(const QDateTime& now, QWidget* parent)
    : QDialog(parent)
    , m_start(datePicker(now.date(), QStringLiteral("startDateEdit"), this))
    , m_end(datePicker(now.date(), QStringLiteral("endDateEdit"), this))
{
    setObjectName(QStringLiteral("dateRangeDialog"));
    setWindowTitle(QStringLiteral("时间段搜索"));

    auto* period = new QGroupBox(QStringLiteral("时间段"), this);
    auto* fields = new QGridLayout(period);
    fields->setContentsMargins(16, 14, 16, 14);
    fields->setVerticalSpacing(12);
    fields->addWidget(PaintedLabel(QStringLiteral("开始日期:"), period), 0, 0);
    fields->addWidget(m_start, 0, 1);
    fields->addWidget(PaintedLabel(QStringLiteral("结束日期:"), period), 1, 0);
    fields->addWidget(m_end, 1, 1);

    QPushButton* ok = nullptr;
    QHBoxLayout* buttons = OkCancelRow(this, &ok);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->setSpacing(12);
    layout->addWidget(period);
    layout->addLayout(buttons);
    setFixedSize(sizeHint().expandedTo(QSize(280, 0)));
}

QDateTime DateRangeDialog::start() const
{
    return QDateTime(m_start->date(), QTime(0, 0));
}

QDateTime DateRangeDialog::end() const
{
    return QDateTime(m_end->date(), QTime(23, 59, 59));
}
