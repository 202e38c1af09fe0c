#pragma once

#include <QList>

#include <array>

class RandomSource;

// Random shifts: positions 0 .. count-1 of the staff list drawn for the early shift, in draw
// order. At most count+1 draws are made and drawing stops once count/2 people are placed, so
// the early shift never gets more than half (fewer when draws repeat); everyone else goes late.
QList<int> RandomEarlyPositions(int count, RandomSource& random);

// Random rest days: the staff positions 0 .. count-1 shuffled by 200 random exchanges, then
// count/7 people for each day Monday to Saturday and all the rest on Sunday. Index 0 of the
// result is Monday. No staff gives seven empty days.
std::array<QList<int>, 7> RandomRestDayPositions(int count, RandomSource& random);
