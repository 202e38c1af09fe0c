#include "payroll/SalarySheetDialog.h"

#include "app/Clock.h"
#include "app/MessageService.h"
#include "app/RowListModel.h"
#include "app/RowListView.h"
#include "app/SetbackMessage.h"
#include "app/TextFormat.h"
#include "desk/AppServices.h"
#include "desk/DeskSession.h"
#include "payroll/SalaryRow.h"
#include "payroll/SalarySheet.h"
#include "payroll/SalarySheetExport.h"
#include "printing/DialogPrintProgress.h"
#include "printing/ExportRunner.h"
#include "printing/PrintListReport.h"
#include "skin/DialogKeyboard.h"
#include "skin/PaintedText.h"
#include "skin/TypedFieldChange.h"

#include <QDateTimeEdit>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

const QString SalarySheetDialog::NoTechniciansText = QStringLiteral("请在员工管理中录入技师资料!");
const QString SalarySheetDialog::NoTechnicianChosenText = QStringLiteral("没有选择技师,请选择技师!");

namespace {

const QDateTime FirstPeriodStart(QDate(2003, 10, 1), QTime(0, 0));

QDateTimeEdit* periodPicker(const QDateTime& moment, const QString& objectName, QWidget* parent)
{
    auto* picker = new QDateTimeEdit(moment, parent);
    picker->setObjectName(objectName);
    picker->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    picker->setCalendarPopup(true); // a day chosen keeps the picker's time of day
    picker->setMinimumWidth(170);
    return picker;
}

QPushButton* button(const QString& text, const QString& objectName, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    button->setMinimumSize(75, 25);
    button->setAutoDefault(false);
    return button;
}

} // namespace

SalarySheetDialog::SalarySheetDialog(AppServices& services, QWidget* parent)
    : QDialog(parent)
    , m_services(services)
    , m_sheet(new RowListView(this))
    , m_start(periodPicker(FirstPeriodStart, QStringLiteral("startEdit"), this))
    , m_end(periodPicker(services.clock.now(), QStringLiteral("endEdit"), this))
{
    setObjectName(QStringLiteral("salarySheetDialog"));
    setWindowTitle(QStringLiteral("工资设定"));
    MarkAsForm(this); // Enter moves on: the sheet lives only as long as the dialog

    const Outcome<bool> split = SalarySheet::showsSplit(services.database);
    if (!split)
        ShowSetback(services.messages, split);
    m_split = split && split.value();

    m_sheet->setObjectName(QStringLiteral("salarySheet"));
    QStringList captions { QStringLiteral("编号"), QStringLiteral("姓名"), QStringLiteral("工资"),
        QStringLiteral("补贴"), QStringLiteral("所得税"), QStringLiteral("罚款"), QStringLiteral("工衣"),
        QStringLiteral("借款"), QStringLiteral("实发工资") };
    if (m_split)
        captions << QStringLiteral("项目提成") << QStringLiteral("点钟加提") << QStringLiteral("提成合计");
    m_sheet->setColumns(captions);
    m_sheet->setColumnWidth(SalaryColumn::Number, 60);
    m_sheet->setMinimumSize(60 + int(captions.size() - 1) * RowListView::DefaultColumnWidth + 4, 260);
    connect(m_sheet, &QAbstractItemView::clicked, this, &SalarySheetDialog::clearAmounts);
    connect(m_sheet->selectionModel(), &QItemSelectionModel::currentRowChanged, this, &SalarySheetDialog::clearAmounts);

    auto* period = new QGroupBox(QStringLiteral("工资发放时间"), this);
    auto* periodFields = new QGridLayout(period);
    periodFields->addWidget(PaintedLabel(QStringLiteral("开始日期:"), period), 0, 0);
    periodFields->addWidget(m_start, 0, 1);
    periodFields->addWidget(PaintedLabel(QStringLiteral("结算日期:"), period), 1, 0);
    periodFields->addWidget(m_end, 1, 1);

    auto* settlement = new QGroupBox(QStringLiteral("结算"), this);
    auto* amountFields = new QGridLayout(settlement);
    const struct
    {
        const char* label;
        const char* objectName;
        int column;
        const char* name;
    } amounts[] = {
        { "补帖:", "allowanceEdit", SalaryColumn::Allowance, "补贴" },
        { "罚款:", "fineEdit", SalaryColumn::Fine, "罚款" },
        { "工衣:", "workClothesEdit", SalaryColumn::WorkClothes, "工衣" },
        { "借款:", "advanceEdit", SalaryColumn::Advance, "借款" },
        { "所得税:", "incomeTaxEdit", SalaryColumn::IncomeTax, "所得税" },
    };
    for (size_t i = 0; i < m_amounts.size(); ++i) {
        auto* edit = new QLineEdit(settlement);
        edit->setObjectName(QString::fromLatin1(amounts[i].objectName));
        edit->setMaximumWidth(90);
        m_amounts[i] = { amounts[i].column, QString::fromUtf8(amounts[i].name), edit, {} };
        connect(edit, &QLineEdit::textEdited, this, [this, i] { takeAmount(m_amounts[i]); });
        const int row = int(i) / 2;
        const int pair = int(i) % 2;
        amountFields->addWidget(PaintedLabel(QString::fromUtf8(amounts[i].label), settlement), row, pair * 2);
        amountFields->addWidget(edit, row, pair * 2 + 1);
    }
    amountFields->setHorizontalSpacing(10);
    amountFields->setColumnMinimumWidth(2, 70);
    amountFields->setColumnStretch(4, 1);

    QPushButton* generateButton = button(QStringLiteral("工资生成"), QStringLiteral("generateButton"), this);
    QPushButton* printButton = button(QStringLiteral("打印"), QStringLiteral("printButton"), this);
    QPushButton* exportButton = button(QStringLiteral("导出"), QStringLiteral("exportButton"), this);
    QPushButton* okButton = button(QStringLiteral("确定"), QStringLiteral("okButton"), this);
    okButton->setDefault(true);
    connect(generateButton, &QPushButton::clicked, this, &SalarySheetDialog::generate);
    connect(printButton, &QPushButton::clicked, this, &SalarySheetDialog::print);
    connect(exportButton, &QPushButton::clicked, this, &SalarySheetDialog::exportSheet);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QVBoxLayout;
    buttons->addWidget(generateButton);
    buttons->addWidget(printButton);
    buttons->addWidget(exportButton);
    buttons->addStretch(1);
    buttons->addWidget(okButton);

    auto* controls = new QHBoxLayout;
    controls->addWidget(period);
    controls->addWidget(settlement, 1);
    controls->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->addWidget(m_sheet, 1);
    layout->addLayout(controls);

    fillTechnicians();
}

