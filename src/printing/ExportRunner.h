#pragma once

#include "printing/TableExport.h"

#include <QDateTime>

struct AppServices;
class QWidget;

// "导出": asks where to save the table (a workbook or a CSV file, by the name chosen), writes
// it with a progress bar that can be cancelled, and tells the desk how it went. `baseName`
// is the file name offered, without a suffix.
ExportResult RunExport(AppServices& services, QWidget* parent, const ExportTable& table, const QString& baseName);

// The path offered for a file the desk saves: the user's documents folder, `baseName`, the
// moment and the suffix.
QString SuggestedExportPath(
    const QString& baseName, const QDateTime& now, const QString& suffix = QStringLiteral("xlsx"));
