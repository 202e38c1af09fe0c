#pragma once

#include <QString>

class QWidget;

// Brings a data file of an earlier release up to this version on a worker thread, while a
// small window says why the desk waits. The upgrade gives every stored receipt its link and
// the daily ledger its rows, which takes a minute or more on a house of years; done on the
// user's thread it would look like a desk that hangs, and a desk that hangs gets killed.
// A file that is already current, or that cannot be read, is left to the desk's own opening,
// which reports what is wrong with it. Nothing is shown for a file that needs no upgrade.
namespace UpgradeWait {

inline constexpr const char* WindowName = "upgradeWait";

// Returns once the upgrade on the worker is over (whatever its outcome: a failed one has
// left the file as it was, and the desk's own opening then reports why).
void upgrade(const QString& databasePath, QWidget* parent = nullptr);

} // namespace UpgradeWait
