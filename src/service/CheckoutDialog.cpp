#include "service/CheckoutDialog.h"

#include "app/Clock.h"
#include "app/HouseSettings.h"
#include "app/LeadingNumber.h"
#include "app/MessageService.h"
#include "app/PrinterChooser.h"
#include "app/SetbackMessage.h"
#include "app/TextFormat.h"
#include "cards/CardLedger.h"
#include "cards/CardPasswordDialog.h"
#include "desk/AppServices.h"
#include "desk/DeskSession.h"
#include "payroll/CommissionFormulaStore.h"
#include "service/BillRefusals.h"
#include "service/Change.h"
#include "service/DiscountDialog.h"
#include "service/LineListView.h"
#include "service/ReceiptSlip.h"
#include "service/RoomServiceActions.h"
#include "service/Settlement.h"
#include "service/SlipPrinting.h"
#include "service/SplitPaymentDialog.h"
#include "service/StockSale.h"
#include "service/TechnicianLinesModel.h"
#include "service/WaiverDialog.h"
#include "skin/DialogKeyboard.h"
#include "skin/PaintedText.h"
#include "skin/TypedFieldChange.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>

#include <algorithm>

const QString CheckoutDialog::NoTechnicianText = QStringLiteral("没有选择技师,请选择技师!");
const QString CheckoutDialog::NoClocksQuestion
    = QStringLiteral("%1号技师没有输入钟数,结算后提成为0。\n确定结算吗?选“取消”返回输入钟数。");
const QString CheckoutDialog::ReleaseQuestion = QStringLiteral("请再一次确认下钟技师!");
const QString CheckoutDialog::MemberCardFirstText = QStringLiteral("会员卡付款请先按“打折”输入会员卡号!");

namespace {

// The boxes and buttons stand beside the drawn bill; these are their sizes in pixels.
constexpr int BoxWidth = 80;
constexpr int BoxHeight = 20;
constexpr int ButtonWidth = 60;
constexpr int ButtonHeight = 25;
// "打单" stands above the totals line, but never over the technician's boxes.
constexpr int LowestSettleButtonY = 104;

QLineEdit* newBox(const char* objectName, bool readOnly, QWidget* parent)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(QString::fromLatin1(objectName));
    box->setReadOnly(readOnly);
    box->setFont(PaintedFont(12));
    box->setTextMargins(2, 0, 2, 0);
    return box;
}

QPushButton* newButton(const QString& text, const char* objectName, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(QString::fromLatin1(objectName));
    button->setAutoDefault(false);
    return button;
}

} // namespace

CheckoutDialog::CheckoutDialog(AppServices& services, QString room, QWidget* parent)
    : QDialog(parent)
    , m_services(services)
    , m_room(std::move(room))
    , m_technicians(new TechnicianLinesModel(
          { QStringLiteral("编号"), QStringLiteral("姓名"), QStringLiteral("按摩时间"), QStringLiteral("洗脚时间") },
          this))
{
    setObjectName(QStringLiteral("checkoutDialog"));
    setWindowTitle(QStringLiteral("结算"));
    // Enter moves from box to box: no Enter ends the checkout with the payment typed.
    MarkAsForm(this);

    m_prices = ServiceSettings::readForCheckout(m_services.settings, m_services.messages);
    Settlement settlement(m_services.database, m_services.session);
    if (const Outcome<int> next = settlement.nextReceiptNumber())
        m_receiptNumber = next.value();
    else
        ShowSetback(m_services.messages, next);
    if (const auto formula = CommissionFormulaStore(m_services.database).load(); !formula)
        ShowSetback(m_services.messages, formula);
    else if (formula.value())
        m_formula = *formula.value();

    if (Outcome<ItemTerms> terms = ItemTerms::read(m_services.database, m_services.session, false))
        m_itemTerms = std::move(terms.value());
    else
        ShowSetback(m_services.messages, terms);
    m_requestedSupplement
        = Money::fromFen(HouseSettings::figure(m_services.database, HouseSettings::RequestedSupplement));

    m_openBill = m_services.session.bill(m_room);
    if (m_openBill)
        m_technicians->showStoredLines(m_openBill->technicians);

    createControls();
    priceBill();
    drawBill();
    placeControls();
    m_received->setFocus();
}

CheckoutDialog::~CheckoutDialog() = default;

