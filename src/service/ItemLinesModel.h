#pragma once

#include "desk/OpenBill.h"
#include "service/LinesModel.h"

// The menu's items of a room: item, technician, count, and "点" for a technician the guest
// asked for or "轮" for the next in turn.
class ItemLinesModel : public LinesModel<ItemLine>
{
public:
    enum Column { Name, Technician, Count, Call, ColumnCount };

    explicit ItemLinesModel(QObject* parent = nullptr);

    static QString callText(bool requested) { return requested ? QStringLiteral("点") : QStringLiteral("轮"); }

protected:
    QString cellText(const ItemLine& line, int column) const override;
};
