#pragma once

#include "app/Money.h"
#include "desk/PaymentMethod.h"

#include <QDialog>

#include <array>
#include <optional>

struct AppServices;
class QLabel;
class QLineEdit;

// "组合支付": one bill paid in several ways, an amount for each method; the parts must add up
// to the amount payable. The member card pays only when checkout has its number (given at
// "打折"), and shows its balance. It only decides; checkout settles with the parts.
class SplitPaymentDialog : public QDialog
{
    Q_OBJECT

public:
    // `card`: the member card given at "打折", empty when none; `cardBalance` what it holds.
    // `start`: the parts to show first.
    SplitPaymentDialog(AppServices& services, Money payable, QString card, std::optional<Money> cardBalance,
        const QList<PaymentPart>& start, QWidget* parent = nullptr);

    // The parts as "确定" took them, in the methods' order, each more than 0.
    QList<PaymentPart> parts() const { return m_parts; }

    // The object name of the amount box of `method`: "cashPartEdit", "weChatPartEdit", …
    static QString partEditName(PaymentMethod method);

private:
    // The parts typed; nothing and the reason when a box holds no amount.
    std::optional<QList<PaymentPart>> typedParts(QString* refusal) const;
    void showRemaining();
    void confirm();

    AppServices& m_services;
    const Money m_payable;
    const QString m_card;
    std::array<QLineEdit*, PaymentMethodCount> m_edits {};
    QLabel* m_remainingLabel;
    QList<PaymentPart> m_parts;
};
