#pragma once

#include "records/RecordStore.h"

#include <QDialog>

#include <array>

struct AppServices;
class ByteLimitedLineEdit;
class ByteLimitedTextEdit;
class QComboBox;
class RowListView;

// Goods, staff or member records in one dialog: a list of the nine columns on the left, the
// fields and the category on the right. 添加, 修改 and 删除 write at once and change the list
// only when the database took the change; 确定 and 取消 only close.
class MasterRecordDialog : public QDialog
{
    Q_OBJECT

public:
    static const QString NoRecordText; // "请选择要删除的商品!!"
    static const QString DeleteQuestion; // "真的要删除这个选项吗？"
    static const QString MemberAddQuestion; // "你确定所输入的资料吗?添加后卡号不能修改!"

    MasterRecordDialog(RecordMode mode, AppServices& services, QWidget* parent = nullptr);

    RecordMode mode() const { return m_store.mode(); }
    RowListView& list() const { return *m_list; }
    // The eight fields, str1 to str8.
    ByteLimitedLineEdit* lineField(int column) const { return column < 7 ? m_lines[column] : nullptr; }
    ByteLimitedTextEdit* profileField() const { return m_profile; }
    QComboBox* categoryBox() const { return m_category; }

private:
    static constexpr int IdColumn = RecordColumnCount; // hidden: the record's rowid

    bool eventFilter(QObject* watched, QEvent* event) override;
    void fillList(const QString& category);
    void chooseCategory(int index);
    void showValues(const QStringList& values);
    QStringList readValues() const;
    QStringList rowCells(const MasterRecord& record) const;
    void clickRow(int row);
    void clearFields();
    void addRecord();
    void modifyRecord();
    void deleteRecord();
    void recomputeTotal();
    void inform(const QString& text, const QString& caption = {});

    AppServices& m_services;
    RecordStore m_store;
    RowListView* m_list;
    std::array<ByteLimitedLineEdit*, 7> m_lines {};
    ByteLimitedTextEdit* m_profile;
    QComboBox* m_category;
};
