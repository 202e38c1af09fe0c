#include "cards/CardReportDialog.h"

#include "app/Clock.h"
#include "app/MessageService.h"
#include "app/PrinterChooser.h"
#include "app/TextFormat.h"
#include "cards/CardDesk.h"
#include "cards/CardLedger.h"
#include "cards/CardTexts.h"
#include "desk/AppServices.h"
#include "desk/DeskSession.h"
#include "printing/ExportRunner.h"
#include "skin/DialogButton.h"

#include <QDateTimeEdit>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QList<ExportColumn> balanceColumns()
{
    using enum ExportCellType;
    return { { QStringLiteral("卡号"), Text, 90 }, { QStringLiteral("会员"), Text, 90 },
        { QStringLiteral("电话"), Text, 110 }, { QStringLiteral("状态"), Text, 50 },
        { QStringLiteral("本金"), Amount, 90 }, { QStringLiteral("赠送"), Amount, 90 },
        { QStringLiteral("余额"), Amount, 90 } };
}

QTableView* listView(const char* name, CardTextModel* model, const QList<ExportColumn>& columns, QWidget* parent)
{
    auto* view = new QTableView(parent);
    view->setObjectName(QString::fromLatin1(name));
    view->setModel(model);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->verticalHeader()->hide();
    view->verticalHeader()->setDefaultSectionSize(22);
    for (int i = 0; i < columns.size(); ++i)
        view->setColumnWidth(i, columns[i].width);
    view->horizontalHeader()->setStretchLastSection(true);
    return view;
}

} // namespace

