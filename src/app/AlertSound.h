#pragma once

// The short sound the desk makes when the clocks of a room are due. Injectable, so that a
// test counts the sounds instead of hearing them.
class AlertSound
{
public:
    virtual ~AlertSound() = default;
    virtual void play() = 0;
};
