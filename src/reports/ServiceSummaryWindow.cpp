#include "reports/ServiceSummaryWindow.h"

#include "app/Clock.h"
#include "app/MessageService.h"
#include "app/RowListModel.h"
#include "app/RowListView.h"
#include "app/SetbackMessage.h"
#include "app/TextFormat.h"
#include "desk/AppServices.h"
#include "desk/DeskSession.h"
#include "printing/DialogPrintProgress.h"
#include "printing/ExportRunner.h"
#include "printing/PrintListReport.h"
#include "printing/TableExport.h"
#include "reports/ServiceFigures.h"
#include "skin/PaintedText.h"

#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

struct Column
{
    QString caption;
    ExportCellType type;
    int width;
};

QList<Column> columnsOf(ServiceSummaryWindow::Kind kind)
{
    if (kind == ServiceSummaryWindow::Kind::Items)
        return { { QStringLiteral("编号"), ExportCellType::Integer, 60 },
            { QStringLiteral("项目名称"), ExportCellType::Text, 160 },
            { QStringLiteral("数量"), ExportCellType::Integer, 80 },
            { QStringLiteral("金额"), ExportCellType::Amount, 100 },
            { QStringLiteral("提成"), ExportCellType::Amount, 100 } };
    return { { QStringLiteral("编号"), ExportCellType::Text, 60 }, { QStringLiteral("姓名"), ExportCellType::Text, 90 },
        { QStringLiteral("钟数"), ExportCellType::Integer, 80 },
        { QStringLiteral("点钟数"), ExportCellType::Integer, 80 },
        { QStringLiteral("点钟率"), ExportCellType::Text, 80 },
        { QStringLiteral("提成"), ExportCellType::Amount, 100 } };
}

QString titleOf(ServiceSummaryWindow::Kind kind)
{
    return kind == ServiceSummaryWindow::Kind::Items ? QStringLiteral("服务项目汇总") : QStringLiteral("技师点钟汇总");
}

QPushButton* button(const QString& text, const QString& objectName, QWidget* parent)
{
    auto* button = new QPushButton(text, parent);
    button->setObjectName(objectName);
    button->setMinimumSize(75, 25);
    button->setAutoDefault(false);
    return button;
}

QDateTimeEdit* periodPicker(const QDateTime& moment, const QString& objectName, QWidget* parent)
{
    auto* picker = new QDateTimeEdit(moment, parent);
    picker->setObjectName(objectName);
    picker->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    picker->setCalendarPopup(true);
    picker->setMinimumWidth(170);
    return picker;
}

} // namespace

