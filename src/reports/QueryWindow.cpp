#include "reports/QueryWindow.h"

#include "app/Clock.h"
#include "app/Database.h"
#include "app/LeadingNumber.h"
#include "app/MessageService.h"
#include "app/PagedTableModel.h"
#include "app/SetbackMessage.h"
#include "app/TextFormat.h"
#include "desk/AppServices.h"
#include "desk/DeskSession.h"
#include "printing/DialogPrintProgress.h"
#include "printing/ExportRunner.h"
#include "printing/PrintListReport.h"
#include "reports/DateRangeDialog.h"
#include "reports/PaymentTotalsLine.h"
#include "reports/QueryExport.h"
#include "reports/QueryTotalsArea.h"
#include "reports/QueryTotalsReader.h"
#include "reports/ReceiptPayments.h"
#include "reports/ServiceSummaryWindow.h"
#include "reports/SingleValueQueryDialog.h"
#include "service/ReceiptReprint.h"
#include "skin/PaintedText.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

const QString QueryWindow::GoodsNotPrintedText = QStringLiteral("商品销售不支持打印!");

namespace {

// The columns every list is ordered by, newest first (with the order rows were added in).
const QStringList NewestFirst { QStringLiteral("time") };

ReportKind reportKindOf(RecordKind kind)
{
    return kind == RecordKind::TechnicianServices ? ReportKind::TechnicianServices : ReportKind::Receipts;
}

} // namespace

