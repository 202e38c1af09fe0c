#pragma once

#include <memory>

class QPrinter;
class QWidget;

// Chooses the printer of a print job: the print dialog in the program, a PDF file or a
// cancel in tests. Nothing (an empty pointer) means the user cancelled.
class PrinterChooser
{
public:
    virtual ~PrinterChooser() = default;
    virtual std::unique_ptr<QPrinter> choosePrinter(QWidget* parent) = 0;
};