void SalarySheetDialog::fillTechnicians()
{
    m_sheet->clearRows();
    const Outcome<QList<SalarySheet::Technician>> technicians = SalarySheet::technicians(m_services.database);
    if (!technicians) {
        ShowSetback(m_services.messages, technicians);
        return;
    }
    for (const SalarySheet::Technician& technician : technicians.value())
        m_sheet->insertRow({ technician.number, technician.name });
}

void SalarySheetDialog::clearAmounts()
{
    for (AmountField& field : m_amounts) {
        field.edit->clear();
        field.accepted.clear();
    }
}

void SalarySheetDialog::takeAmount(AmountField& field)
{
    const int row = m_sheet->selectedRow();
    if (row < 0) {
        m_services.messages.inform(NoTechnicianChosenText);
        return;
    }
    // An amount to the fen up to the sane limit; an emptied field is 0. A refused text leaves
    // the row as it was. The row holds the plain digits, as the sheet prints and adds them.
    const TypedRule rule = TypedRule::amount().orEmptyAsZero();
    if (!TakeTypedChange(*field.edit, field.accepted, field.name, rule, m_services.messages))
        return;
    m_sheet->rows().setCell(row, field.column, PlainTypedText(field.edit->text()));
    updateNetPay(row);
}

void SalarySheetDialog::updateNetPay(int row)
{
    m_sheet->rows().setCell(row, SalaryColumn::NetPay, NetPayText(m_sheet->rows().row(row)));
}

void SalarySheetDialog::generate()
{
    if (m_sheet->rowCount() == 0) {
        m_services.messages.inform(NoTechniciansText);
        return;
    }
    const Outcome<QHash<QString, SalarySheet::Pay>> pay
        = SalarySheet::pay(m_services.database, m_start->dateTime(), m_end->dateTime());
    if (!pay) {
        ShowSetback(m_services.messages, pay);
        return;
    }
    // The amounts typed on a row stay, and its net pay takes the new wage at once.
    for (int row = 0; row < m_sheet->rowCount(); ++row) {
        const QString number = m_sheet->rows().cell(row, SalaryColumn::Number);
        const SalarySheet::Pay earned = pay.value().value(number);
        m_sheet->rows().setCell(row, SalaryColumn::Wage, earned.formula.text());
        if (m_split) {
            m_sheet->rows().setCell(row, SalaryColumn::ItemCommission, earned.items.text());
            m_sheet->rows().setCell(row, SalaryColumn::Supplement, earned.supplement.text());
            m_sheet->rows().setCell(row, SalaryColumn::CommissionTotal, earned.sum().text());
        }
        updateNetPay(row);
    }
}

void SalarySheetDialog::print()
{
    DialogPrintProgress progress(this);
    PrintListReport(m_sheet->rows(),
        { m_services.session.companyName(), SalarySheetTitle(m_start->date()),
            m_split ? ReportKind::SplitSalarySheet : ReportKind::SalarySheet },
        { m_services.printers, m_services.messages, m_services.clock, progress, this });
}

void SalarySheetDialog::exportSheet()
{
    if (m_sheet->rowCount() == 0) {
        m_services.messages.inform(QStringLiteral("列表中没有导出数据!"));
        return;
    }
    RunExport(m_services, this,
        SalarySheetExportTable(
            m_sheet->rows().rows(), m_start->dateTime(), m_end->dateTime(), m_services.session.companyName(), m_split),
        QStringLiteral("工资表"));
}
