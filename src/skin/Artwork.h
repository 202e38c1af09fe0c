#pragma once

#include <QIcon>
#include <QPixmap>

// The desk's pictures, drawn in code so that they stay sharp at any size: the seven toolbar
// pictures, the room lamp, the application icon and the splash picture.
namespace Artwork {

enum class Picture { TechnicianStatus, Rota, HandOverPrint, BillQuery, StaffManagement, Login, Help };

QIcon toolbarIcon(Picture picture);
QPixmap picture(Picture picture, int size);

// The room lamp: a bulb, lit (in colour) or idle (grey).
QPixmap bulb(int size, bool lit);

QIcon applicationIcon();
QPixmap splash();

} // namespace Artwork
