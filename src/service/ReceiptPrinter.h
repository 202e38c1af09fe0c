#pragma once

class BillLayout;
class QPrinter;

// Prints the bill of checkout as the guest's receipt: one document of one page, laid out in
// 1/96-inch units, so that the receipt has the size of the screen's bill on any printer.
class ReceiptPrinter
{
public:
    // True when the printer took the page. Settlement has already been committed when this
    // runs: a false result is for the caller to report, it undoes nothing.
    static bool print(QPrinter& printer, const BillLayout& bill);
};
