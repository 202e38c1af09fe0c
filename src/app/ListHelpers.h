#pragma once

#include <QString>
#include <QStringList>

class Database;
class MessageService;
class RowListView;

// The list operations many dialogs share.

// "请在列表中先择要删除的选项!": said when an action needs a row and none is selected.
extern const QString NoRowSelectedText;

// Deletes the selected row; with no selection shows "请在列表中先择要删除的选项!".
bool DeleteSelectedRow(RowListView& list, MessageService& messages);
// Replaces the first cells of the selected row; with no selection shows the same message.
bool ReplaceSelectedRow(RowListView& list, const QStringList& cells, MessageService& messages);

// The list's RowText, top row first; empty for an empty list.
QString RowsToText(const RowListView& list);
// Inserts a row at the top for every complete group of `columns` pieces, so the list shows
// the rows in the reverse order of the text.
void TextToRows(RowListView& list, const QString& rowText, int columns);

// Inserts (number, name, "0", "0") at the top, the name from worksinfo; a number without a
// staff row adds nothing. Returns the database error text, empty when none.
QString AddTechnicianRow(const QString& number, RowListView& list, Database& database);
// Fills the list with the technicians of a queue (head first) so that it shows the head on top.
QString FillTechnicianRows(const QStringList& numbers, RowListView& list, Database& database);
