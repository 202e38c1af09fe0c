#include "shift/HandOverDialog.h"

#include "app/Clock.h"
#include "app/MessageService.h"
#include "app/PrinterChooser.h"
#include "app/SetbackMessage.h"
#include "app/TextFormat.h"
#include "desk/AppServices.h"
#include "desk/DeskSession.h"
#include "desk/OperatorLog.h"
#include "printing/SlipSending.h"
#include "printing/SlipSettings.h"
#include "printing/ThermalSlip.h"
#include "reports/ReceiptPayments.h"
#include "shift/HandOverSlip.h"
#include "skin/DialogButton.h"
#include "skin/DialogKeyboard.h"
#include "skin/PaintedText.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QLabel* valueLabel(const QString& objectName, QWidget* parent)
{
    QLabel* label = PaintedLabel({}, parent);
    label->setObjectName(objectName);
    label->setMinimumWidth(110);
    return label;
}

QString yuan(Money amount)
{
    return amount.text() + QStringLiteral(" 元");
}

} // namespace

HandOverDialog::HandOverDialog(AppServices& services, const ShiftReceipts& shift, QWidget* parent)
    : QDialog(parent)
    , m_services(services)
    , m_shift(shift)
    , m_countedEdit(new QLineEdit(this))
    , m_confirmCountButton(NewDialogButton(QStringLiteral("确认金额"), "confirmCountButton", this))
{
    setObjectName(QStringLiteral("handOverDialog"));
    setWindowTitle(QStringLiteral("交班对账"));

    const QString since = shift.since.isValid() ? DateTimeText(shift.since) : QStringLiteral("第一张单据");
    QString cashier = services.session.currentCashier();
    if (cashier.isEmpty())
        cashier = QStringLiteral("-");
    QLabel* shiftLabel = PaintedLabel(QStringLiteral("本班: 自 %1 起    收银员: %2").arg(since, cashier), this);
    shiftLabel->setObjectName(QStringLiteral("shiftLabel"));

    m_countedEdit->setObjectName(QStringLiteral("countedEdit"));
    m_countedEdit->setFixedWidth(120);
    m_countedEdit->setMaxLength(12);
    SetEnterButton(m_countedEdit, m_confirmCountButton);
    connect(m_confirmCountButton, &QPushButton::clicked, this, &HandOverDialog::confirmCount);

    auto* countRow = new QHBoxLayout;
    countRow->addWidget(PaintedLabel(QStringLiteral("实点现金:"), this));
    countRow->addWidget(m_countedEdit);
    countRow->addWidget(PaintedLabel(QStringLiteral("元"), this));
    countRow->addSpacing(10);
    countRow->addWidget(m_confirmCountButton);
    countRow->addStretch(1);

    m_handOverButton = NewDialogButton(QStringLiteral("交班"), "handOverButton", this);
    m_handOverButton->setEnabled(false);
    connect(m_handOverButton, &QPushButton::clicked, this, &HandOverDialog::closeShift);
    QPushButton* cancelButton = NewDialogButton(QStringLiteral("取消"), "cancelButton", this);
    connect(cancelButton, &QPushButton::clicked, this, &HandOverDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_handOverButton);
    buttons->addWidget(cancelButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 18, 24, 14);
    layout->setSpacing(12);
    layout->addWidget(shiftLabel);
    layout->addWidget(PaintedLabel(QStringLiteral("请先清点抽屉中本班收到的现金(不含备用金),输入实点金额:"), this));
    layout->addLayout(countRow);
    layout->addWidget(createFigures());
    layout->addLayout(buttons);
    m_countedEdit->setFocus();
}

HandOverDialog::~HandOverDialog() = default;

