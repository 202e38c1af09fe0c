#include "printing/ExportRunner.h"

#include "app/Clock.h"
#include "app/FileChooser.h"
#include "app/MessageService.h"
#include "desk/AppServices.h"

#include <QDateTime>
#include <QDir>
#include <QProgressDialog>
#include <QStandardPaths>

QString SuggestedExportPath(const QString& baseName, const QDateTime& now, const QString& suffix)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    return QDir(folder).filePath(
        QStringLiteral("%1-%2.%3").arg(baseName, now.toString(QStringLiteral("yyyyMMdd-HHmm")), suffix));
}

ExportResult RunExport(AppServices& services, QWidget* parent, const ExportTable& table, const QString& baseName)
{
    const std::optional<QString> path = services.files.chooseSaveFile(
        parent, QStringLiteral("导出"), SuggestedExportPath(baseName, services.clock.now()), ExportFileFilters);
    if (!path) {
        ExportResult cancelled;
        cancelled.status = ExportResult::Status::Cancelled;
        return cancelled;
    }

    // The bar moves every few thousand rows; "取消" is looked at then.
    QProgressDialog progress(QStringLiteral("正在导出..."), QStringLiteral("取消"), 0,
        int(std::min<qint64>(table.rowCount, std::numeric_limits<int>::max())), parent);
    progress.setObjectName(QStringLiteral("exportProgress"));
    progress.setWindowTitle(QStringLiteral("导出"));
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(500);
    progress.setAutoReset(false);
    progress.setAutoClose(false);
    const ExportResult result = TableExport::write(table, *path, [&progress, &table](qint64 written) {
        progress.setValue(int(std::min(written, table.rowCount)));
        progress.setLabelText(QStringLiteral("正在导出... 已导出%1条,共%2条").arg(written).arg(table.rowCount));
        return !progress.wasCanceled();
    });
    progress.close();

    switch (result.status) {
    case ExportResult::Status::Written:
        services.messages.inform(
            QStringLiteral("已导出%1条记录到:\n%2").arg(result.rowsWritten).arg(QDir::toNativeSeparators(*path)));
        break;
    case ExportResult::Status::Cancelled:
        services.messages.inform(QStringLiteral("导出已取消,没有生成文件。"));
        break;
    case ExportResult::Status::Failed:
        services.messages.inform(QStringLiteral("导出失败!\n%1").arg(result.error), {}, MessageService::Icon::Warning);
        break;
    }
    return result;
}
