#pragma once

#include "shift/HandOver.h"
#include "shift/ShiftHandOver.h"

#include <QDialog>

#include <array>
#include <optional>

struct AppServices;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

// "交班对账": the hand-over of a shift with a counted drawer. The cashier first counts the cash
// and types the amount ("确认金额"); only then are the shift's takings shown, per payment
// method, with the cash the drawer should hold and the difference, which needs a reason typed
// in. "交班" records the hand-over (and its row of the operator log), prints the slip and
// ends the dialog with Accepted. A count given up after the expected cash was shown is logged.
class HandOverDialog : public QDialog
{
    Q_OBJECT

public:
    HandOverDialog(AppServices& services, const ShiftReceipts& shift, QWidget* parent = nullptr);
    ~HandOverDialog() override;

    // Whether the takings are shown (the count has been confirmed).
    bool isRevealed() const { return m_takings.has_value(); }
    // The hand-over recorded; nothing until "交班" succeeded.
    const std::optional<HandOver>& handOver() const { return m_handOver; }

    // The shift's list was not printed in full before this hand-over: its log row says so.
    void setListUnprinted(bool unprinted) { m_listUnprinted = unprinted; }

    void reject() override;

private:
    QGroupBox* createFigures();
    void confirmCount();
    void showTakings();
    void closeShift();
    void printSlip(const HandOver& handOver);

    AppServices& m_services;
    const ShiftReceipts m_shift;
    std::optional<ShiftTakings> m_takings;
    std::optional<HandOver> m_handOver;
    bool m_listUnprinted = false;

    QLineEdit* m_countedEdit;
    QPushButton* m_confirmCountButton;
    QGroupBox* m_figures = nullptr;
    QLabel* m_receiptsValue = nullptr;
    QLabel* m_totalValue = nullptr;
    std::array<QLabel*, PaymentMethodCount> m_methodValues {};
    QLabel* m_unrecordedLabel = nullptr;
    QLabel* m_unrecordedValue = nullptr;
    // The member cards' top-ups and 退卡 and the change waived, shown when the shift had any.
    QList<QWidget*> m_cardRow;
    QLabel* m_topUpsValue = nullptr;
    QLabel* m_cashOutsValue = nullptr;
    QList<QWidget*> m_waivedRow;
    QLabel* m_waivedValue = nullptr;
    QLabel* m_expectedValue = nullptr;
    QLabel* m_countedValue = nullptr;
    QLabel* m_differenceValue = nullptr;
    QLineEdit* m_reasonEdit = nullptr;
    QPushButton* m_handOverButton = nullptr;
};