void CheckoutDialog::createControls()
{
    m_technicianList = new LineListView(m_technicians, this);
    m_technicianList->setObjectName(QStringLiteral("technicianList"));
    // Four columns in the 200 pixels beside the bill: the bill's own type, and columns a
    // little narrower than the desk's usual 68 pixels, so that no scroll bar is needed.
    m_technicianList->setFont(PaintedFont(12));
    m_technicianList->setColumnWidths({ 42, 50, 53, 53 });
    m_technicianList->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_received = newBox("receivedEdit", false, this);
    m_payable = newBox("payableEdit", true, this);
    m_change = newBox("changeEdit", true, this);
    m_methodBox = new QComboBox(this);
    m_methodBox->setObjectName(QStringLiteral("paymentMethodBox"));
    m_methodBox->setFont(PaintedFont(12));
    m_methodBox->setToolTip(QStringLiteral("付款方式"));
    for (PaymentMethod method : PaymentMethods)
        m_methodBox->addItem(PaymentMethodName(method));
    m_massageTime = newBox("massageTimeEdit", false, this);
    m_footWashTime = newBox("footWashTimeEdit", false, this);
    m_discountButton = newButton(QStringLiteral("打折"), "buttonDiscount", this);
    m_settleButton = newButton(QStringLiteral("打单"), "buttonSettle", this);
    m_releaseButton = newButton(QStringLiteral("下钟"), "buttonRelease", this);
    m_continueButton = newButton(QStringLiteral("继续"), "buttonContinue", this);
    m_continueButton->setDefault(true);
    m_waiveButton = newButton(QStringLiteral("抹零"), "buttonWaive", this);
    m_splitButton = newButton(QStringLiteral("组合支付"), "buttonSplitPayment", this);

    connect(m_received, &QLineEdit::textChanged, this, &CheckoutDialog::showChange);
    connect(m_methodBox, &QComboBox::activated, this, &CheckoutDialog::choosePaymentMethod);
    connect(m_technicianList, &QAbstractItemView::clicked, this, &CheckoutDialog::chooseTechnician);
    connect(m_massageTime, &QLineEdit::textEdited, this, [this] { enterClocks(BillCount::Massage); });
    connect(m_footWashTime, &QLineEdit::textEdited, this, [this] { enterClocks(BillCount::FootWash); });
    connect(m_discountButton, &QPushButton::clicked, this, &CheckoutDialog::discount);
    connect(m_settleButton, &QPushButton::clicked, this, &CheckoutDialog::settle);
    connect(m_releaseButton, &QPushButton::clicked, this, &CheckoutDialog::release);
    connect(m_continueButton, &QPushButton::clicked, this, &CheckoutDialog::reject);
    connect(m_waiveButton, &QPushButton::clicked, this, &CheckoutDialog::waive);
    connect(m_splitButton, &QPushButton::clicked, this, &CheckoutDialog::splitPayment);
}

void CheckoutDialog::priceBill()
{
    m_openBill = m_services.session.bill(m_room);
    m_itemTerms.memberCard = m_payType != SettlementRequest().payType;
    const Money before = m_bill.totalAmount;
    m_bill = Bill::price(m_openBill ? &*m_openBill : nullptr, m_prices, m_discountFactor, m_itemTerms);
    m_billTime = m_services.clock.now();
    // A waiver was given for the bill as it stood: a bill that changed is rounded off again.
    if (!m_waived.isZero()) {
        if (m_bill.totalAmount == before) {
            m_bill.waive(m_waived);
        } else {
            m_waived = {};
            m_waiverKind = WaiverKind::None;
            m_waiverAuthoriser = {};
            m_services.messages.inform(QStringLiteral("帐单金额已改变,抹零已取消,请重新抹零。"));
        }
    }
}

void CheckoutDialog::drawBill()
{
    const BillHeading heading { .companyName = m_services.session.companyName(),
        .companyTel = m_services.session.companyTel(),
        .billTimeText = DateTimeText(m_billTime),
        .receiptNumber = m_receiptNumber };
    m_layout = std::make_unique<BillLayout>(heading, m_bill);
    if (m_layout->goodsTextTooLong())
        m_services.messages.inform(BillLayout::goodsTextTooLongMessage());
    m_payable->setText(m_bill.total);
    if (!m_received->text().isEmpty())
        showChange(); // a discount changes what is due
    update();
}