QueryWindow::QueryWindow(RecordKind kind, Mode mode, AppServices& services, QWidget* parent, ShiftListing* shift)
    : QDialog(parent)
    , m_services(services)
    , m_kind(kind)
    , m_mode(mode)
    , m_model(new PagedTableModel(services.database, RecordKindLayout::of(kind).table,
          RecordKindLayout::of(kind).columnNames(), NewestFirst, this))
    , m_list(new LongListView(this))
    , m_totalsArea(new QueryTotalsArea(kind, this))
    , m_totalsTimer(new QTimer(this))
    , m_totalsReader(new QueryTotalsReader(services.database, this))
    , m_shiftListing(shift)
{
    Q_ASSERT(mode == Mode::Normal || shift);
    const RecordKindLayout& layout = RecordKindLayout::of(kind);
    setObjectName(QStringLiteral("queryWindow"));
    setWindowTitle(layout.caption);

    // Each kind of list remembers the widths the user gives its columns.
    m_model->setHeaders(layout.captions());
    m_list->setObjectName(QStringLiteral("queryList"));
    m_list->setLayoutKey(QStringLiteral("queryWindow/queryList%1").arg(int(kind)));
    m_list->setListModel(m_model);
    m_list->setColumnWidths(layout.widths());
    connect(m_model, &PagedTableModel::readFailed, this, &QueryWindow::showReadFailure, Qt::QueuedConnection);

    auto* menuBar = new QMenuBar(this);
    QMenu* menu = menuBar->addMenu(QStringLiteral("查询条件(&Q)"));
    menu->setObjectName(QStringLiteral("queryMenu"));
    const QList<QAction*> queries {
        addQuery(QStringLiteral("今天经营记录查询(&J) Ctrl+J"), "actionToday", &QueryWindow::queryToday),
        addQuery(QStringLiteral("时间段经营记录查询(&S)...."), "actionPeriod", &QueryWindow::queryPeriod),
        addQuery(QStringLiteral("显示所有记录(&A)"), "actionAll", &QueryWindow::queryAll),
        addQuery(QStringLiteral("按单据编号查询(&B)"), "actionReceiptNumber", &QueryWindow::queryReceiptNumber),
        addQuery(QStringLiteral("按技师编号查询"), "actionTechnician", &QueryWindow::queryTechnician),
        addQuery(QStringLiteral("按商品名称查询"), "actionGoodsName", &QueryWindow::queryGoodsName),
    };
    menu->addActions(queries);
    auto* todayKeys = new QShortcut(QKeySequence(QStringLiteral("Ctrl+J")), this);
    connect(todayKeys, &QShortcut::activated, this, &QueryWindow::queryToday);

    // The technicians' list offers their sums per technician, with the 点钟: made first, as it
    // stands leftmost.
    QPushButton* callsButton = nullptr;
    if (kind == RecordKind::TechnicianServices && mode == Mode::Normal) {
        callsButton = new QPushButton(QStringLiteral("技师点钟汇总"), this);
        callsButton->setObjectName(QStringLiteral("technicianCallsButton"));
        callsButton->setMinimumSize(100, 25);
        connect(callsButton, &QPushButton::clicked, this, [this] {
            ServiceSummaryWindow summary(ServiceSummaryWindow::Kind::TechnicianCalls, m_services, this);
            summary.exec();
        });
    }
    // Made before the two beside it, so that Tab goes left to right.
    auto* exportButton = new QPushButton(QStringLiteral("导出"), this);
    exportButton->setObjectName(QStringLiteral("exportButton"));
    exportButton->setMinimumSize(75, 25);
    connect(exportButton, &QPushButton::clicked, this, &QueryWindow::exportRows);
    auto* printButton = new QPushButton(QStringLiteral("打印"), this);
    printButton->setObjectName(QStringLiteral("printButton"));
    auto* okButton = new QPushButton(QStringLiteral("确定"), this);
    okButton->setObjectName(QStringLiteral("okButton"));
    okButton->setDefault(true);
    for (QPushButton* button : { printButton, okButton })
        button->setMinimumSize(75, 25);
    connect(printButton, &QPushButton::clicked, this, &QueryWindow::print);
    connect(okButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QVBoxLayout;
    if (mode == Mode::HandOver) {
        m_shiftLabel = PaintedLabel({}, this);
        m_shiftLabel->setObjectName(QStringLiteral("shiftLabel"));
        buttons->addWidget(m_shiftLabel, 0, Qt::AlignRight);
    }
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    if (callsButton)
        buttonRow->addWidget(callsButton);
    buttonRow->addWidget(exportButton);
    buttonRow->addWidget(printButton);
    buttonRow->addWidget(okButton);
    buttons->addStretch(1);
    buttons->addLayout(buttonRow);

    // The receipts' takings per payment method, and a receipt printed again. The hand-over
    // shows the takings only after the drawer was counted.
    auto* totals = new QVBoxLayout;
    totals->addWidget(m_totalsArea);
    if (kind == RecordKind::Receipts && mode == Mode::Normal) {
        m_paymentTotals = new PaymentTotalsLine(this);
        totals->addWidget(m_paymentTotals);
        auto* reprintButton = new QPushButton(QStringLiteral("重打小票"), this);
        reprintButton->setObjectName(QStringLiteral("reprintButton"));
        reprintButton->setMinimumSize(75, 25);
        connect(reprintButton, &QPushButton::clicked, this, &QueryWindow::reprintSelected);
        buttonRow->insertWidget(1, reprintButton);
    }

    auto* foot = new QHBoxLayout;
    foot->setContentsMargins(0, 4, 12, 8);
    foot->addLayout(totals);
    foot->addStretch(1);
    foot->addLayout(buttons);

    auto* windowLayout = new QVBoxLayout(this);
    windowLayout->setContentsMargins(0, 0, 0, 0);
    windowLayout->setSpacing(4);
    windowLayout->setMenuBar(menuBar);
    windowLayout->addWidget(m_list, 1);
    windowLayout->addLayout(foot);
    resize(820, 560);

    // The list is shown first; its totals follow as soon as the window is free again.
    m_totalsTimer->setSingleShot(true);
    m_totalsTimer->setInterval(0);
    connect(m_totalsTimer, &QTimer::timeout, this, &QueryWindow::readTotals);

    if (mode == Mode::HandOver)
        listShift();
    else
        fill(QueryCondition::all());
}

QueryWindow::~QueryWindow() = default;

QAction* QueryWindow::addQuery(const QString& text, const char* objectName, void (QueryWindow::*query)())
{
    auto* action = new QAction(text, this);
    action->setObjectName(QString::fromLatin1(objectName));
    connect(action, &QAction::triggered, this, query);
    return action;
}

void QueryWindow::fill(const QueryCondition& condition)
{
    m_condition = condition;
    m_totals.reset();
    m_totalsReader->stop();
    m_totalsTimer->stop();
    // A condition by time alone is added up from the daily ledger in milliseconds: before the
    // list, so that the rows and their totals are laid out and painted once. Any other is added
    // up from its rows on the worker thread while the list is shown.
    std::optional<QueryTotalsReader::Result> fromLedger;
    if (condition.span())
        fromLedger = QueryTotalsReader::read(m_services.database, m_kind, condition, m_paymentTotals != nullptr);
    if (!fromLedger) {
        m_totalsArea->setTotals(std::nullopt);
        if (m_paymentTotals)
            m_paymentTotals->setTotals(std::nullopt);
    }
    std::optional<int> count;
    if (fromLedger && fromLedger->totals)
        count = int(fromLedger->totals.value().count);
    const QString error = m_model->setCondition(condition.sql(), condition.values(), count);
    m_list->scrollToTop();
    if (!error.isEmpty()) {
        // Nothing is listed, so the totals are those of nothing.
        m_services.messages.inform(error, {}, MessageService::Icon::Warning);
        m_totals = QueryTotals {};
        m_totalsArea->setTotals(m_totals);
        if (m_paymentTotals)
            m_paymentTotals->setTotals(std::nullopt);
        return;
    }
    if (fromLedger) {
        showTotals(*fromLedger);
        return;
    }
    // A worker opens its own connection to the same file or server (a database in memory has
    // none, and adds up just after the list is shown).
    const bool reachable = m_services.database.server() || m_services.database.filePath().startsWith(u'/');
    if (!reachable) {
        m_totalsTimer->start();
        return;
    }
    m_totalsReader->start(m_kind, condition, m_paymentTotals != nullptr,
        [this](const QueryTotalsReader::Result& result) { showTotals(result); });
}

void QueryWindow::readTotals()
{
    m_totalsTimer->stop();
    if (m_totals)
        return;
    m_totalsReader->stop();
    showTotals(QueryTotalsReader::read(m_services.database, m_kind, m_condition, m_paymentTotals != nullptr));
}

void QueryWindow::showTotals(const QueryTotalsReader::Result& result)
{
    const Outcome<QueryTotals>& totals = result.totals;
    if (totals) {
        m_totals = totals.value();
        m_model->setTotalRowCount(int(m_totals->count));
    } else {
        ShowSetback(m_services.messages, totals);
        m_totals = QueryTotals {};
        m_model->countRows(); // the whole list is still shown and printed when it can be counted
    }
    m_totalsArea->setTotals(m_totals);
    if (m_paymentTotals && result.payments) {
        const Outcome<PaymentTotals>& payments = *result.payments;
        if (!payments)
            ShowSetback(m_services.messages, payments);
        m_paymentTotals->setTotals(payments ? std::optional(payments.value()) : std::nullopt);
    }
}

void QueryWindow::showReadFailure(const QString& error)
{
    m_services.messages.inform(error, {}, MessageService::Icon::Warning);
}

// --- the queries of the menu ------------------------------------------------------------------

void QueryWindow::queryToday()
{
    const QDateTime now = m_services.clock.now();
    fill(QueryCondition::period(QDateTime(now.date(), QTime(0, 0)), now));
}

void QueryWindow::queryPeriod()
{
    DateRangeDialog period(m_services.clock.now(), this);
    if (period.exec() == QDialog::Accepted)
        fill(QueryCondition::period(period.start(), period.end()));
}

void QueryWindow::queryAll()
{
    fill(QueryCondition::all());
}

std::optional<QString> QueryWindow::askValue(const QString& label)
{
    SingleValueQueryDialog query(label, this);
    if (query.exec() != QDialog::Accepted)
        return std::nullopt;
    return query.value();
}

void QueryWindow::queryReceiptNumber()
{
    // A text that does not begin with a number asks for receipt 0, which lists nothing.
    if (const std::optional<QString> number = askValue(QStringLiteral("单据编号:")))
        fill(QueryCondition::receiptNumber(LeadingInt(*number)));
    m_totalsArea->repaint();
}

void QueryWindow::queryTechnician()
{
    if (m_kind == RecordKind::TechnicianServices) {
        if (const std::optional<QString> number = askValue(QStringLiteral("技师编号:")))
            fill(QueryCondition::technician(*number));
    }
    m_totalsArea->repaint();
}

void QueryWindow::queryGoodsName()
{
    if (m_kind == RecordKind::GoodsSales) {
        if (const std::optional<QString> name = askValue(QStringLiteral("商品名称:")))
            fill(QueryCondition::goodsName(*name));
    }
    m_totalsArea->repaint();
}

// --- printing and the hand-over ---------------------------------------------------------------

void QueryWindow::listShift()
{
    const Outcome<ShiftListing::Shift> shift = m_shiftListing->current();
    if (!shift) {
        ShowSetback(m_services.messages, shift);
        m_shift.reset();
        m_shiftLabel->clear();
        m_model->clear();
        m_totals = QueryTotals {};
        m_totalsArea->setTotals(m_totals);
        return;
    }
    m_shift = shift.value();
    m_shiftLabel->setText(m_shift->label);
    fill(m_shift->condition);
}

void QueryWindow::print()
{
    if (m_kind == RecordKind::GoodsSales) {
        m_services.messages.inform(GoodsNotPrintedText);
        return;
    }
    readTotals(); // the whole list is printed, counted or not yet
    DialogPrintProgress progress(this);
    const ReportHeading heading { m_services.session.companyName(), windowTitle(), reportKindOf(m_kind) };
    const ListReportPrint printed = PrintListReport(*m_model, heading,
        { m_services.printers, m_services.messages, m_services.clock, progress, this }, m_model->rowCount());
    if (m_mode != Mode::HandOver || printed.result == ListReportPrint::Result::NothingToPrint)
        return;
    // A printer without paper must not keep the shift open: the hand-over is offered all the
    // same, once, and the list can be printed again later.
    offerHandOver(printed.result != ListReportPrint::Result::Printed || printed.jobsFailed > 0);
}

void QueryWindow::exportRows()
{
    readTotals(); // the whole list is exported, counted or not yet
    if (!m_totals || m_totals->count == 0) {
        m_services.messages.inform(QStringLiteral("列表中没有导出数据!"));
        return;
    }
    RunExport(m_services, this,
        QueryExportTable(m_services.database, m_kind, m_condition, *m_totals, m_services.session.companyName()),
        windowTitle());
}

void QueryWindow::offerHandOver(bool listUnprinted)
{
    // Only the shift's own list hands it over, not another query made in the window, and only
    // with totals that were read for it.
    if (!m_shift || m_condition != m_shift->condition || !m_totals || m_totals->count != m_model->rowCount())
        return;
    if (m_shiftListing->handOver(*m_totals, listUnprinted, this))
        listShift();
}

void QueryWindow::reprintSelected()
{
    const int selected = m_list->selectedListRow();
    if (selected < 0) {
        m_services.messages.inform(QStringLiteral("请先在列表中选择要重打的单据!"));
        return;
    }
    ReprintReceipt(m_services, this, m_model->text(selected, 0).toLongLong());
}
