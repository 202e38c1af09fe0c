#include "payroll/CommissionFormulaDialog.h"

#include "app/HouseSettings.h"
#include "app/MessageService.h"
#include "app/RowListModel.h"
#include "app/RowListView.h"
#include "app/SetbackMessage.h"
#include "app/TypedNumber.h"
#include "desk/AppServices.h"
#include "desk/OperatorLog.h"
#include "payroll/CommissionFormulaStore.h"
#include "skin/OkCancelRow.h"
#include "skin/PaintedText.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

const QString CommissionFormulaDialog::NoOrderText = QStringLiteral("没有选择是第几个钟!请选择!");

namespace {

enum OrderColumn { OrderText, OrderAmount };

// The clock orders from the top of the list: 1st, 2nd, 3rd and every later clock.
const QStringList Orders = { QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3"), QStringLiteral(">=4") };

} // namespace

CommissionFormulaDialog::CommissionFormulaDialog(AppServices& services, QWidget* parent)
    : QDialog(parent)
    , m_services(services)
    , m_orders(new RowListView(this))
    , m_orderCaption(new QLabel(this))
    , m_amountEdit(new QLineEdit(this))
    , m_freeClockBox(new QComboBox(this))
    , m_washEdit(new QLineEdit(this))
    , m_supplementEdit(new QLineEdit(this))
{
    setObjectName(QStringLiteral("commissionFormulaDialog"));
    setWindowTitle(QStringLiteral("技师公式设置"));

    m_orders->setObjectName(QStringLiteral("orderList"));
    m_orders->setColumns({ QStringLiteral("钟次序"), QStringLiteral("元/钟") }, 60);
    m_orderCaption->setObjectName(QStringLiteral("orderCaption"));
    m_orderCaption->setMinimumWidth(110);
    m_amountEdit->setObjectName(QStringLiteral("amountEdit"));
    m_amountEdit->setFixedWidth(70);
    m_freeClockBox->setObjectName(QStringLiteral("freeClockBox"));
    m_freeClockBox->setEditable(true);
    m_freeClockBox->setInsertPolicy(QComboBox::NoInsert);
    m_freeClockBox->addItems({ QStringLiteral("5"), QStringLiteral("3"), QStringLiteral("4"), QStringLiteral("6") });
    m_freeClockBox->setCurrentIndex(m_freeClockBox->findText(QStringLiteral("3")));
    m_freeClockBox->setFixedWidth(70);
    m_washEdit->setObjectName(QStringLiteral("washEdit"));
    m_washEdit->setFixedWidth(70);
    m_supplementEdit->setObjectName(QStringLiteral("supplementEdit"));
    m_supplementEdit->setFixedWidth(70);

    auto* massage = new QGroupBox(QStringLiteral("按摩提成"), this);
    auto* massageGrid = new QGridLayout(massage);
    massageGrid->addWidget(m_orderCaption, 0, 0, 1, 2);
    massageGrid->addWidget(m_amountEdit, 1, 0);
    massageGrid->addWidget(new QLabel(QStringLiteral("元"), massage), 1, 1);
    massageGrid->addWidget(new QLabel(QStringLiteral("多少个钟送一个钟"), massage), 2, 0, 1, 2);
    massageGrid->addWidget(m_freeClockBox, 3, 0);
    massageGrid->setColumnStretch(2, 1);

    auto* wash = new QGroupBox(QStringLiteral("洗脚提成"), this);
    auto* washRow = new QHBoxLayout(wash);
    washRow->addWidget(m_washEdit);
    washRow->addWidget(new QLabel(QStringLiteral("元/钟"), wash));
    washRow->addStretch(1);

    auto* supplement = new QGroupBox(QStringLiteral("点钟加提"), this);
    auto* supplementRow = new QHBoxLayout(supplement);
    supplementRow->addWidget(m_supplementEdit);
    supplementRow->addWidget(new QLabel(QStringLiteral("元/钟"), supplement));
    supplementRow->addStretch(1);

    auto* boxes = new QVBoxLayout;
    boxes->addWidget(massage);
    boxes->addWidget(wash);
    boxes->addWidget(supplement);
    auto* top = new QHBoxLayout;
    top->setSpacing(14);
    top->addWidget(m_orders, 0, Qt::AlignTop);
    top->addLayout(boxes, 1);

    QPushButton* ok = nullptr;
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(18, 16, 18, 14);
    layout->setSpacing(14);
    layout->addLayout(top);
    layout->addLayout(OkCancelRow(this, &ok));

    connect(
        m_orders, &QAbstractItemView::clicked, this, [this](const QModelIndex& index) { chooseOrder(index.row()); });
    connect(m_amountEdit, &QLineEdit::textEdited, this, &CommissionFormulaDialog::enterAmount);
    connect(ok, &QPushButton::clicked, this, &CommissionFormulaDialog::confirm);

    const Outcome<std::optional<CommissionFormula>> stored = CommissionFormulaStore(m_services.database).load();
    m_loaded = stored.ok();
    if (!stored)
        ShowSetback(m_services.messages, stored);
    QString supplementError;
    m_storedSupplement = Money::fromFen(
        HouseSettings::figure(m_services.database, HouseSettings::RequestedSupplement, &supplementError));
    if (!supplementError.isEmpty()) {
        m_loaded = false;
        if (stored)
            m_services.messages.inform(supplementError, {}, MessageService::Icon::Warning);
    }
    m_supplementEdit->setText(m_storedSupplement.text());
    // A missing row shows the orders without amounts, so that the formula can be set again.
    showFormula(stored ? stored.value().value_or(CommissionFormula {}) : CommissionFormula {});
}

void CommissionFormulaDialog::showFormula(const CommissionFormula& formula)
{
    const QStringList amounts = { formula.massage1, formula.massage2, formula.massage3, formula.massageall };
    for (int row = 0; row < Orders.size(); ++row)
        m_orders->rows().insertRowAt(row, { Orders[row], amounts[row] });
    // Exactly the four rows: the list never grows.
    m_orders->setFixedSize(2 * 60 + 2 * m_orders->frameWidth(),
        m_orders->horizontalHeader()->sizeHint().height() + Orders.size() * m_orders->rowHeight(0)
            + 2 * m_orders->frameWidth());
    m_washEdit->setText(formula.wash);
    if (!formula.avertime.isEmpty()) {
        const int offered = m_freeClockBox->findText(formula.avertime);
        if (offered >= 0)
            m_freeClockBox->setCurrentIndex(offered);
        else
            m_freeClockBox->setEditText(formula.avertime);
    }
}

void CommissionFormulaDialog::chooseOrder(int row)
{
    // Showing a row's amount does not change the row.
    m_orderCaption->setText(QStringLiteral("第%1钟的提成:").arg(m_orders->rows().cell(row, OrderText)));
    m_amountEdit->setText(m_orders->rows().cell(row, OrderAmount));
}

void CommissionFormulaDialog::enterAmount(const QString& text)
{
    const int row = m_orders->selectedRow();
    if (row < 0) {
        m_services.messages.inform(NoOrderText);
        return;
    }
    m_orders->rows().setCell(row, OrderAmount, text);
}

CommissionFormula CommissionFormulaDialog::typedFormula() const
{
    const RowListModel& rows = m_orders->rows();
    return { rows.cell(0, OrderAmount), rows.cell(1, OrderAmount), rows.cell(2, OrderAmount), rows.cell(3, OrderAmount),
        m_washEdit->text(), m_freeClockBox->currentText() };
}

void CommissionFormulaDialog::confirm()
{
    // A formula that could not be read is not overwritten with the empty boxes. A failed write
    // is shown; the dialog closes either way, as the desk expects.
    if (!m_loaded) {
        reject();
        return;
    }
    // Each entry is read strictly: a refused one is named and shown, and nothing is written.
    const TypedFormulaReading typed = ReadTypedFormula(typedFormula());
    if (!typed.ok()) {
        m_services.messages.inform(typed.refusal);
        showRefusedEntry(typed.refusedEntry);
        return;
    }
    // The supplement per clock: an amount to the fen, never negative; an emptied field is 0.
    const TypedRule supplementRule = TypedRule { 2, Decimal::whole(MaxUnitPriceYuan), true, true };
    const TypedReading supplementRead = ReadTyped(m_supplementEdit->text(), supplementRule);
    if (!supplementRead.ok()) {
        m_services.messages.inform(TypedRetypeText(supplementRead.problem, QStringLiteral("点钟加提"), supplementRule));
        m_supplementEdit->setFocus();
        m_supplementEdit->selectAll();
        return;
    }
    const Money supplement = TypedMoney(supplementRead);
    const CommissionFormula& formula = typed.formula;
    QString description = QStringLiteral("提成公式改为: 第1钟%1 第2钟%2 第3钟%3 第4钟起%4 洗脚%5 每%6个钟送一个钟")
                              .arg(formula.massage1, formula.massage2, formula.massage3, formula.massageall,
                                  formula.wash, formula.avertime);
    // A house that never used the supplement keeps its log rows as they always read.
    if (!supplement.isZero() || supplement != m_storedSupplement)
        description += QStringLiteral(" 点钟加提%1元/钟").arg(supplement.text());
    const LogEntry entry { .kind = LogKind::CommissionFormula, .description = description };
    const Outcome<> saved = OperatorLog(m_services.database, m_services.session).record(entry, [&]() -> Outcome<> {
        const Outcome<> written = CommissionFormulaStore(m_services.database).save(formula);
        if (!written)
            return written;
        if (supplement == m_storedSupplement)
            return {};
        const QString error
            = HouseSettings::setFigure(m_services.database, HouseSettings::RequestedSupplement, supplement.fen());
        if (!error.isEmpty())
            return Failure { error };
        return {};
    });
    if (!saved)
        ShowSetback(m_services.messages, saved);
    accept();
}

void CommissionFormulaDialog::showRefusedEntry(int entry)
{
    if (entry < Orders.size()) {
        m_orders->selectRow(entry);
        chooseOrder(entry);
        m_amountEdit->setFocus();
        m_amountEdit->selectAll();
    } else if (entry == Orders.size()) {
        m_washEdit->setFocus();
        m_washEdit->selectAll();
    } else {
        m_freeClockBox->setFocus();
        m_freeClockBox->lineEdit()->selectAll();
    }
}
