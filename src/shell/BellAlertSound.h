#pragma once

#include "app/AlertSound.h"

// The platform's bell. Qt Multimedia would play a sound file, but it brings a whole media
// stack (GStreamer or FFmpeg, PulseAudio) to the desk for one short sound.
class BellAlertSound : public AlertSound
{
public:
    void play() override;
};
