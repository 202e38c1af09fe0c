#pragma once

#include "app/PrinterChooser.h"

#include <QString>

// For tests and previews: every job goes to a new PDF file "<base>-<n>.pdf"; or, once
// cancelled, every choice is cancelled; or, once broken, every job fails (a printer out of
// paper: the file cannot be written).
class PdfPrinterChooser : public PrinterChooser
{
public:
    explicit PdfPrinterChooser(QString basePath);
    std::unique_ptr<QPrinter> choosePrinter(QWidget* parent) override;

    void setCancelled(bool cancelled) { m_cancelled = cancelled; }
    void setBroken(bool broken) { m_broken = broken; }
    int chosenCount() const { return m_count; }
    QString lastFile() const { return m_lastFile; }

private:
    QString m_basePath;
    bool m_cancelled = false;
    bool m_broken = false;
    int m_count = 0;
    QString m_lastFile;
};
