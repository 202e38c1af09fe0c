#pragma once

#include <QDialog>
#include <QList>

#include <optional>

class MessageService;
class QLineEdit;
class QListWidget;

// Numbers the rooms of one page in one go: a start and an end number (0 to 999) and up to
// 16 unwanted numbers that the numbering skips. After "确定" the caller reads the values.
class QuickNumberingDialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr int MaxNumber = 999;
    static constexpr int MaxUnwanted = 16;

    inline static const QString RangeText = QStringLiteral("请输入一个介于 0 和 999 之间的整数。");
    inline static const QString OutOfRangeText = QStringLiteral("数据超出范围!");
    inline static const QString WrongOrderText = QStringLiteral("数据大小不对。");
    inline static const QString TooManyText = QStringLiteral("不需要的编号最多只能有16个!");

    explicit QuickNumberingDialog(MessageService& messages, QWidget* parent = nullptr);

    int startNumber() const { return m_start; }
    int endNumber() const { return m_end; }
    QList<int> unwantedNumbers() const { return m_unwanted; }

private:
    // Moves the number box's text into the list; false after a message.
    bool addUnwanted();
    void removeUnwanted();
    void confirm();
    // The number in a start or end box, or nothing after the range message.
    std::optional<int> boxNumber(QLineEdit* box);

    MessageService& m_messages;
    QLineEdit* m_startEdit;
    QLineEdit* m_endEdit;
    QLineEdit* m_unwantedEdit;
    QListWidget* m_unwantedList;
    int m_start = 0;
    int m_end = 0;
    QList<int> m_unwanted;
};
