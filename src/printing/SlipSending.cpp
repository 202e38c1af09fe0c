#include "printing/SlipSending.h"

#include "app/MessageService.h"
#include "app/SlipPrinter.h"
#include "desk/AppServices.h"
#include "printing/SlipSettings.h"

#include <QEventLoop>
#include <QThread>

#include <memory>

// Sends on a thread of its own while this one keeps painting and running its timers (the
// lamps, the 到钟 alerts): a printer out of reach takes a few seconds to give up, and the desk
// must not freeze meanwhile. What the user types or clicks waits until the slip is done, so no
// second click can settle or print anything twice.
Outcome<> SendSlipAside(SlipPrinter& printer, const SlipDestination& where, const QByteArray& bytes)
{
    Outcome<> sent = Failure { QString() };
    QEventLoop waiting;
    const std::unique_ptr<QThread> sender(QThread::create([&] { sent = printer.send(where, bytes); }));
    QObject::connect(sender.get(), &QThread::finished, &waiting, &QEventLoop::quit);
    sender->start();
    waiting.exec(QEventLoop::ExcludeUserInputEvents);
    sender->wait();
    return sent;
}

bool SendSlip(AppServices& services, const SlipSettings& settings, const QByteArray& bytes, const QString& failedLead)
{
    for (int attempt = 1;; ++attempt) {
        const Outcome<> sent = SendSlipAside(services.slips, settings.where, bytes);
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
