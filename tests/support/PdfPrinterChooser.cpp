#include "support/PdfPrinterChooser.h"

#include <QPrinter>

PdfPrinterChooser::PdfPrinterChooser(QString basePath)
    : m_basePath(std::move(basePath))
{ }

std::unique_ptr<QPrinter> PdfPrinterChooser::choosePrinter(QWidget*)
{
    if (m_cancelled)
        return nullptr;
    ++m_count;
    m_lastFile = m_broken ? QStringLiteral("/nonexistent-folder/print-%1.pdf").arg(m_count)
                          : QStringLiteral("%1-%2.pdf").arg(m_basePath).arg(m_count);
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(m_lastFile);
    return printer;
}
