#pragma once

#include "app/PrinterChooser.h"

// The system print dialog: all pages, no page range, no selection, no print-to-file.
class DialogPrinterChooser : public PrinterChooser
{
public:
    std::unique_ptr<QPrinter> choosePrinter(QWidget* parent) override;
};
