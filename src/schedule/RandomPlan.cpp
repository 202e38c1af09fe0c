#include "schedule/RandomPlan.h"

#include "schedule/RandomSource.h"

#include <QSet>

#include <algorithm>
#include <numeric>
#include <utility>

QList<int> RandomEarlyPositions(int count, RandomSource& random)
{
    QList<int> picked;
    if (count <= 0)
        return picked;
    const int wanted = count / 2;
    for (int draw = 0; draw <= count; ++draw) {
        if (picked.size() >= wanted)
            break;
        const int position = static_cast<int>(random.next() % static_cast<quint32>(count));
        if (!picked.contains(position))
            picked.append(position);
    }
    return picked;
}

std::array<QList<int>, 7> RandomRestDayPositions(int count, RandomSource& random)
{
    std::array<QList<int>, 7> days;
    if (count <= 0)
        return days;

    QList<int> order(count);
    std::iota(order.begin(), order.end(), 0);
    for (int exchange = 0; exchange < 200; ++exchange) {
        const auto a = static_cast<qsizetype>(random.next() % static_cast<quint32>(count));
        const auto b = static_cast<qsizetype>(random.next() % static_cast<quint32>(count));
        if (a != b)
            std::swap(order[a], order[b]);
    }

    const int perDay = count / 7;
    for (int index = 0; index < count; ++index) {
        const int day = perDay == 0 ? 6 : std::min(index / perDay, 6);
        days[static_cast<size_t>(day)].append(order[index]);
    }
    return days;
}
