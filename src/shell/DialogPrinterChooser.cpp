#include "shell/DialogPrinterChooser.h"

#include <QPrintDialog>
#include <QPrinter>

std::unique_ptr<QPrinter> DialogPrinterChooser::choosePrinter(QWidget* parent)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    QPrintDialog dialog(printer.get(), parent);
    dialog.setOption(QAbstractPrintDialog::PrintToFile, false);
    dialog.setOption(QAbstractPrintDialog::PrintSelection, false);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, false);
    if (dialog.exec() != QDialog::Accepted)
        return nullptr;
    return printer;
}
