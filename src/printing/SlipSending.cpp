#include "printing/SlipSending.h"

#include "app/MessageService.h"
#include "app/SlipPrinter.h"
#include "desk/AppServices.h"
#include "printing/SlipSettings.h"

bool SendSlip(AppServices& services, const SlipSettings& settings, const QByteArray& bytes, const QString& failedLead)
{
    for (int attempt = 1;; ++attempt) {
        const Outcome<> sent = services.slips.send(settings.where, bytes);
        if (sent)
            return true;
        const QString said = failedLead + u':' + sent.text() + u'。';
        if (attempt == SlipAttempts) {
            services.messages.inform(
                said + QStringLiteral("\n请检查打印机后重打。"), {}, MessageService::Icon::Warning);
            return false;
        }
        if (!services.messages.ask(
                said + QStringLiteral("\n请检查打印机(电源、纸、连线)后按“确定”再打一次;按“取消”以后重打。"), {},
                MessageService::Icon::Warning))
            return false;
    }
}
