#pragma once

#include "app/Speech.h"

#include <QStringList>

// Says nothing; keeps every text the desk handed to its voice, in order. `voice` false plays a
// desk without a Chinese voice: available() says so, and a text handed over all the same is
// still kept, so that a test sees it.
class RecordingSpeech : public Speech
{
public:
    void say(const QString& text) override { texts << text; }
    bool available() const override { return voice; }

    QStringList texts;
    bool voice = true;
};
