#pragma once

#include <QtGlobal>

struct AppServices;
class QWidget;

// Prints the receipt of a settled bill again, from the stored rows: after someone above a
// cashier approved it through the login prompt and a printer was chosen, the reprint is
// logged (a reprint whose row cannot be written is not printed) and the receipt is printed
// marked "重打" with the moment of the reprint.
void ReprintReceipt(AppServices& services, QWidget* parent, qint64 receiptNumber);