QGroupBox* HandOverDialog::createFigures()
{
    m_figures = new QGroupBox(QStringLiteral("本班收款"), this);
    m_figures->setObjectName(QStringLiteral("figures"));
    auto* grid = new QGridLayout(m_figures);
    grid->setHorizontalSpacing(12);
    grid->setVerticalSpacing(6);
    int row = 0;
    const auto add = [&](const QString& caption, QLabel* value, int column) {
        grid->addWidget(PaintedLabel(caption, m_figures), row, column);
        grid->addWidget(value, row, column + 1);
    };
    m_receiptsValue = valueLabel(QStringLiteral("receiptsValue"), m_figures);
    m_totalValue = valueLabel(QStringLiteral("totalValue"), m_figures);
    add(QStringLiteral("单据张数:"), m_receiptsValue, 0);
    add(QStringLiteral("总金额:"), m_totalValue, 2);
    ++row;
    for (int i = 0; i < PaymentMethodCount; ++i) {
        m_methodValues[size_t(i)] = valueLabel(QStringLiteral("methodValue%1").arg(i), m_figures);
        add(PaymentMethodName(PaymentMethod(i)) + u':', m_methodValues[size_t(i)], (i % 2) * 2);
        if (i % 2 == 1)
            ++row;
    }
    m_unrecordedValue = valueLabel(QStringLiteral("unrecordedValue"), m_figures);
    m_unrecordedLabel = PaintedLabel(UnrecordedMethodName() + u':', m_figures);
    grid->addWidget(m_unrecordedLabel, row, 2);
    grid->addWidget(m_unrecordedValue, row, 3);
    ++row;
    m_topUpsValue = valueLabel(QStringLiteral("topUpsValue"), m_figures);
    m_cashOutsValue = valueLabel(QStringLiteral("cashOutsValue"), m_figures);
    m_cardRow = { PaintedLabel(QStringLiteral("会员充值:"), m_figures), m_topUpsValue,
        PaintedLabel(QStringLiteral("退卡退款:"), m_figures), m_cashOutsValue };
    grid->addWidget(m_cardRow[0], row, 0);
    grid->addWidget(m_topUpsValue, row, 1);
    grid->addWidget(m_cardRow[2], row, 2);
    grid->addWidget(m_cashOutsValue, row, 3);
    ++row;
    m_waivedValue = valueLabel(QStringLiteral("waivedValue"), m_figures);
    m_waivedRow = { PaintedLabel(QStringLiteral("抹零:"), m_figures), m_waivedValue };
    grid->addWidget(m_waivedRow[0], row, 0);
    grid->addWidget(m_waivedValue, row, 1);
    ++row;
    m_expectedValue = valueLabel(QStringLiteral("expectedValue"), m_figures);
    m_countedValue = valueLabel(QStringLiteral("countedValue"), m_figures);
    add(QStringLiteral("应有现金:"), m_expectedValue, 0);
    add(QStringLiteral("实点现金:"), m_countedValue, 2);
    ++row;
    m_differenceValue = valueLabel(QStringLiteral("differenceValue"), m_figures);
    add(QStringLiteral("差额:"), m_differenceValue, 0);
    ++row;
    m_reasonEdit = new QLineEdit(m_figures);
    m_reasonEdit->setObjectName(QStringLiteral("reasonEdit"));
    m_reasonEdit->setMaxLength(100);
    m_reasonEdit->setPlaceholderText(QStringLiteral("现金与应有不符时必须填写"));
    SetEnterButton(m_reasonEdit, m_handOverButton);
    grid->addWidget(PaintedLabel(QStringLiteral("差额原因:"), m_figures), row, 0);
    grid->addWidget(m_reasonEdit, row, 1, 1, 3);
    grid->setColumnStretch(3, 1);
    m_figures->setVisible(false);
    return m_figures;
}

void HandOverDialog::confirmCount()
{
    if (isRevealed())
        return;
    if (const QString refusal = CountedCashRefusal(m_countedEdit->text()); !refusal.isEmpty()) {
        m_services.messages.inform(refusal);
        m_countedEdit->setFocus();
        return;
    }
    const Outcome<ShiftTakings> takings = ReadShiftTakings(m_services.database, m_shift);
    if (!takings) {
        ShowSetback(m_services.messages, takings);
        return;
    }
    // The count stands from here on: it was typed without knowing what the drawer should hold.
    m_takings = takings.value();
    m_countedEdit->setReadOnly(true);
    m_confirmCountButton->setEnabled(false);
    showTakings();
    m_handOverButton->setEnabled(true);
    m_handOverButton->setDefault(true);
    m_reasonEdit->setFocus();
}