CardReportDialog::CardReportDialog(AppServices& services, QWidget* parent)
    : QDialog(parent)
    , m_services(services)
    , m_start(new QDateTimeEdit(this))
    , m_end(new QDateTimeEdit(this))
    , m_totals(new CardTextModel(CardTexts::totalsColumns(), this))
    , m_balances(new CardTextModel(balanceColumns(), this))
    , m_totalsView(listView("totalsView", m_totals, CardTexts::totalsColumns(), this))
    , m_balancesView(listView("balancesView", m_balances, balanceColumns(), this))
    , m_summary(new QLabel(this))
    , m_liability(new QLabel(this))
{
    setObjectName(QStringLiteral("cardReportDialog"));
    setWindowTitle(QStringLiteral("会员充值表"));
    const QDate today = services.clock.now().date();
    m_start->setObjectName(QStringLiteral("startEdit"));
    m_end->setObjectName(QStringLiteral("endEdit"));
    for (QDateTimeEdit* edit : { m_start, m_end }) {
        edit->setDisplayFormat(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        edit->setCalendarPopup(true);
    }
    m_start->setDateTime(QDateTime(QDate(today.year(), today.month(), 1), QTime(0, 0)));
    m_end->setDateTime(QDateTime(today, QTime(23, 59, 59)));
    m_summary->setObjectName(QStringLiteral("summaryLabel"));
    m_summary->setWordWrap(true);
    m_liability->setObjectName(QStringLiteral("liabilityLabel"));

    auto* queryButton = NewDialogButton(QStringLiteral("查询"), "queryButton", this);
    auto* print = NewDialogButton(QStringLiteral("打印"), "printButton", this);
    auto* exportTotals = NewDialogButton(QStringLiteral("导出充值表"), "exportButton", this);
    auto* exportBalances = NewDialogButton(QStringLiteral("导出卡余额"), "exportBalancesButton", this);
    auto* close = NewDialogButton(QStringLiteral("关闭"), "closeButton", this);
    connect(queryButton, &QPushButton::clicked, this, &CardReportDialog::query);
    connect(print, &QPushButton::clicked, this, &CardReportDialog::print);
    connect(exportTotals, &QPushButton::clicked, this, &CardReportDialog::exportTotals);
    connect(exportBalances, &QPushButton::clicked, this, &CardReportDialog::exportBalances);
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* period = new QHBoxLayout;
    period->addWidget(new QLabel(QStringLiteral("从"), this));
    period->addWidget(m_start);
    period->addWidget(new QLabel(QStringLiteral("到"), this));
    period->addWidget(m_end);
    period->addWidget(queryButton);
    period->addStretch();

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(print);
    buttons->addWidget(exportTotals);
    buttons->addWidget(exportBalances);
    buttons->addStretch();
    buttons->addWidget(close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(period);
    layout->addWidget(new QLabel(QStringLiteral("本期会员卡收支(按类型和付款方式):"), this));
    layout->addWidget(m_totalsView, 2);
    layout->addWidget(m_summary);
    layout->addWidget(new QLabel(QStringLiteral("各会员卡现有余额(本店对会员的负债):"), this));
    layout->addWidget(m_balancesView, 3);
    layout->addWidget(m_liability);
    layout->addLayout(buttons);
    resize(760, 600);
    query();
}

QString CardReportDialog::liabilityText() const
{
    return m_liability->text();
}

void CardReportDialog::query()
{
    if (m_start->dateTime() > m_end->dateTime()) {
        m_services.messages.inform(QStringLiteral("开始时间不能晚于结束时间!"));
        return;
    }
    const CardLedger ledger(m_services.database);
    const Outcome<QList<CardMovementTotal>> totals = ledger.totals(m_start->dateTime(), m_end->dateTime());
    const Outcome<QList<CardAccount>> balances = ledger.balances();
    const Outcome<CardBalance> owed = ledger.liability();
    for (const QString& error : { totals.text(), balances.text(), owed.text() }) {
        if (!error.isEmpty()) {
            m_services.messages.inform(error, {}, MessageService::Icon::Warning);
            return;
        }
    }
    QList<QStringList> rows;
    Money toppedUp;
    Money given;
    for (const CardMovementTotal& total : totals.value()) {
        rows << CardTexts::totalsRow(total);
        if (total.kind == CardKind::TopUp)
            toppedUp += total.principal;
        if (total.kind == CardKind::Bonus)
            given += total.bonus;
    }
    m_totals->setRows(rows);
    m_summary->setText(QStringLiteral("本期充值收款 %1 元,赠送 %2 元。").arg(toppedUp.text(), given.text()));
    QList<QStringList> cards;
    for (const CardAccount& account : balances.value())
        cards << QStringList { account.card, account.member, account.phone, CardStateText(account.state),
            account.balance.principal.text(), account.balance.bonus.text(), account.balance.total().text() };
    m_balances->setRows(cards);
    m_liability->setText(
        QStringLiteral("%1 张会员卡共有余额 %2 元(本金 %3 元,赠送 %4 元)")
            .arg(cards.size())
            .arg(owed.value().total().text(), owed.value().principal.text(), owed.value().bonus.text()));
}

void CardReportDialog::print()
{
    const std::unique_ptr<QPrinter> printer = m_services.printers.choosePrinter(this);
    if (!printer)
        return;
    printer->setDocName(windowTitle());
    // One page: the period's lines and the liability.
    PageDrawing page;
    page.addText(20, 10, CardHouseName(m_services.database), PageDrawing::font(22, 110));
    page.addText(20, 44,
        QStringLiteral("会员充值表  %1 至 %2").arg(DateTimeText(m_start->dateTime()), DateTimeText(m_end->dateTime())),
        PageDrawing::font(16));
    const QFont body = PageDrawing::font(13);
    const int columns[] = { 20, 130, 230, 300, 420, 540 };
    qreal y = 80;
    page.addLine(16, y, 780, y);
    const QStringList captions = m_totals->captions();
    for (int i = 0; i < captions.size(); ++i)
        page.addText(columns[i], y + 4, captions[i], body);
    y += 26;
    page.addLine(16, y, 780, y);
    for (const QStringList& row : m_totals->rowTexts()) {
        y += 4;
        for (int i = 0; i < row.size() && i < 6; ++i)
            page.addText(columns[i], y, row[i], body);
        y += 20;
        if (y > 470)
            break;
    }
    page.addLine(16, y + 4, 780, y + 4);
    page.addText(20, y + 12, m_summary->text(), body);
    page.addText(20, y + 36, m_liability->text(), body);
    page.addText(20, y + 60, QStringLiteral("打印时间:%1").arg(DateTimeText(m_services.clock.now())), body);
    if (!page.render(*printer) || printer->printerState() == QPrinter::Error)
        m_services.messages.inform(
            QStringLiteral("会员充值表没有打印出来,请检查打印机。"), {}, MessageService::Icon::Warning);
}

void CardReportDialog::exportTotals()
{
    Money principal;
    Money bonus;
    qint64 movements = 0;
    for (const QStringList& row : m_totals->rowTexts()) {
        movements += row.value(2).toLongLong();
        principal += Money::fromText(row.value(3));
        bonus += Money::fromText(row.value(4));
    }
    const ExportTable table = CardTexts::exportTable(QStringLiteral("会员充值表"),
        QStringLiteral("会员充值表 %1 至 %2").arg(DateTimeText(m_start->dateTime()), DateTimeText(m_end->dateTime())),
        CardTexts::totalsColumns(), m_totals->rowTexts(),
        { QStringLiteral("合计"), QString(), QString::number(movements), principal.text(), bonus.text(),
            (principal + bonus).text() });
    RunExport(m_services, this, table, QStringLiteral("会员充值表"));
}

void CardReportDialog::exportBalances()
{
    Money principal;
    Money bonus;
    for (const QStringList& row : m_balances->rowTexts()) {
        principal += Money::fromText(row.value(4));
        bonus += Money::fromText(row.value(5));
    }
    const ExportTable table = CardTexts::exportTable(QStringLiteral("会员卡余额"),
        QStringLiteral("会员卡余额 %1").arg(DateTimeText(m_services.clock.now())), balanceColumns(),
        m_balances->rowTexts(),
        { QStringLiteral("合计"), QString(), QString(), QString(), principal.text(), bonus.text(),
            (principal + bonus).text() });
    RunExport(m_services, this, table, QStringLiteral("会员卡余额"));
}
