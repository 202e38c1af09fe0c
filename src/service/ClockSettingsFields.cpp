#include "service/ClockSettingsFields.h"

#include "app/LeadingNumber.h"
#include "skin/PaintedText.h"

#include <QGridLayout>
#include <QLineEdit>

ClockSettingsFields::ClockSettingsFields(QWidget* parent)
    : QGroupBox(QStringLiteral("钟时与到钟提醒"), parent)
{
    setObjectName(QStringLiteral("clockSettingsFields"));
    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(10);
    grid->setColumnMinimumWidth(3, 16);
    grid->setColumnStretch(7, 1);
    // Each field: its caption, the box and its unit, at a row and a first column of the grid.
    const auto addField
        = [this, grid](int row, int column, const QString& caption, const char* name, const QString& unit) {
              auto* box = new QLineEdit(this);
              box->setObjectName(QString::fromLatin1(name));
              box->setFixedWidth(80);
              grid->addWidget(PaintedLabel(caption, this), row, column);
              grid->addWidget(box, row, column + 1);
              grid->addWidget(PaintedLabel(unit, this), row, column + 2, 1, 2);
              return box;
          };
    m_massageMinutes = addField(0, 0, QStringLiteral("按摩每钟:"), "massageMinutesEdit", QStringLiteral("分钟"));
    m_footWashMinutes = addField(0, 4, QStringLiteral("洗脚每钟:"), "footWashMinutesEdit", QStringLiteral("分钟"));
    m_alertMinutes = addField(1, 0, QStringLiteral("到钟前:"), "alertMinutesEdit", QStringLiteral("分钟提醒"));
}

void ClockSettingsFields::showSettings(const ClockSettings& settings)
{
    m_massageMinutes->setText(QString::number(settings.massageMinutes));
    m_footWashMinutes->setText(QString::number(settings.footWashMinutes));
    m_alertMinutes->setText(QString::number(settings.alertMinutes));
}

ClockSettings ClockSettingsFields::typedSettings() const
{
    return { LeadingInt(m_massageMinutes->text()), LeadingInt(m_footWashMinutes->text()),
        LeadingInt(m_alertMinutes->text()) };
}