void CheckoutDialog::placeControls()
{
    // The boxes and buttons stand at their places beside the drawn bill, from the totals line.
    const int y = m_layout->totalsLineY();
    m_received->setGeometry(227, y + 1, BoxWidth, BoxHeight);
    m_payable->setGeometry(55, y + 21, BoxWidth, BoxHeight);
    m_change->setGeometry(227, y + 21, BoxWidth, BoxHeight);
    m_methodBox->setGeometry(330, y + 1, BoxWidth, BoxHeight);
    m_discountButton->setGeometry(330, y + 23, BoxWidth, 22);
    m_technicianList->setGeometry(440, 35, 200, std::max(y + 10, 120));
    m_massageTime->setGeometry(650, 36, BoxWidth, BoxHeight);
    m_footWashTime->setGeometry(650, 74, BoxWidth, BoxHeight);
    const int settleY = std::max(y - 25, LowestSettleButtonY);
    m_settleButton->setGeometry(660, settleY, ButtonWidth, ButtonHeight);
    m_releaseButton->setGeometry(660, settleY + 30, ButtonWidth, ButtonHeight);
    m_continueButton->setGeometry(660, settleY + 60, ButtonWidth, ButtonHeight);
    m_waiveButton->setGeometry(660, settleY + 100, ButtonWidth, ButtonHeight);
    m_splitButton->setGeometry(660, settleY + 130, ButtonWidth, ButtonHeight);
    setFixedSize(BillLayout::Width, std::max({ y + 100, settleY + 130 + ButtonHeight + 15, 35 + 120 + 15 }));
}

void CheckoutDialog::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    m_layout->paint(painter);
}

void CheckoutDialog::showChange()
{
    // A payment that is not an amount is refused as it is typed; the box and the change keep
    // what they showed.
    if (!TakeTypedChange(*m_received, m_acceptedReceived, ReceivedField, ReceivedRule(), m_services.messages))
        return;
    // In a 组合支付 the money handed over pays the cash part.
    Money due = m_bill.payable();
    if (!m_parts.isEmpty()) {
        due = {};
        for (const PaymentPart& part : std::as_const(m_parts))
            due += part.method == PaymentMethod::Cash ? part.amount : Money();
    }
    m_change->setText(ChangeText(m_received->text(), due.text()).value());
}

void CheckoutDialog::chooseTechnician(const QModelIndex&)
{
    // Showing a row's boxes does not change the row.
    m_massageTime->setText(QStringLiteral("0"));
    m_footWashTime->setText(QStringLiteral("0"));
    m_massageTime->setFocus();
}

void CheckoutDialog::enterClocks(BillCount count)
{
    const int row = m_technicianList->selectedRow();
    if (row < 0) {
        m_services.messages.inform(NoTechnicianText);
        return;
    }
    TechnicianLine line = m_technicians->line(row);
    if (count == BillCount::Massage)
        line.massageClocks = LeadingInt(m_massageTime->text());
    else
        line.footWashClocks = LeadingInt(m_footWashTime->text());
    m_technicians->setLine(row, line);
}

void CheckoutDialog::release()
{
    const int row = m_technicianList->selectedRow();
    if (row < 0) {
        m_services.messages.inform(NoTechnicianText);
        return;
    }
    if (!m_services.messages.ask(ReleaseQuestion, QStringLiteral("警告"), MessageService::Icon::Warning))
        return;
    TechnicianLine line = m_technicians->line(row);
    if (line.released)
        return;
    line.released = true;
    QList<TechnicianLine> lines = m_technicians->lines();
    lines[row] = line;
    const Outcome<> released
        = RoomServiceActions(m_services.database, m_services.session).releaseTechnician(m_room, line.number, lines);
    if (!released) {
        ShowSetback(m_services.messages, released);
        showRoomAsStored();
        return;
    }
    m_technicians->setLine(row, line);
    m_openBill = m_services.session.bill(m_room);
}

void CheckoutDialog::discount()
{
    DiscountDialog dialog(m_services, this);
    if (dialog.exec() == QDialog::Accepted) {
        if (dialog.mode() == DiscountMode::MemberCard) {
            m_payType = dialog.valueText();
            m_discountFactor = m_prices.memberDiscount;
            // A card that holds money pays the bill; one that only gives the discount leaves
            // the method as it was.
            const Outcome<CardAccount> account = CardLedger(m_services.database).account(m_payType);
            if (account && account.value().balance.total() > Money())
                showPaymentMethod(PaymentMethod::MemberCard);
        } else {
            m_discountFactor = dialog.factor();
            m_discountApprover = dialog.approver();
            m_discountAuthoriser = dialog.authoriser();
        }
    }
    priceBill();
    drawBill();
}

