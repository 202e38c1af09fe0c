#pragma once

#include "app/AlertSound.h"

// Makes no sound; counts how often the desk would have made one.
class CountingAlertSound : public AlertSound
{
public:
    void play() override { ++count; }
    int count = 0;
};
