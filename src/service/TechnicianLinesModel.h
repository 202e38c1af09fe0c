#pragma once

#include "desk/OpenBill.h"
#include "service/LinesModel.h"

// The technicians of a room: number, name and the massage and foot-wash clocks entered for
// him at checkout. A technician released by "下钟" shows "*" before his number, one the guest
// asked for (点钟) "点" after it.
class TechnicianLinesModel : public LinesModel<TechnicianLine>
{
public:
    enum Column { Number, Name, MassageClocks, FootWashClocks, ColumnCount };

    // The column captions differ between room service and checkout.
    using LinesModel::LinesModel;

protected:
    QString cellText(const TechnicianLine& line, int column) const override;
};
