#pragma once

#include "app/DeskListView.h"
#include "app/Outcome.h"
#include "shift/HandOver.h"

#include <QDialog>

#include <optional>

struct AppServices;
class PagedTableModel;

// "交班记录": the shifts handed over, newest first, with their takings, the expected and counted
// cash and the difference. A hand-over's slip can be looked at ("查看") and printed again
// ("重打", marked so and logged); nothing here changes a hand-over.
class HandOverHistoryWindow : public QDialog
{
    Q_OBJECT

public:
    explicit HandOverHistoryWindow(AppServices& services, QWidget* parent = nullptr);

    PagedTableModel& rows() const { return *m_model; }
    QTableView& list() const { return *m_list; }

    // The hand-over of the selected row; nothing (after a message) when no row is selected.
    std::optional<HandOver> selectedHandOver();

private:
    void view();
    void reprint();

    AppServices& m_services;
    PagedTableModel* m_model;
    DeskListView* m_list;
};
