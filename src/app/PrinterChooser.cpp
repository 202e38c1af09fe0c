#include "app/PrinterChooser.h"

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

PdfPrinterChooser::PdfPrinterChooser(QString basePath)
    : m_basePath(std::move(basePath))
{ }

std::unique_ptr<QPrinter> PdfPrinterChooser::choosePrinter(QWidget*)
{
    if (m_cancelled)
        return nullptr;
    ++m_count;
    m_lastFile = QStringLiteral("%1-%2.pdf").arg(m_basePath).arg(m_count);
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(m_lastFile);
    return printer;
}
