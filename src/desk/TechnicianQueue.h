#pragma once

#include <QString>
#include <QStringList>

// An ordered list of technician numbers: the idle queue (head = next to serve) or the list
// of technicians now serving. Entries are compared as whole texts; a number may stand twice.
class TechnicianQueue
{
public:
    TechnicianQueue() = default;
    explicit TechnicianQueue(QStringList numbers)
        : m_numbers(std::move(numbers))
    { }

    void append(const QString& number) { m_numbers.append(number); }
    void prepend(const QString& number) { m_numbers.prepend(number); }
    // Removes the first entry equal to `number`, searching from the head.
    bool removeFirst(const QString& number);
    bool contains(const QString& number) const { return m_numbers.contains(number); }
    void clear() { m_numbers.clear(); }

    // Head first.
    const QStringList& numbers() const { return m_numbers; }
    qsizetype size() const { return m_numbers.size(); }
    bool isEmpty() const { return m_numbers.isEmpty(); }

    friend bool operator==(const TechnicianQueue&, const TechnicianQueue&) = default;

private:
    QStringList m_numbers;
};

// Removes the first entry equal to `number` from `source` and appends it to `target`; does
// nothing when `source` has no such entry.
void MoveTechnician(TechnicianQueue& source, TechnicianQueue& target, const QString& number);
