#pragma once

#include "app/Outcome.h"

#include <QByteArray>
#include <QString>

// Where this desk's slip printer (a narrow ESC/POS thermal printer) is reached: nowhere, a
// CUPS queue that takes the bytes raw, a device file of the printer on USB, or a printer on
// the network that listens on a port (9100 as a rule).
struct SlipDestination
{
    enum class Kind { None, Queue, Device, Network };

    Kind kind = Kind::None;
    QString queue {}; // the CUPS queue's name
    QString device {}; // e.g. /dev/usb/lp0
    QString host {};
    int port = 9100;

    bool isSet() const { return kind != Kind::None; }
    friend bool operator==(const SlipDestination&, const SlipDestination&) = default;
};

// Hands the bytes of one slip to the printer. A printer that is off, out of paper or out of
// reach must never hold up the desk: every way of sending gives up after a short wait and
// says why, so that the desk carries on and offers to print again.
class SlipPrinter
{
public:
    virtual ~SlipPrinter() = default;
    // A refusal with the desk's text when the printer did not take the slip.
    virtual Outcome<> send(const SlipDestination& where, const QByteArray& bytes) = 0;
};
