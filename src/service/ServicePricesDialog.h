#pragma once

#include <QDialog>

struct AppServices;
struct ServiceSettings;
class QComboBox;
class QLineEdit;

// "设置服务价格": the prices of a massage clock, a foot-wash clock and a pedicure, the
// free-clock count (stored and shown; no bill applies it) and the member discount, kept in
// sys.nnf. "确定" writes the file whole and closes; a price below 0 or a member discount
// outside (0, 1] is refused first. "取消" writes nothing.
class ServicePricesDialog : public QDialog
{
    Q_OBJECT

public:
    explicit ServicePricesDialog(AppServices& services, QWidget* parent = nullptr);

    // The values as typed, each by its leading number.
    ServiceSettings typedSettings() const;

private:
    void showSettings(const ServiceSettings& settings);
    void confirm();

    AppServices& m_services;
    QLineEdit* m_massagePrice;
    QLineEdit* m_footWashPrice;
    QLineEdit* m_pedicurePrice;
    QComboBox* m_freeClockBox;
    QLineEdit* m_memberDiscount;
};
