#include "printing/SlipPdf.h"

#include "printing/SlipLayout.h"
#include "printing/ThermalSlip.h"

#include <QPainter>
#include <QPrinter>

namespace {

constexpr double ColumnMm = 1.5; // 12 dots of a 203-dpi head
constexpr double LineMm = 3.75; // 24 dots and the printer's line spacing
constexpr double TopMm = 4;
constexpr double QrMm = 30;
constexpr double BottomMm = 10; // the feed before the cut

double printedWidthMm(int rollWidth)
{
    return rollWidth == 58 ? 48 : 72;
}

double lengthMm(const ThermalSlip& slip)
{
    double length = TopMm + BottomMm;
    for (const ThermalSlip::Line& line : slip.lines())
        length += line.style == ThermalSlip::Style::Heading ? 2 * LineMm : LineMm;
    if (!slip.qrText().isEmpty())
        length += QrMm;
    return length;
}

} // namespace

namespace SlipPdf {

void preparePrinter(QPrinter& printer, const ThermalSlip& slip, int rollWidth)
{
    printer.setFullPage(true);
    printer.setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    printer.setPageSize(QPageSize(QSizeF(rollWidth, lengthMm(slip)), QPageSize::Millimeter,
        QStringLiteral("%1 mm 小票").arg(rollWidth), QPageSize::ExactMatch));
    printer.setPageOrientation(QPageLayout::Portrait);
}

bool print(QPrinter& printer, const ThermalSlip& slip, int rollWidth)
{
    QPainter painter;
    if (!painter.begin(&printer))
        return false;
    // Millimetres from here on.
    const double dotsPerMm = printer.resolution() / 25.4;
    painter.scale(dotsPerMm, dotsPerMm);
    const double left = (rollWidth - printedWidthMm(rollWidth)) / 2;
    QFont font(QStringLiteral("Noto Sans Mono CJK SC"));
    font.setStyleHint(QFont::Monospace);
    // Drawn 100 units high and scaled down: a Chinese character fills two columns.
    constexpr double Units = 100;
    font.setPixelSize(int(Units));
    font.setHintingPreference(QFont::PreferNoHinting);
    const double unitMm = 2 * ColumnMm / Units;
    double y = TopMm;
    const QStringList text = slip.text();
    for (qsizetype index = 0; index < text.size(); ++index) {
        const bool heading = slip.lines().at(index).style == ThermalSlip::Style::Heading;
        const double height = heading ? 2 * LineMm : LineMm;
        QFont shown = font;
        shown.setBold(heading);
        painter.save();
        painter.translate(left, y + height - 0.8 * (heading ? 2 : 1));
        painter.scale(unitMm, unitMm * (heading ? 2 : 1));
        painter.setFont(shown);
        int column = 0;
        for (const char32_t code : text.at(index).toUcs4()) {
            const int width = SlipLayout::width(code);
            painter.drawText(QPointF(column * ColumnMm / unitMm, 0), QString::fromUcs4(&code, 1));
            column += width;
        }
        painter.restore();
        y += height;
    }
    if (!slip.qrText().isEmpty()) {
        // A frame where the printer prints its QR code, with the text it holds.
        const QRectF box(rollWidth / 2.0 - 12, y + 2, 24, 24);
        painter.setPen(QPen(Qt::black, 0.3));
        painter.drawRect(box);
        QFont small = font;
        small.setPixelSize(2);
        painter.setFont(small);
        painter.drawText(box.adjusted(1, 1, -1, -1), Qt::AlignCenter | Qt::TextWrapAnywhere,
            QStringLiteral("二维码\n") + slip.qrText());
    }
    return painter.end() && printer.printerState() != QPrinter::Error;
}

bool write(const ThermalSlip& slip, int rollWidth, const QString& path)
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    printer.setDocName(QStringLiteral("小票"));
    preparePrinter(printer, slip, rollWidth);
    return print(printer, slip, rollWidth);
}

} // namespace SlipPdf
