#include "shift/HandOverHistoryWindow.h"

#include "app/Clock.h"
#include "app/MessageService.h"
#include "app/PagedTableModel.h"
#include "app/PrinterChooser.h"
#include "app/SetbackMessage.h"
#include "app/TextFormat.h"
#include "desk/AppServices.h"
#include "desk/DeskSession.h"
#include "desk/OperatorLog.h"
#include "printing/PageDrawingView.h"
#include "printing/SlipSending.h"
#include "printing/SlipSettings.h"
#include "printing/ThermalSlip.h"
#include "shift/HandOverSlip.h"
#include "shift/HandOverStore.h"
#include "skin/DialogButton.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QPrinter>
#include <QPushButton>
#include <QScrollArea>
#include <QTableView>
#include <QVBoxLayout>

namespace {

struct Column
{
    QString caption;
    QString name;
    int width;
};

const QList<Column> Columns {
    { QStringLiteral("交班时间"), QStringLiteral("closed_at"), 140 },
    { QStringLiteral("本班开始"), QStringLiteral("shift_start"), 140 },
    { QStringLiteral("收银员"), QStringLiteral("cashier"), 68 },
    { QStringLiteral("单据数"), QStringLiteral("receipt_count"), 56 },
    { QStringLiteral("总金额"), QStringLiteral("total"), 80 },
    { QStringLiteral("应有现金"), QStringLiteral("expected_cash"), 80 },
    { QStringLiteral("实点现金"), QStringLiteral("counted_cash"), 80 },
    { QStringLiteral("差额"), QStringLiteral("cash_difference"), 68 },
    { QStringLiteral("差额原因"), QStringLiteral("difference_reason"), 200 },
};

} // namespace

HandOverHistoryWindow::HandOverHistoryWindow(AppServices& services, QWidget* parent)
    : QDialog(parent)
    , m_services(services)
    , m_model(nullptr)
    , m_list(new DeskListView(this))
{
    setObjectName(QStringLiteral("handOverHistoryWindow"));
    setWindowTitle(QStringLiteral("交班记录"));

    QStringList names;
    QStringList captions;
    for (const Column& column : Columns) {
        names << column.name;
        captions << column.caption;
    }
    // The row id grows with every hand-over: newest first.
    m_model = new PagedTableModel(services.database, QStringLiteral("handover"), names, { QStringLiteral("id") }, this);
    m_model->setHeaders(captions);

    m_list->setObjectName(QStringLiteral("handOverList"));
    m_list->setModel(m_model);
    m_list->horizontalHeader()->setStretchLastSection(true);
    for (int i = 0; i < Columns.size(); ++i)
        m_list->setColumnWidth(i, Columns[i].width);
    connect(m_list, &QTableView::doubleClicked, this, &HandOverHistoryWindow::view);

    QPushButton* viewButton = NewDialogButton(QStringLiteral("查看"), "viewButton", this);
    QPushButton* reprintButton = NewDialogButton(QStringLiteral("重打"), "reprintButton", this);
    QPushButton* closeButton = NewDialogButton(QStringLiteral("关闭"), "closeButton", this);
    closeButton->setDefault(true);
    connect(viewButton, &QPushButton::clicked, this, &HandOverHistoryWindow::view);
    connect(reprintButton, &QPushButton::clicked, this, &HandOverHistoryWindow::reprint);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);

    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(12, 4, 12, 8);
    buttons->addStretch(1);
    buttons->addWidget(viewButton);
    buttons->addWidget(reprintButton);
    buttons->addWidget(closeButton);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_list, 1);
    layout->addLayout(buttons);
    resize(960, 520);

    QString error = m_model->setCondition({});
    if (error.isEmpty())
        error = m_model->countRows();
    if (!error.isEmpty())
        m_services.messages.inform(error, {}, MessageService::Icon::Warning);
    if (m_model->rowCount() > 0)
        m_list->selectRow(0);
}

std::optional<HandOver> HandOverHistoryWindow::selectedHandOver()
{
    const QModelIndexList selected = m_list->selectionModel()->selectedRows();
    if (selected.isEmpty()) {
        m_services.messages.inform(QStringLiteral("请先在列表中选择一次交班!"));
        return std::nullopt;
    }
    const Outcome<std::optional<HandOver>> found
        = HandOverStore(m_services.database).find(m_model->rowKey(selected.first().row()).toLongLong());
    if (!found) {
        ShowSetback(m_services.messages, found);
        return std::nullopt;
    }
    return found.value();
}

void HandOverHistoryWindow::view()
{
    const std::optional<HandOver> handOver = selectedHandOver();
    if (!handOver)
        return;
    const HandOverSlip slip({ m_services.session.companyName(), DateTimeText(m_services.clock.now()) }, *handOver);
    QDialog viewer(this);
    viewer.setObjectName(QStringLiteral("handOverSlipViewer"));
    viewer.setWindowTitle(QStringLiteral("交班对账单"));
    auto* page = new PageDrawingView(slip.drawing(), QSize(HandOverSlip::Width, slip.height()), &viewer);
    auto* scroll = new QScrollArea(&viewer);
    scroll->setWidget(page);
    scroll->setAlignment(Qt::AlignHCenter);
    QPushButton* close = NewDialogButton(QStringLiteral("关闭"), "closeButton", &viewer);
    close->setDefault(true);
    connect(close, &QPushButton::clicked, &viewer, &QDialog::accept);
    auto* layout = new QVBoxLayout(&viewer);
    layout->addWidget(scroll, 1);
    layout->addWidget(close, 0, Qt::AlignRight);
    viewer.resize(HandOverSlip::Width + 50, qMin(slip.height() + 80, 640));
    viewer.exec();
}

void HandOverHistoryWindow::reprint()
{
    const std::optional<HandOver> handOver = selectedHandOver();
    if (!handOver)
        return;
    // A desk with a thermal printer prints it again on its roll.
    const SlipSettings settings = SlipSettings::load();
    const std::unique_ptr<QPrinter> printer = settings.isSet() ? nullptr : m_services.printers.choosePrinter(this);
    if (!printer && !settings.isSet())
        return;
    const LogEntry entry { .kind = LogKind::Reprint,
        .description = QStringLiteral("重打%1的交班对账单").arg(DateTimeText(handOver->closedAt)),
        .amount = handOver->total,
        .receipt = handOver->lastReceipt };
    if (const QString error = OperatorLog(m_services.database, m_services.session).write(entry); !error.isEmpty()) {
        m_services.messages.inform(error, {}, MessageService::Icon::Warning);
        return;
    }
    const HandOverSlipHeading heading { m_services.session.companyName(), DateTimeText(m_services.clock.now()), true };
    if (settings.isSet()) {
        SendSlip(m_services, settings, HandOverThermalSlip(heading, *handOver, settings.columns()).bytes(),
            QStringLiteral("交班对账单未打印"));
        return;
    }
    printer->setDocName(QStringLiteral("交班对账单"));
    const HandOverSlip slip(heading, *handOver);
    if (!slip.drawing().render(*printer) || printer->printerState() == QPrinter::Error)
        m_services.messages.inform(
            QStringLiteral("交班对账单没有打印出来,请检查打印机。"), {}, MessageService::Icon::Warning);
}
