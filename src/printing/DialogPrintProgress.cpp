#include "printing/DialogPrintProgress.h"

#include <QCoreApplication>
#include <QProgressDialog>

namespace {

QString pageText(int page, int pageCount)
{
    return QStringLiteral("正在打印第%1页,共%2页...").arg(page).arg(pageCount);
}

} // namespace

DialogPrintProgress::DialogPrintProgress(QWidget* parent)
    : m_parent(parent)
{ }

DialogPrintProgress::~DialogPrintProgress()
{
    delete m_dialog;
}

void DialogPrintProgress::start(int pageCount)
{
    m_pageCount = pageCount;
    delete m_dialog;
    m_dialog = new QProgressDialog(pageText(1, pageCount), QStringLiteral("取消"), 0, pageCount, m_parent);
    m_dialog->setObjectName(QStringLiteral("printProgress"));
    m_dialog->setWindowTitle(QStringLiteral("打印"));
    m_dialog->setWindowModality(Qt::WindowModal);
    m_dialog->setMinimumDuration(0);
    m_dialog->setAutoReset(false);
    m_dialog->setValue(0);
}

bool DialogPrintProgress::pagePrinted(int pagesDone)
{
    if (!m_dialog)
        return true;
    m_dialog->setValue(pagesDone);
    m_dialog->setLabelText(pageText(pagesDone + 1, m_pageCount));
    // Let the "取消" button be pressed between pages.
    QCoreApplication::processEvents();
    return !m_dialog->wasCanceled();
}

void DialogPrintProgress::finish()
{
    delete m_dialog;
}
