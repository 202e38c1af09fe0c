#pragma once

#include "records/RecordFilter.h"
#include "records/RecordStore.h"
#include "skin/UnaddedTyping.h"

#include <QDialog>

#include <array>
#include <functional>

struct AppServices;
class ByteLimitedLineEdit;
class ByteLimitedTextEdit;
class DeskListView;
class PagedTableModel;
class QComboBox;
class QGridLayout;
class QLineEdit;
class QTimer;

// Goods, staff or member records in one dialog: a search box over a list of the nine columns
// on the left, the fields and the category on the right. The list reads the records as it
// shows them, newest first, so that two hundred thousand member cards open as quickly as ten;
// the search and the category are answered by the database. 添加, 修改 and 删除 write at once
// and change the list only when the database took the change; 确定 and 取消 only close, after
// asking when the fields hold typing that was not added.
class MasterRecordDialog : public QDialog
{
    Q_OBJECT

public:
    static const QString NoRecordText; // "请选择要删除的商品!!"
    static const QString DeleteQuestion; // "真的要删除这个选项吗？"
    static const QString MemberAddQuestion; // "你确定所输入的资料吗?添加后卡号不能修改!"

    MasterRecordDialog(RecordMode mode, AppServices& services, QWidget* parent = nullptr);

    RecordMode mode() const { return m_store.mode(); }
    DeskListView& list() const { return *m_list; }
    PagedTableModel& rows() const { return *m_rows; }
    QLineEdit* searchField() const { return m_search; }
    // The eight fields, str1 to str8.
    ByteLimitedLineEdit* lineField(int column) const { return column < 7 ? m_lines[column] : nullptr; }
    ByteLimitedTextEdit* profileField() const { return m_profile; }
    QComboBox* categoryBox() const { return m_category; }

    // Offers the button "充值" (topUpButton) under the member fields: it hands the selected
    // member's card number to `open`, which the shell binds to the top-up window of the cards.
    void offerTopUp(std::function<void(const QString& card)> open);

    void done(int result) override;

private:
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Lists the records of the filter from the top; they are counted a moment later, when the
    // first screen is shown.
    void fillList();
    void countRows();
    // Lists them again after a change, counted at once: `selectedRow` is selected and the
    // rows above it stay where they were on the screen, unless it is the new top row.
    void relist(int selectedRow);
    void search();
    void chooseCategory(int index);
    void showValues(const QStringList& values);
    QStringList readValues() const;
    qint64 selectedRecordId() const;
    void clickRow(int row);
    void clearFields();
    void addRecord();
    void modifyRecord();
    void deleteRecord();
    void recomputeTotal();
    void inform(const QString& text, const QString& caption = {});

    AppServices& m_services;
    RecordStore m_store;
    RecordFilter m_filter;
    PagedTableModel* m_rows;
    DeskListView* m_list;
    QLineEdit* m_search;
    QTimer* m_countTimer;
    QGridLayout* m_editButtons = nullptr;
    std::array<ByteLimitedLineEdit*, 7> m_lines {};
    ByteLimitedTextEdit* m_profile;
    QComboBox* m_category;
    FieldSnapshot m_shown; // the fields as the dialog last filled them
};
