#include "app/ListHelpers.h"

#include "app/Database.h"
#include "app/MessageService.h"
#include "app/RowListModel.h"
#include "app/RowListView.h"
#include "app/RowText.h"
#include "app/StaffLookup.h"

const QString NoRowSelectedText = QStringLiteral("请在列表中先择要删除的选项!");

bool DeleteSelectedRow(RowListView& list, MessageService& messages)
{
    const int row = list.selectedRow();
    if (row < 0) {
        messages.inform(NoRowSelectedText);
        return false;
    }
    list.rows().removeRowAt(row);
    return true;
}

bool ReplaceSelectedRow(RowListView& list, const QStringList& cells, MessageService& messages)
{
    const int row = list.selectedRow();
    if (row < 0) {
        messages.inform(NoRowSelectedText);
        return false;
    }
    list.rows().setRow(row, cells);
    return true;
}

QString RowsToText(const RowListView& list)
{
    return RowText::fromRows(list.rows().rows());
}

void TextToRows(RowListView& list, const QString& rowText, int columns)
{
    for (const QStringList& row : RowText::toRows(rowText, columns))
        list.insertRow(row, 0);
}

QString AddTechnicianRow(const QString& number, RowListView& list, Database& database)
{
    const StaffName staff = LookUpStaffName(database, number);
    if (staff.found)
        list.insertRow({ number, staff.name, QStringLiteral("0"), QStringLiteral("0") }, 0);
    return staff.error;
}

QString FillTechnicianRows(const QStringList& numbers, RowListView& list, Database& database)
{
    for (qsizetype i = numbers.size() - 1; i >= 0; --i) {
        const QString error = AddTechnicianRow(numbers[i], list, database);
        if (!error.isEmpty())
            return error;
    }
    return {};
}