void CheckoutDialog::showPaymentMethod(PaymentMethod method)
{
    m_method = method;
    showParts({});
}

void CheckoutDialog::choosePaymentMethod(int index)
{
    if (index >= PaymentMethodCount) { // "组合支付" again
        splitPayment();
        return;
    }
    // The member card pays only once "打折" has found it on file.
    const auto method = PaymentMethod(index);
    if (method == PaymentMethod::MemberCard && m_payType == SettlementRequest().payType) {
        m_services.messages.inform(MemberCardFirstText);
        showParts(m_parts); // the box shows what pays the bill
        return;
    }
    showPaymentMethod(method);
}

void CheckoutDialog::waive()
{
    const Money limit = Money::fromFen(
        HouseSettings::figureOr(m_services.database, HouseSettings::WaiverLimit, HouseSettings::DefaultWaiverLimitFen));
    WaiverDialog dialog(m_services, m_bill.totalAmount, limit, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_waiverKind = dialog.kind();
    m_waived = dialog.waived();
    m_waiverAuthoriser = dialog.authoriser();
    m_bill.waive(m_waived);
    drawBill();
    placeControls();
}

void CheckoutDialog::splitPayment()
{
    const bool hasCard = m_payType != SettlementRequest().payType;
    std::optional<Money> balance;
    if (hasCard) {
        if (const Outcome<CardAccount> account = CardLedger(m_services.database).account(m_payType))
            balance = account.value().balance.total();
    }
    SplitPaymentDialog dialog(m_services, m_bill.payable(), hasCard ? m_payType : QString(), balance, m_parts, this);
    if (dialog.exec() == QDialog::Accepted)
        showParts(dialog.parts());
    else
        showParts(m_parts);
}

void CheckoutDialog::showParts(const QList<PaymentPart>& parts)
{
    // One part is no split: it is the method.
    m_parts = parts.size() > 1 ? parts : QList<PaymentPart>();
    if (parts.size() == 1)
        m_method = parts.first().method;
    const int splitIndex = PaymentMethodCount;
    if (m_parts.isEmpty()) {
        if (m_methodBox->count() > splitIndex)
            m_methodBox->removeItem(splitIndex);
        m_methodBox->setCurrentIndex(int(m_method));
    } else {
        if (m_methodBox->count() == splitIndex)
            m_methodBox->addItem(SplitPaymentName());
        m_methodBox->setCurrentIndex(splitIndex);
    }
    showChange();
}

bool CheckoutDialog::confirmCardPayment()
{
    const QList<PaymentPart> parts = PaymentPartsOrWhole(m_parts, m_method, m_payType, m_bill.payable());
    const auto card = std::find_if(
        parts.cbegin(), parts.cend(), [](const PaymentPart& part) { return part.method == PaymentMethod::MemberCard; });
    if (card == parts.cend() || card->amount.isZero())
        return true;
    const Outcome<CardAccount> account = CardLedger(m_services.database).account(card->card);
    if (!account) {
        ShowSetback(m_services.messages, account);
        return false;
    }
    const Money balance = account.value().balance.total();
    if (m_parts.isEmpty() && balance < card->amount) {
        if (balance.isZero()) {
            m_services.messages.inform(QStringLiteral("会员卡余额不足!余额%1元").arg(balance.text()));
            return false;
        }
        // The card pays what it holds; the rest is paid another way.
        if (!m_services.messages.ask(QStringLiteral("会员卡余额%1元,不足支付%2元。\n其余用其他方式支付吗?")
                                         .arg(balance.text(), card->amount.text())))
            return false;
        showParts({ { PaymentMethod::MemberCard, balance, card->card },
            { PaymentMethod::Cash, card->amount - balance, {} } });
        splitPayment();
        return !m_parts.isEmpty() && confirmCardPayment();
    }
    if (account.value().hasPassword && !CardPasswordDialog::check(m_services, card->card, this))
        return false;
    return true;
}

bool CheckoutDialog::confirmTechnicianClocks()
{
    if (!m_openBill)
        return true;
    const QList<TechnicianLine> lines = m_technicians->lines();
    const QStringList without = TechniciansWithoutClocks(*m_openBill, lines);
    if (without.isEmpty()
        || m_services.messages.ask(NoClocksQuestion.arg(without.join(QStringLiteral("、"))), QStringLiteral("警告"),
            MessageService::Icon::Warning))
        return true;
    for (int row = 0; row < lines.size(); ++row) {
        if (lines[row].number == without.first()) {
            m_technicianList->selectRow(row);
            chooseTechnician({});
            break;
        }
    }
    return false;
}

void CheckoutDialog::settle()
{
    // Refused before the printer is chosen; settlement checks again before it writes.
    QString refusal = SettlementRefusal(m_prices);
    if (refusal.isEmpty())
        refusal = TechnicianClocksRefusal(m_technicians->lines());
    if (!refusal.isEmpty()) {
        m_services.messages.inform(refusal);
        return;
    }
    if (!confirmTechnicianClocks() || !confirmCardPayment())
        return;
    // A desk with a thermal printer prints there; any other chooses its page printer first.
    const bool onSlipPrinter = PrintsOnSlipPrinter();
    const std::unique_ptr<QPrinter> printer = onSlipPrinter ? nullptr : m_services.printers.choosePrinter(this);
    if (!printer && !onSlipPrinter)
        return;

    SettlementRequest request;
    request.room = m_room;
    request.prices = m_prices;
    request.discountFactor = m_discountFactor;
    request.discountApprover = m_discountApprover;
    request.discountAuthoriser = m_discountAuthoriser;
    request.payType = m_payType;
    request.method = m_method;
    request.parts = m_parts;
    request.waived = m_waived;
    request.waiverAuthoriser = m_waiverAuthoriser;
    request.technicians = m_technicians->lines();
    request.formula = m_formula;
    request.itemTerms = m_itemTerms;
    request.requestedSupplement = m_requestedSupplement;
    request.billTime = m_billTime;
    // The bill's cashier is whoever is logged in at the desk now (a manager settling too), not
    // the cashier who logged in last.
    request.cashier = m_services.session.userSession().login;
    const Outcome<SettledBill> settled = Settlement(m_services.database, m_services.session).settle(request);
    if (!settled) {
        // Nothing was stored: the bill stays open and nothing is printed.
        ShowSetback(m_services.messages, settled);
        showRoomAsStored();
        return;
    }
    m_settled = true;
    m_receiptNumber = settled.value().receiptNumber;
    m_bill = settled.value().bill;
    drawBill();

    PrintSettledSlip(m_services,
        ReceiptSlip::ofSettlement(settled.value(), request, m_services.session.companyName(),
            m_services.session.companyTel(), m_received->text()),
        printer.get(), *m_layout);
    for (const QString& name : settled.value().lowStockGoods)
        m_services.messages.inform(LowStockText(name));
    accept();
}

bool CheckoutDialog::keepLines()
{
    if (m_settled || m_services.session.roomState(m_room) != RoomState::InService)
        return true;
    const Outcome<> kept
        = RoomServiceActions(m_services.database, m_services.session).keepCheckoutLines(m_room, m_technicians->lines());
    if (!kept) {
        ShowSetback(m_services.messages, kept);
        showRoomAsStored();
    }
    return kept.ok();
}

void CheckoutDialog::showRoomAsStored()
{
    const QList<TechnicianLine> seen = m_openBill ? m_openBill->technicians : QList<TechnicianLine>();
    QList<TechnicianLine> entered = m_technicians->lines();
    priceBill();
    drawBill();
    placeControls();
    if (!m_openBill) {
        m_technicians->setLines({});
        m_settleButton->setEnabled(false);
        m_releaseButton->setEnabled(false);
        return;
    }
    if (m_openBill->technicians == seen)
        return; // the lines as entered here
    // A line the other desk left as this dialog saw it keeps what was entered here.
    QList<TechnicianLine> unchanged = seen;
    QList<TechnicianLine> lines;
    for (const TechnicianLine& stored : std::as_const(m_openBill->technicians)) {
        const qsizetype same = unchanged.indexOf(stored);
        const auto typed = std::find_if(entered.begin(), entered.end(),
            [&stored](const TechnicianLine& line) { return line.number == stored.number; });
        if (same >= 0 && typed != entered.end()) {
            unchanged.removeAt(same);
            lines.append(*typed);
            entered.erase(typed);
        } else {
            lines.append(stored);
        }
    }
    m_technicians->showStoredLines(lines);
}

void CheckoutDialog::reject()
{
    // A failed write keeps the checkout open with what was entered.
    if (keepLines())
        QDialog::reject();
}
