#pragma once

#include "app/Money.h"
#include "desk/OperatorLog.h"
#include "service/Payment.h"

#include <QDialog>

struct AppServices;
class QComboBox;
class QLabel;
class QLineEdit;

// "抹零": the small change of a bill waived at the cashier's word, by rounding the amount
// payable down to the yuan or the jiao, or by an amount typed. Above the house's limit someone
// above a cashier approves it. It only decides; checkout applies it after Accepted.
class WaiverDialog : public QDialog
{
    Q_OBJECT

public:
    // "不抹零", "抹到元", "抹到角", "其他金额", in the order of WaiverKind.
    static const QStringList KindTexts;

    WaiverDialog(AppServices& services, Money total, Money limit, QWidget* parent = nullptr);

    WaiverKind kind() const { return m_kind; }
    Money waived() const { return m_waived; }
    // Who approved a waiver above the limit; nobody otherwise.
    const Authoriser& authoriser() const { return m_approver; }

private:
    void chooseKind(int index);
    // The waiver as the boxes say it now; nothing when the typed amount is not one.
    std::optional<Money> typedWaiver(QString* refusal) const;
    void showResult();
    void confirm();

    AppServices& m_services;
    const Money m_total;
    const Money m_limit;
    QComboBox* m_kindBox;
    QLineEdit* m_amountEdit;
    QLabel* m_resultLabel;
    WaiverKind m_kind = WaiverKind::None;
    Money m_waived;
    Authoriser m_approver;
};
