#include "shift/HandOverListing.h"

#include "app/MessageService.h"
#include "app/TextFormat.h"
#include "desk/AppServices.h"
#include "shift/HandOverDialog.h"

const QString HandOverListing::HandOverDoneText = QStringLiteral("交班完毕!");
const QString HandOverListing::UnprintedListNote
    = QStringLiteral("本班的单据没有打印完整,交班后可以在“交班记录查询”中重打交班对账单。\n");

HandOverListing::HandOverListing(AppServices& services)
    : m_services(services)
{ }

QString HandOverListing::handOverQuestion(const QueryTotals& totals)
{
    return QStringLiteral("本班共%1张单据,总金额%2元。是否交班?").arg(totals.count).arg(totals.amount.text());
}

Outcome<ShiftListing::Shift> HandOverListing::current()
{
    const Outcome<ShiftReceipts> receipts = CurrentShiftReceipts(m_services.database, m_services.session);
    if (!receipts) {
        m_receipts.reset();
        return receipts.setback<Shift>();
    }
    m_receipts = receipts.value();
    const QString label = m_receipts->since.isValid()
        ? QStringLiteral("本班: %1 交班以后的单据").arg(DateTimeText(m_receipts->since))
        : QStringLiteral("本班: 尚未交过班,列出全部单据");
    return Shift { m_receipts->condition(), label };
}

bool HandOverListing::handOver(const QueryTotals& totals, bool listUnprinted, QWidget* parent)
{
    // A printer without paper must not keep the shift open: the hand-over is offered all the
    // same, once, and the log row of the hand-over says that its list was not printed.
    const QString question = handOverQuestion(totals);
    if (!m_receipts || !m_services.messages.ask(listUnprinted ? UnprintedListNote + question : question))
        return false;
    HandOverDialog closing(m_services, *m_receipts, parent);
    closing.setListUnprinted(listUnprinted);
    if (closing.exec() != QDialog::Accepted)
        return false;
    m_services.messages.inform(HandOverDoneText);
    return true;
}
