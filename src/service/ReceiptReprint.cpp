#include "service/ReceiptReprint.h"

#include "app/Clock.h"
#include "app/MessageService.h"
#include "app/PrinterChooser.h"
#include "app/SetbackMessage.h"
#include "app/TextFormat.h"
#include "desk/AppServices.h"
#include "desk/DeskSession.h"
#include "desk/OperatorLog.h"
#include "service/BillLayout.h"
#include "service/ReceiptPrinter.h"
#include "service/ReceiptSlip.h"
#include "service/SlipPrinting.h"
#include "service/StoredReceipt.h"
#include "users/AuthorisationPrompt.h"

#include <QPrinter>

void ReprintReceipt(AppServices& services, QWidget* parent, qint64 receiptNumber)
{
    const Outcome<std::optional<StoredReceipt>> loaded = LoadStoredReceipt(services.database, receiptNumber);
    if (!loaded) {
        ShowSetback(services.messages, loaded);
        return;
    }
    if (!loaded.value()) {
        services.messages.inform(QStringLiteral("没有找到单据编号为%1的单据!").arg(receiptNumber));
        return;
    }
    const StoredReceipt& receipt = *loaded.value();
    const std::optional<Authoriser> approver
        = AskApproval(services, parent, QStringLiteral("收银员没有重打小票的权限!"));
    if (!approver)
        return;
    const bool onSlipPrinter = PrintsOnSlipPrinter();
    const std::unique_ptr<QPrinter> printer = onSlipPrinter ? nullptr : services.printers.choosePrinter(parent);
    if (!printer && !onSlipPrinter)
        return;

    const QDateTime now = services.clock.now();
    const LogEntry entry { .kind = LogKind::Reprint,
        .description = QStringLiteral("重打%1号房的小票").arg(receipt.room),
        .amount = receipt.bill.total,
        .room = receipt.room,
        .receipt = receipt.number,
        .authoriser = *approver };
    if (const QString error = OperatorLog(services.database, services.session).write(entry); !error.isEmpty()) {
        services.messages.inform(error, {}, MessageService::Icon::Warning);
        return;
    }
    const BillHeading heading { services.session.companyName(), services.session.companyTel(),
        DateTimeText(receipt.billTime), int(receipt.number), DateTimeText(now) };
    if (onSlipPrinter) {
        PrintSlipAgain(services,
            ReceiptSlip::ofStored(
                receipt, services.session.companyName(), services.session.companyTel(), DateTimeText(now)));
        return;
    }
    if (!ReceiptPrinter::print(*printer, BillLayout(heading, receipt.bill)))
        services.messages.inform(QStringLiteral("小票没有打印出来,请检查打印机。"), {}, MessageService::Icon::Warning);
}
