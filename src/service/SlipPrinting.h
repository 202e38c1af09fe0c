#pragma once

#include <QString>

struct AppServices;
struct CommandContext;
struct ReceiptSlip;
class BillLayout;
class QPrinter;

// Whether this desk prints its receipts on a thermal printer (set in "打印机设置"); when not,
// checkout chooses a page printer as it always did.
bool PrintsOnSlipPrinter();

// Prints the receipt of a bill just settled: on the thermal printer when one is set, the
// drawer kicked after it when any of the bill was paid in cash and the desk opens the drawer
// for cash; otherwise the page receipt on `pagePrinter` (none: nothing is printed). The bill
// is settled whatever the printer does: a slip that did not print is told, and can be
// printed again.
void PrintSettledSlip(AppServices& services, const ReceiptSlip& slip, QPrinter* pagePrinter, const BillLayout& page);

// Prints a receipt again on the thermal printer, marked "重打"; the drawer stays shut. False
// when the printer did not take it (the desk has said so).
bool PrintSlipAgain(AppServices& services, const ReceiptSlip& slip);

// "打印机设置" of the menu.
void OpenSlipPrinterSettings(const CommandContext& context);
// "打开钱箱": someone above a cashier approves, the operator log keeps who, and the drawer on
// the thermal printer opens.
void OpenCashDrawer(const CommandContext& context);

// The operator log's kind of a drawer opened from the menu.
QString CashDrawerLogKind();
