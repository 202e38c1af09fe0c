#pragma once

#include "desk/ClockSettings.h"

#include <QGroupBox>

class QLineEdit;

// The clock settings in the prices dialog: the minutes of a massage clock and of a foot-wash
// clock, and how many minutes before the end the board warns.
class ClockSettingsFields : public QGroupBox
{
    Q_OBJECT

public:
    explicit ClockSettingsFields(QWidget* parent = nullptr);

    void showSettings(const ClockSettings& settings);
    // The values as typed, each by its leading number.
    ClockSettings typedSettings() const;

private:
    QLineEdit* m_massageMinutes = nullptr;
    QLineEdit* m_footWashMinutes = nullptr;
    QLineEdit* m_alertMinutes = nullptr;
};