ServiceSummaryWindow::ServiceSummaryWindow(Kind kind, AppServices& services, QWidget* parent)
    : QDialog(parent)
    , m_services(services)
    , m_kind(kind)
    , m_start(periodPicker(
          QDateTime(QDate(services.clock.now().date().year(), services.clock.now().date().month(), 1), QTime(0, 0)),
          QStringLiteral("startEdit"), this))
    , m_end(periodPicker(services.clock.now(), QStringLiteral("endEdit"), this))
    , m_list(new RowListView(this))
    , m_totalsLabel(PaintedLabel({}, this))
{
    setObjectName(QStringLiteral("serviceSummaryWindow"));
    setWindowTitle(titleOf(kind));

    QPushButton* queryButton = button(QStringLiteral("查询"), QStringLiteral("queryButton"), this);
    connect(queryButton, &QPushButton::clicked, this, &ServiceSummaryWindow::query);

    auto* periodRow = new QHBoxLayout;
    periodRow->setSpacing(8);
    periodRow->addWidget(PaintedLabel(QStringLiteral("开始时间:"), this));
    periodRow->addWidget(m_start);
    periodRow->addWidget(PaintedLabel(QStringLiteral("结束时间:"), this));
    periodRow->addWidget(m_end);
    periodRow->addWidget(queryButton);
    periodRow->addStretch(1);

    const QList<Column> columns = columnsOf(kind);
    QStringList captions;
    int width = 0;
    for (const Column& column : columns) {
        captions << column.caption;
        width += column.width;
    }
    m_list->setObjectName(QStringLiteral("summaryList"));
    m_list->setColumns(captions);
    for (int i = 0; i < columns.size(); ++i)
        m_list->setColumnWidth(i, columns[i].width);
    m_list->setMinimumSize(width + 24, 300);

    m_totalsLabel->setObjectName(QStringLiteral("totalsLabel"));

    // Made left to right, so that Tab goes that way.
    QPushButton* exportButton = button(QStringLiteral("导出"), QStringLiteral("exportButton"), this);
    QPushButton* printButton = button(QStringLiteral("打印"), QStringLiteral("printButton"), this);
    QPushButton* okButton = button(QStringLiteral("确定"), QStringLiteral("okButton"), this);
    okButton->setDefault(true);
    connect(exportButton, &QPushButton::clicked, this, &ServiceSummaryWindow::exportRows);
    connect(printButton, &QPushButton::clicked, this, &ServiceSummaryWindow::print);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* foot = new QHBoxLayout;
    foot->addWidget(m_totalsLabel, 1);
    foot->addWidget(exportButton);
    foot->addWidget(printButton);
    foot->addWidget(okButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->addLayout(periodRow);
    layout->addWidget(m_list, 1);
    layout->addLayout(foot);
    resize(std::max(width + 48, 700), 520);

    query();
}

void ServiceSummaryWindow::query()
{
    m_list->clearRows();
    m_totals.clear();
    m_totalsLabel->clear();
    if (m_start->dateTime() > m_end->dateTime()) {
        m_services.messages.inform(QStringLiteral("开始时间不能晚于结束时间!"));
        return;
    }
    const TakingsLedger::Span span = TakingsLedger::Span::between(m_start->dateTime(), m_end->dateTime());
    QList<QStringList> rows;
    if (m_kind == Kind::Items) {
        const Outcome<QList<ServiceFigures::Item>> items = ServiceFigures::items(m_services.database, span);
        if (!items) {
            ShowSetback(m_services.messages, items);
            return;
        }
        qint64 units = 0;
        Money amount;
        Money commission;
        for (const ServiceFigures::Item& item : items.value()) {
            rows << QStringList { QString::number(item.number), item.name, QString::number(item.units),
                item.amount.text(), item.commission.text() };
            units += item.units;
            amount += item.amount;
            commission += item.commission;
        }
        m_totals = { QStringLiteral("合计"), QStringLiteral("%1个项目").arg(rows.size()), QString::number(units),
            amount.text(), commission.text() };
        m_totalsLabel->setText(QStringLiteral("合计: %1个项目  数量 %2  金额 %3元  提成 %4元")
                                   .arg(rows.size())
                                   .arg(units)
                                   .arg(amount.text(), commission.text()));
    } else {
        const Outcome<QList<ServiceFigures::Technician>> technicians
            = ServiceFigures::technicians(m_services.database, span);
        if (!technicians) {
            ShowSetback(m_services.messages, technicians);
            return;
        }
        qint64 clocks = 0;
        qint64 requested = 0;
        Money commission;
        for (const ServiceFigures::Technician& technician : technicians.value()) {
            rows << QStringList { technician.number, technician.name, QString::number(technician.clocks),
                QString::number(technician.requested),
                ServiceFigures::RequestRateText(technician.requested, technician.clocks),
                technician.commission.text() };
            clocks += technician.clocks;
            requested += technician.requested;
            commission += technician.commission;
        }
        const QString rate = ServiceFigures::RequestRateText(requested, clocks);
        m_totals = { QStringLiteral("合计"), QStringLiteral("%1人").arg(rows.size()), QString::number(clocks),
            QString::number(requested), rate, commission.text() };
        m_totalsLabel->setText(QStringLiteral("合计: %1人  钟数 %2  点钟数 %3  点钟率 %4  提成 %5元")
                                   .arg(rows.size())
                                   .arg(clocks)
                                   .arg(requested)
                                   .arg(rate, commission.text()));
    }
    m_list->rows().setRows(rows);
}

void ServiceSummaryWindow::print()
{
    // Each page adds its own total of the amount (items) or the commission (technicians).
    DialogPrintProgress progress(this);
    PrintListReport(m_list->rows(),
        { m_services.session.companyName(),
            QStringLiteral("%1  %2 至 %3")
                .arg(windowTitle(), m_start->dateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")),
                    m_end->dateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"))),
            m_kind == Kind::Items ? ReportKind::ItemSummary : ReportKind::TechnicianCallSummary },
        { m_services.printers, m_services.messages, m_services.clock, progress, this });
}

ExportTable ServiceSummaryWindow::exportTable() const
{
    ExportTable table;
    table.sheetName = windowTitle();
    QStringList title { m_services.session.companyName(), windowTitle(),
        QStringLiteral("%1 至 %2").arg(DateTimeText(m_start->dateTime()), DateTimeText(m_end->dateTime())) };
    title.removeAll(QString());
    table.title = title.join(QStringLiteral("  "));
    for (const Column& column : columnsOf(m_kind))
        table.columns.append({ column.caption, column.type, column.width });
    const QList<QStringList> rows = m_list->rows().rows();
    table.rowCount = rows.size();
    table.rows = [rows](const ExportTable::RowSink& sink) {
        for (const QStringList& row : rows) {
            if (!sink(row))
                break;
        }
        return QString();
    };
    table.totals = m_totals;
    return table;
}

void ServiceSummaryWindow::exportRows()
{
    if (m_list->rowCount() == 0) {
        m_services.messages.inform(QStringLiteral("列表中没有导出数据!"));
        return;
    }
    RunExport(m_services, this, exportTable(), windowTitle());
}
