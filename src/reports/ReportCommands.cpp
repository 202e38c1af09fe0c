#include "reports/ReportCommands.h"

#include "desk/CommandContext.h"
#include "reports/BusinessChartsWindow.h"
#include "reports/QueryWindow.h"
#include "reports/ServiceSummaryWindow.h"

namespace {

void openQuery(RecordKind kind, QueryWindow::Mode mode, const CommandContext& context)
{
    QueryWindow query(kind, mode, context.services, context.window);
    query.exec();
}

} // namespace

void OpenBillQuery(const CommandContext& context)
{
    openQuery(RecordKind::Receipts, QueryWindow::Mode::Normal, context);
}

void OpenTechnicianSummary(const CommandContext& context)
{
    openQuery(RecordKind::TechnicianServices, QueryWindow::Mode::Normal, context);
}

void OpenGoodsSummary(const CommandContext& context)
{
    openQuery(RecordKind::GoodsSales, QueryWindow::Mode::Normal, context);
}

void OpenItemSummary(const CommandContext& context)
{
    ServiceSummaryWindow summary(ServiceSummaryWindow::Kind::Items, context.services, context.window);
    summary.exec();
}

void OpenBusinessCharts(const CommandContext& context)
{
    BusinessChartsWindow charts(context.services, context.window);
    charts.exec();
}
