#pragma once

#include "app/DeskListView.h"

class RowListModel;

// A desk list of a few rows kept in memory: it owns its RowListModel.
class RowListView : public DeskListView
{
    Q_OBJECT

public:
    explicit RowListView(QWidget* parent = nullptr);

    // Sets the columns, each `width` pixels wide: the widths a list starts with.
    void setColumns(const QStringList& captions, int width = DefaultColumnWidth);

    RowListModel& rows() const { return *m_model; }
    // Inserts a row at `position` (0 = top).
    void insertRow(const QStringList& cells, int position = 0);
    void clearRows();

private:
    RowListModel* m_model;
};
