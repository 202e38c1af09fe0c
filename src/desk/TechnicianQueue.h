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

// A technician serving a 点钟 may keep her turn: she then stays at her place in the idle queue
// while she also stands in the working list. The desk offers the next technician from the idle
// queue without those serving meanwhile.

// The idle queue's numbers a desk offers for a room, head first: the queue without those who
// stand in the working list too (serving a 点钟 that keeps their turn).
QStringList OfferedTechnicians(const TechnicianQueue& idle, const TechnicianQueue& working);
// Whether `number` stands in both lists, as one who keeps her place in the idle queue while
// she serves does (so does one queued on a second shift while she serves).
bool KeepsTurnWhileServing(const TechnicianQueue& idle, const TechnicianQueue& working, const QString& number);
// The technician comes to a room: she leaves the idle queue for the tail of the working list,
// or, when she keeps her turn (`keepsTurn`), stays at her place and joins the working list as
// well. One who `keptAlready` her turn serving elsewhere stays as she is, or leaves the queue
// when she comes without keeping it.
void BringToWork(
    TechnicianQueue& idle, TechnicianQueue& working, const QString& number, bool keepsTurn, bool keptAlready = false);
// The technician comes back from a room: one who `kept` her turn is at her place already and
// only leaves the working list; any other leaves it for the tail of the idle queue (as
// MoveTechnician() does), or for its head when `toHead` (taken off the room: she keeps her
// turn).
void SendBack(TechnicianQueue& idle, TechnicianQueue& working, const QString& number, bool toHead, bool kept);
