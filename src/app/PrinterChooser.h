#pragma once

#include <QString>

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

// The system print dialog: all pages, no page range, no selection, no print-to-file.
class DialogPrinterChooser : public PrinterChooser
{
public:
    std::unique_ptr<QPrinter> choosePrinter(QWidget* parent) override;
};

// For tests and previews: every job goes to a new PDF file "<base>-<n>.pdf"; or, once
// cancelled, every choice is cancelled.
class PdfPrinterChooser : public PrinterChooser
{
public:
    explicit PdfPrinterChooser(QString basePath);
    std::unique_ptr<QPrinter> choosePrinter(QWidget* parent) override;

    void setCancelled(bool cancelled) { m_cancelled = cancelled; }
    int chosenCount() const { return m_count; }
    QString lastFile() const { return m_lastFile; }

private:
    QString m_basePath;
    bool m_cancelled = false;
    int m_count = 0;
    QString m_lastFile;
};
