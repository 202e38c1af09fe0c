#pragma once

#include <QDialog>

class QTextBrowser;

// "软件使用说明" inside the desk, for a desktop without a browser: the guide in a text browser,
// with its links between sections, and the path of the guide's file written out for a browser
// elsewhere. Not modal: the desk can be worked while it is open.
class GuideWindow : public QDialog
{
    Q_OBJECT

public:
    GuideWindow(const QString& filePath, QWidget* parent = nullptr);

    QTextBrowser* browser() const { return m_browser; }

private:
    QTextBrowser* m_browser;
};
