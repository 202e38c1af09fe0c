#pragma once

#include <QString>

class QPrinter;
class ThermalSlip;

// The thermal slip on paper as narrow as its roll (58 or 80 mm) and as long as the slip: a
// PDF a house looks at before it buys a printer, or a page for an ordinary printer. The
// characters stand in the printer's own grid, a column 1.5 mm wide, a Chinese character two.
namespace SlipPdf {

// Sets the printer's paper to the roll's width and the slip's length, without margins.
void preparePrinter(QPrinter& printer, const ThermalSlip& slip, int rollWidth);
// Draws the slip on a printer prepared for it; false when the printer took nothing.
bool print(QPrinter& printer, const ThermalSlip& slip, int rollWidth);
// Writes the slip as a PDF file; false when the file could not be written.
bool write(const ThermalSlip& slip, int rollWidth, const QString& path);

} // namespace SlipPdf
