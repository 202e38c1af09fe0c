#pragma once

#include "printing/PrintProgress.h"

#include <QPointer>
#include <QProgressDialog>

class QWidget;

// Print progress in a modal progress dialog with a "取消" button, checked between pages.
class DialogPrintProgress : public PrintProgress
{
public:
    explicit DialogPrintProgress(QWidget* parent);
    ~DialogPrintProgress() override;

    void start(int pageCount) override;
    bool pagePrinted(int pagesDone) override;
    void finish() override;

    QProgressDialog* dialog() const { return m_dialog; }

private:
    QWidget* m_parent;
    QPointer<QProgressDialog> m_dialog;
    int m_pageCount = 0;
};
