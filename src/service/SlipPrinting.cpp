#include "service/SlipPrinting.h"

#include "app/MessageService.h"
#include "app/SlipPrinter.h"
#include "desk/AppServices.h"
#include "desk/CommandContext.h"
#include "desk/OperatorLog.h"
#include "printing/EscPos.h"
#include "printing/SlipPrinterDialog.h"
#include "printing/SlipSending.h"
#include "printing/SlipSettings.h"
#include "printing/ThermalSlip.h"
#include "service/ReceiptPrinter.h"
#include "service/ReceiptSlip.h"
#include "users/AuthorisationPrompt.h"

bool PrintsOnSlipPrinter()
{
    return SlipSettings::load().isSet();
}

void PrintSettledSlip(AppServices& services, const ReceiptSlip& slip, QPrinter* pagePrinter, const BillLayout& page)
{
    const SlipSettings settings = SlipSettings::load();
    if (!settings.isSet()) {
        if (pagePrinter && !ReceiptPrinter::print(*pagePrinter, page))
            services.messages.inform(
                QStringLiteral("单据已结算(单据编号%1),但小票没有打印出来,请检查打印机。").arg(slip.receiptNumber), {},
                MessageService::Icon::Warning);
        return;
    }
    const bool kick = settings.drawerOnCash && slip.paidInCash();
    SendSlip(services, settings, ReceiptSlipDocument(slip, settings.columns(), settings.qrText).bytes(kick),
        QStringLiteral("单据已结算(单据编号%1),但小票未打印").arg(slip.receiptNumber));
}

bool PrintSlipAgain(AppServices& services, const ReceiptSlip& slip)
{
    const SlipSettings settings = SlipSettings::load();
    return SendSlip(services, settings, ReceiptSlipDocument(slip, settings.columns(), settings.qrText).bytes(),
        QStringLiteral("小票未打印"));
}

void OpenSlipPrinterSettings(const CommandContext& context)
{
    SlipPrinterDialog dialog(context.services, context.window);
    dialog.exec();
}

QString CashDrawerLogKind()
{
    return LogKind::CashDrawer;
}

void OpenCashDrawer(const CommandContext& context)
{
    AppServices& services = context.services;
    const SlipSettings settings = SlipSettings::load();
    if (!settings.isSet()) {
        services.messages.inform(QStringLiteral("钱箱接在小票打印机上:请先在“打印机设置”中设置小票打印机。"));
        return;
    }
    const std::optional<Authoriser> approver
        = AskApproval(services, context.window, QStringLiteral("收银员没有打开钱箱的权限!"));
    if (!approver)
        return;
    const LogEntry entry {
        .kind = CashDrawerLogKind(), .description = QStringLiteral("不结帐打开钱箱"), .authoriser = *approver
    };
    if (const QString error = OperatorLog(services.database, services.session).write(entry); !error.isEmpty()) {
        services.messages.inform(error, {}, MessageService::Icon::Warning);
        return;
    }
    const Outcome<> sent = SendSlipAside(services.slips, settings.where, EscPos().initialise().kickDrawer().bytes());
    if (!sent)
        services.messages.inform(QStringLiteral("钱箱没有打开:") + sent.text(), {}, MessageService::Icon::Warning);
}
