#include "shift/HandOverListing.h"

#include "app/MessageService.h"
#include "app/TextFormat.h"
#include "desk/AppServices.h"
#include "shift/HandOverDialog.h"

const QString HandOverListing::HandOverDoneText = QStringLiteral("交班完毕!");

HandOverListing::HandOverListing(AppServices& services)
    : m_services(services)
{ }

QString HandOverListing::handOverQuestion(const QueryTotals& totals)
{
    return QStringLiteral("本班共%1张单据,总金额%2元。是否交班?").arg(totals.count).arg(AmountText(totals.amount));
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

bool HandOverListing::handOver(const QueryTotals& totals, QWidget* parent)
{
    if (!m_receipts || !m_services.messages.ask(handOverQuestion(totals)))
        return false;
    HandOverDialog closing(m_services, *m_receipts, parent);
    if (closing.exec() != QDialog::Accepted)
        return false;
    m_services.messages.inform(HandOverDoneText);
    return true;
}
