#pragma once

#include <QImage>
#include <QPrinter>
#include <QProcess>
#include <QRect>
#include <QString>

#include <memory>

// Printing to PDF at a chosen resolution and turning the PDF back into a picture, to check
// printed layouts by their physical size and to look at them.

inline std::unique_ptr<QPrinter> PdfPrinterAt(const QString& file, int dotsPerInch)
{
    auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    printer->setOutputFormat(QPrinter::PdfFormat);
    printer->setOutputFileName(file);
    printer->setResolution(dotsPerInch);
    return printer;
}

// The first page of `pdf` at `dotsPerInch`, saved as `png` (which must end in ".png") and
// returned in grey; null when pdftoppm failed.
inline QImage RasterisePdf(const QString& pdf, int dotsPerInch, const QString& png)
{
    QProcess process;
    process.start(QStringLiteral("pdftoppm"),
        { QStringLiteral("-r"), QString::number(dotsPerInch), QStringLiteral("-png"), QStringLiteral("-singlefile"),
            pdf, png.chopped(4) });
    if (!process.waitForFinished(60000) || process.exitCode() != 0)
        return {};
    return QImage(png).convertToFormat(QImage::Format_Grayscale8);
}

// The text of a printed PDF without its blanks and line breaks, its characters in their common
// form (a font's radical such as ⼯ reads as 工), for checking what a page says.
inline QString PrintedText(const QString& pdf)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), { pdf, QStringLiteral("-") });
    process.waitForFinished(60000);
    QString text = QString::fromUtf8(process.readAllStandardOutput()).normalized(QString::NormalizationForm_KC);
    text.removeIf([](QChar c) { return c.isSpace(); });
    return text;
}

// The share of pixels that differ clearly between two grey pictures of one size.
inline double DifferentShare(const QImage& a, const QImage& b)
{
    qint64 different = 0;
    for (int y = 0; y < a.height(); ++y) {
        const uchar* rowA = a.constScanLine(y);
        const uchar* rowB = b.constScanLine(y);
        for (int x = 0; x < a.width(); ++x)
            different += qAbs(rowA[x] - rowB[x]) > 96 ? 1 : 0;
    }
    return double(different) / (qint64(a.width()) * a.height());
}

// The smallest rectangle holding every dark pixel of a grey picture.
inline QRect InkBounds(const QImage& image)
{
    QRect bounds;
    for (int y = 0; y < image.height(); ++y) {
        const uchar* row = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            if (row[x] < 128)
                bounds |= QRect(x, y, 1, 1);
        }
    }
    return bounds;
}
