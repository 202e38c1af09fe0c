#pragma once

#include "app/Outcome.h"

#include <QByteArray>
#include <QString>

struct AppServices;
class SlipPrinter;
struct SlipDestination;
struct SlipSettings;

// Hands the bytes to `printer` on a thread of its own; meanwhile the desk keeps painting and
// running its timers, and what the user types or clicks waits until the printer answered or
// gave up, so that nothing is done twice.
Outcome<> SendSlipAside(SlipPrinter& printer, const SlipDestination& where, const QByteArray& bytes);

// Sends a slip to this desk's thermal printer. When the printer does not take it, the desk
// says so (`failedLead` then the printer's reason, "小票未打印…" as a rule) and offers to try
// again after the printer was seen to; the work the slip belongs to is already done and stays
// done. True when the printer took the slip.
bool SendSlip(AppServices& services, const SlipSettings& settings, const QByteArray& bytes, const QString& failedLead);

// How many times the desk tries in all before it leaves the slip to a reprint.
inline constexpr int SlipAttempts = 3;
