#pragma once

#include <QString>

// The desk's spoken announcements: a technician called to a room, a room whose clocks are due.
// Injectable, so that a test reads the texts handed to the voice instead of hearing them.
class Speech
{
public:
    virtual ~Speech() = default;
    // Hands `text` to the voice and returns at once; a desk without a voice says nothing.
    virtual void say(const QString& text) = 0;
    // Whether a voice that speaks Chinese is there to say anything.
    virtual bool available() const = 0;
};

// The voice of a desk that has none: says nothing and says so.
class SilentSpeech final : public Speech
{
public:
    void say(const QString&) override { }
    bool available() const override { return false; }
};
