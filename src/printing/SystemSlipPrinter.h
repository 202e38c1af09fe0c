#pragma once

#include "app/SlipPrinter.h"

// Sends slips the three ways a desk reaches its thermal printer, each with short timeouts:
//
// - a CUPS queue set up raw: "lp -d QUEUE -o raw", the bytes on its input;
// - a device file (/dev/usb/lp0): opened without blocking, written while it takes bytes;
// - a printer on the network (port 9100): connected, written, then asked for its paper
//   status (DLE EOT 4), so that a printer that takes the connection but prints nothing, or
//   has run out of paper, is told as such rather than taken for done.
class SystemSlipPrinter : public SlipPrinter
{
public:
    struct Timeouts
    {
        int connectMs = 2000;
        int writeMs = 4000;
        int answerMs = 2500;
        int queueMs = 5000;
    };

    SystemSlipPrinter();
    explicit SystemSlipPrinter(Timeouts timeouts, QString lpProgram = QStringLiteral("lp"));

    Outcome<> send(const SlipDestination& where, const QByteArray& bytes) override;

private:
    Outcome<> sendToQueue(const QString& queue, const QByteArray& bytes) const;
    Outcome<> sendToDevice(const QString& device, const QByteArray& bytes) const;
    Outcome<> sendToNetwork(const QString& host, int port, const QByteArray& bytes) const;

    Timeouts m_timeouts;
    QString m_lpProgram;
};
