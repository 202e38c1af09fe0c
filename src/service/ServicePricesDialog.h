#pragma once

#include "app/Outcome.h"
#include "service/ServiceSettings.h"

#include <QDialog>

struct AppServices;
struct ServiceSettings;
class ClockSettingsFields;
class QCheckBox;
class QComboBox;
class QLineEdit;

// "设置服务价格": the prices of a massage clock, a foot-wash clock and a pedicure, the
// free-clock count (stored and shown; no bill applies it) and the member discount, kept in
// sys.nnf; and the minutes of a clock and of the end-of-clock alert, kept in clock.nnf.
// "确定" writes both files whole and closes; a price below 0, a member discount outside (0, 1]
// or minutes out of range are refused first. "取消" writes nothing. The house's switches shown
// below ("减单需授权", the two spoken announcements) are stored with their log rows when changed.
class ServicePricesDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ServicePricesDialog(AppServices& services, QWidget* parent = nullptr);

    // The values as typed, read strictly (full-width digits too); a field that holds no plain
    // number in range is refused with the message the desk shows.
    Outcome<ServiceSettings> typedSettings() const;

private:
    void showSettings(const ServiceSettings& settings);
    void confirm();

    AppServices& m_services;
    QLineEdit* m_massagePrice;
    QLineEdit* m_footWashPrice;
    QLineEdit* m_pedicurePrice;
    QComboBox* m_freeClockBox;
    QLineEdit* m_memberDiscount;
    ClockSettingsFields* m_clockFields;
    QLineEdit* m_waiverLimit = nullptr;
    QCheckBox* m_reductionApproval;
    QCheckBox* m_callingVoice;
    QCheckBox* m_dueVoice;
    QCheckBox* m_requestedTurn;
};
