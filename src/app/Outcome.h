#pragma once

#include <QString>

#include <type_traits>
#include <utility>
#include <variant>

// A rule of the desk said no: the text is the system's own message ("选择技师已经排钟!…").
struct Refusal
{
    QString text;
};

// The database failed: the text is the database's error text.
struct Failure
{
    QString text;
};

// What an operation that can be refused or can fail gives back: its value, or a refusal, or a
// failure. Keeping the two apart lets the gui choose how to show each; core never chooses a
// caption or an icon.
//
//     Outcome<int> queued = session.queueTechnician(RotaShift::Early, number);
//     if (!queued)
//         return ShowSetback(messages, queued);
//     order = queued.value();
//
// Outcome<> (void) carries no value.
template <typename T = void> class [[nodiscard]] Outcome
{
public:
    using Value = std::conditional_t<std::is_void_v<T>, std::monostate, T>;

    Outcome() requires std::is_void_v<T>
    = default;
    Outcome(Value value)
        : m_state(std::in_place_index<0>, std::move(value))
    { }
    Outcome(Refusal refusal)
        : m_state(std::in_place_index<1>, std::move(refusal))
    { }
    Outcome(Failure failure)
        : m_state(std::in_place_index<2>, std::move(failure))
    { }

    bool ok() const { return m_state.index() == 0; }
    explicit operator bool() const { return ok(); }
    bool isRefusal() const { return m_state.index() == 1; }
    bool isFailure() const { return m_state.index() == 2; }

    // The refusal's or the failure's text; empty when the operation succeeded.
    QString text() const
    {
        if (const auto* refusal = std::get_if<Refusal>(&m_state))
            return refusal->text;
        if (const auto* failure = std::get_if<Failure>(&m_state))
            return failure->text;
        return {};
    }

    // Only when ok().
    const Value& value() const& { return std::get<0>(m_state); }
    Value&& value() && { return std::get<0>(std::move(m_state)); }

    // The same refusal or failure as an outcome of another type; only when !ok().
    template <typename U> Outcome<U> setback() const
    {
        if (isRefusal())
            return std::get<Refusal>(m_state);
        return Failure { text() };
    }

private:
    std::variant<Value, Refusal, Failure> m_state;
};