void HandOverDialog::showTakings()
{
    const QueryTotals& totals = m_takings->totals;
    const PaymentTotals& payments = m_takings->payments;
    m_receiptsValue->setText(QStringLiteral("%1 张").arg(totals.count));
    m_totalValue->setText(yuan(totals.amount));
    for (int i = 0; i < PaymentMethodCount; ++i)
        m_methodValues[size_t(i)]->setText(yuan(payments.methods[size_t(i)].amount));
    const bool unrecorded = payments.unrecorded.count > 0;
    m_unrecordedLabel->setVisible(unrecorded);
    m_unrecordedValue->setVisible(unrecorded);
    m_unrecordedValue->setText(yuan(payments.unrecorded.amount));
    // The cards and the waivers show only in a shift that had them.
    const ShiftCards& cards = m_takings->cards;
    QStringList topUps;
    for (int i = 0; i < CardMethodCount; ++i) {
        if (!cards.topUps[size_t(i)].isZero())
            topUps << PaymentMethodName(PaymentMethod(i)) + cards.topUps[size_t(i)].text();
    }
    if (!cards.bonus.isZero())
        topUps << QStringLiteral("赠送") + cards.bonus.text();
    m_topUpsValue->setText(topUps.isEmpty() ? yuan(Money()) : topUps.join(u' '));
    m_cashOutsValue->setText(
        QStringLiteral("现金%1 其他%2").arg(cards.cashOutsInCash.text(), cards.cashOutsOther.text()));
    for (QWidget* widget : std::as_const(m_cardRow))
        widget->setVisible(!cards.isEmpty());
    m_waivedValue->setText(yuan(m_takings->waived));
    for (QWidget* widget : std::as_const(m_waivedRow))
        widget->setVisible(!m_takings->waived.isZero());
    const Money expected = ExpectedCash(*m_takings);
    const Money difference = CashDifference(m_countedEdit->text(), expected);
    m_expectedValue->setText(yuan(expected));
    m_countedValue->setText(yuan(CountedCash(m_countedEdit->text())));
    m_differenceValue->setText(
        yuan(difference) + QStringLiteral("  ") + HandOverSlip::differenceWord(difference.text()));
    m_figures->setVisible(true);
    adjustSize();
}

void HandOverDialog::closeShift()
{
    if (!isRevealed())
        return;
    const CashCount count { m_countedEdit->text(), m_reasonEdit->text(), m_listUnprinted };
    const Outcome<HandOver> closed
        = CloseShift(m_services.database, m_services.session, m_shift, m_services.clock.now(), count);
    if (!closed) {
        ShowSetback(m_services.messages, closed);
        m_reasonEdit->setFocus();
        return;
    }
    m_handOver = closed.value();
    printSlip(*m_handOver);
    accept();
}

void HandOverDialog::printSlip(const HandOver& handOver)
{
    // A desk with a thermal printer prints the slip on its roll.
    if (const SlipSettings settings = SlipSettings::load(); settings.isSet()) {
        const HandOverSlipHeading heading { m_services.session.companyName(), DateTimeText(m_services.clock.now()) };
        SendSlip(m_services, settings, HandOverThermalSlip(heading, handOver, settings.columns()).bytes(),
            QStringLiteral("交班已完成,但交班对账单未打印(可在“交班记录查询”中重打)"));
        return;
    }
    const std::unique_ptr<QPrinter> printer = m_services.printers.choosePrinter(this);
    if (!printer)
        return;
    printer->setDocName(QStringLiteral("交班对账单"));
    const HandOverSlip slip({ m_services.session.companyName(), DateTimeText(m_services.clock.now()) }, handOver);
    if (!slip.drawing().render(*printer) || printer->printerState() == QPrinter::Error)
        m_services.messages.inform(QStringLiteral("交班已完成,但交班对账单没有打印出来,请在“交班记录查询”中重打。"), {},
            MessageService::Icon::Warning);
}

void HandOverDialog::reject()
{
    // A count given up once the expected cash was seen is kept in the log: the next count
    // is no longer blind.
    if (isRevealed() && !m_handOver) {
        const LogEntry entry { .kind = LogKind::HandOver,
            .description = QStringLiteral("清点后取消交班:实点现金%1 应有现金%2")
                               .arg(CountedCash(m_countedEdit->text()).text(), ExpectedCash(*m_takings).text()) };
        if (const QString error = OperatorLog(m_services.database, m_services.session).write(entry); !error.isEmpty())
            m_services.messages.inform(error, {}, MessageService::Icon::Warning);
    }
    QDialog::reject();
}
