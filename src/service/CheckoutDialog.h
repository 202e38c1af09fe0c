#pragma once

#include "desk/DeskSession.h"
#include "desk/OpenBill.h"
#include "desk/OperatorLog.h"
#include "desk/PaymentMethod.h"
#include "payroll/CommissionFormula.h"
#include "service/Bill.h"
#include "service/BillLayout.h"
#include "service/Payment.h"
#include "service/ServiceSettings.h"

#include <QDateTime>
#include <QDialog>

#include <memory>
#include <optional>

struct AppServices;
class LineListView;
class QComboBox;
class QLineEdit;
class QPushButton;
class TechnicianLinesModel;

// "结算": the bill of one room drawn on the left as the receipt will print it, the room's
// technicians on the right with the clocks each worked, "下钟" to send one back to the queue,
// "打折" for a manager's discount or a member card, the payment, how the guest paid (现金,
// 微信, 支付宝, 银行卡, or the member card given at "打折") and the change, and "打单", which
// settles the bill and prints the receipt. It ends with Accepted once the bill is
// settled; "继续" (or Esc, or the close box) keeps the clocks and marks entered for the next
// checkout and leaves the room in service.
class CheckoutDialog : public QDialog
{
    Q_OBJECT

public:
    static const QString NoTechnicianText; // "没有选择技师,请选择技师!"
    static const QString ReleaseQuestion; // "请再一次确认下钟技师!"
    static const QString MemberCardFirstText; // "会员卡付款请先按“打折”输入会员卡号!"
    // Asked at "打单" when technicians of a room with clocks have none entered; %1 their numbers.
    static const QString NoClocksQuestion;

    CheckoutDialog(AppServices& services, QString room, QWidget* parent = nullptr);
    ~CheckoutDialog() override;

    // The number shown: the next free one while open, the bill's own once settled.
    int receiptNumber() const { return m_receiptNumber; }
    bool isSettled() const { return m_settled; }
    const Bill& bill() const { return m_bill; }
    const BillLayout& layout() const { return *m_layout; }
    Decimal discountFactor() const { return m_discountFactor; }
    QString payType() const { return m_payType; }
    QString discountApprover() const { return m_discountApprover; }
    PaymentMethod paymentMethod() const { return m_method; }
    // The parts of a 组合支付; empty while the whole is paid by paymentMethod().
    QList<PaymentPart> paymentParts() const { return m_parts; }
    Money waived() const { return m_bill.waived; }

    // "继续", Esc and the close box.
    void reject() override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void createControls();
    // Prices the room's bill again with the current discount and takes a new bill time.
    void priceBill();
    void drawBill();
    void placeControls();

    void chooseTechnician(const QModelIndex& index);
    // The clocks typed into a box go to the selected technician at once.
    void enterClocks(BillCount count);
    void release();
    void discount();
    void choosePaymentMethod(int index);
    void showPaymentMethod(PaymentMethod method);
    // "抹零" and "组合支付".
    void waive();
    void splitPayment();
    // Sets the parts of a 组合支付 (none: the whole by the method chosen) and shows them.
    void showParts(const QList<PaymentPart>& parts);
    // Before a bill paid from a member card is settled: the card can pay it (its balance
    // short, the rest is asked for by 组合支付) and its password, when it has one, is right.
    bool confirmCardPayment();
    void settle();
    // Whether the bill may be settled with the technicians' clocks as entered: asks when some
    // would earn nothing, and on "取消" selects the first of them.
    bool confirmTechnicianClocks();
    bool keepLines();
    // After an action the desk session refused or failed (another desk may have changed or
    // settled the room): the bill as stored now, priced again. The clocks entered here stay on
    // the lines the other desk did not change, and the payment typed stays; a room no longer
    // in service cannot be settled or released here.
    void showRoomAsStored();
    void showChange();

    AppServices& m_services;
    const QString m_room;
    ServiceSettings m_prices;
    CommissionFormula m_formula;
    ItemTerms m_itemTerms; // the menu, read as checkout opens
    Money m_requestedSupplement;
    std::optional<OpenBill> m_openBill;
    int m_receiptNumber = 0;
    Decimal m_discountFactor = Decimal::whole(1);
    QString m_payType = QStringLiteral("普通");
    QString m_discountApprover = QStringLiteral("0");
    Authoriser m_discountAuthoriser;
    PaymentMethod m_method = PaymentMethod::Cash;
    QList<PaymentPart> m_parts;
    WaiverKind m_waiverKind = WaiverKind::None;
    Money m_waived;
    Authoriser m_waiverAuthoriser;
    QDateTime m_billTime;
    Bill m_bill;
    std::unique_ptr<BillLayout> m_layout;
    bool m_settled = false;

    TechnicianLinesModel* m_technicians;
    LineListView* m_technicianList = nullptr;
    QLineEdit* m_received = nullptr;
    QString m_acceptedReceived; // the payment as "收款" last took it
    QLineEdit* m_payable = nullptr;
    QLineEdit* m_change = nullptr;
    QComboBox* m_methodBox = nullptr;
    QLineEdit* m_massageTime = nullptr;
    QLineEdit* m_footWashTime = nullptr;
    QPushButton* m_discountButton = nullptr;
    QPushButton* m_settleButton = nullptr;
    QPushButton* m_releaseButton = nullptr;
    QPushButton* m_continueButton = nullptr;
    QPushButton* m_waiveButton = nullptr;
    QPushButton* m_splitButton = nullptr;
};
