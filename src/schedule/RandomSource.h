#pragma once

#include <QRandomGenerator>
#include <QtGlobal>

// Where the planner's random buttons get their numbers from. The desk uses a generator seeded
// from the clock; tests use a fixed seed or a scripted sequence so that a plan is repeatable.
class RandomSource
{
public:
    virtual ~RandomSource() = default;
    virtual quint32 next() = 0;
};

class SeededRandomSource : public RandomSource
{
public:
    explicit SeededRandomSource(quint32 seed)
        : m_generator(seed)
    { }
    quint32 next() override { return m_generator.generate(); }

private:
    QRandomGenerator m_generator;
};
