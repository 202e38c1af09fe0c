#pragma once

// What the settlement benchmarks share: the percentiles of their timings, and messages that
// go to stderr.

#include "app/MessageService.h"

#include <QList>
#include <QTextStream>

#include <algorithm>
#include <cmath>

struct Percentiles
{
    double p50 = 0; // milliseconds
    double p99 = 0;
    double max = 0;
};

inline Percentiles PercentilesOf(QList<qint64> nanoseconds)
{
    std::sort(nanoseconds.begin(), nanoseconds.end());
    const auto at = [&nanoseconds](double share) {
        const qsizetype index
            = std::clamp<qsizetype>(qsizetype(std::ceil(share * nanoseconds.size())) - 1, 0, nanoseconds.size() - 1);
        return nanoseconds[index] / 1e6;
    };
    return { at(0.50), at(0.99), nanoseconds.last() / 1e6 };
}

class PrintingMessages : public MessageService
{
public:
    void inform(const QString& text, const QString&, Icon) override { QTextStream(stderr) << text << '\n'; }
    bool ask(const QString&, const QString&, Icon) override { return true; }
};
