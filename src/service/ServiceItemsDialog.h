#pragma once

#include "service/ServiceCatalog.h"
#include "skin/UnaddedTyping.h"

#include <QDialog>

struct AppServices;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class RowListModel;

// "服务项目设置": the menu of the house in a list, one row per item in the menu's order, and the
// fields of one item under it. A click on a row shows the item in the fields; 添加 stores the
// fields as a new item at the end of the menu, 修改 rewrites the chosen one, 停用/启用 takes it
// off the menu or puts it back, 删除 deletes an item never sold (one that was sold is retired
// instead, and the dialog says so), 上移/下移 move it on the menu. Each writes at once, with
// its row in the operator log; the list changes only when the database took the change.
// Enter in a field moves to the next one; 关闭 asks before typing that was not stored is lost.
class ServiceItemsDialog : public QDialog
{
    Q_OBJECT

public:
    static const QString NoItemText; // "请先选择一个服务项目!"
    static const QString DeleteQuestion; // "真的要删除这个服务项目吗?"

    // The list's columns.
    enum Column {
        NumberColumn,
        NameColumn,
        CategoryColumn,
        UnitColumn,
        MinutesColumn,
        PriceColumn,
        MemberDiscountColumn,
        ManagerDiscountColumn,
        RotationColumn,
        RequestedColumn,
        StateColumn,
        ColumnCount
    };

    explicit ServiceItemsDialog(AppServices& services, QWidget* parent = nullptr);

    QTableView* list() const { return m_list; }
    RowListModel* rows() const { return m_rows; }
    // The item whose row is chosen; 0 when none is.
    qint64 chosenItem() const { return m_chosen; }
    // Chooses the row of item `id` and shows it in the fields, as a click on it does.
    void chooseItem(qint64 id);
    // The fields as typed.
    ServiceItemTexts typedTexts() const;

    void done(int result) override;

private:
    void fillList();
    void showItem(const ServiceItem& item);
    void clickRow(int row);
    void showCommissionUnits();
    void addItem();
    void changeItem();
    void toggleRetired();
    void deleteItem();
    void moveItem(int direction);
    void takeSnapshot();
    const ServiceItem* chosen() const;

    AppServices& m_services;
    ServiceCatalog m_catalog;
    QList<ServiceItem> m_items; // as listed, in the menu's order
    qint64 m_chosen = 0;
    RowListModel* m_rows;
    QTableView* m_list;
    QLineEdit* m_name;
    QComboBox* m_category;
    QComboBox* m_unit;
    QLineEdit* m_minutes;
    QLineEdit* m_price;
    QCheckBox* m_memberDiscount;
    QCheckBox* m_managerDiscount;
    QComboBox* m_rotationKind;
    QLineEdit* m_rotation;
    QLabel* m_rotationUnit;
    QComboBox* m_requestedKind;
    QLineEdit* m_requested;
    QLabel* m_requestedUnit;
    QLabel* m_priceUnit;
    QPushButton* m_retireButton;
    FieldSnapshot m_shown; // the fields as the dialog last filled them
};
