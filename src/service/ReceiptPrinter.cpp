#include "service/ReceiptPrinter.h"

#include "service/BillLayout.h"

#include <QPrinter>

bool ReceiptPrinter::print(QPrinter& printer, const BillLayout& bill)
{
    printer.setDocName(QString());
    return bill.drawing().render(printer) && printer.printerState() != QPrinter::Error;
}
