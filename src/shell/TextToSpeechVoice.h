#pragma once

#include "app/Speech.h"

#include <QStringList>

#include <atomic>
#include <memory>

class QObject;
class QThread;

// The desk's voice: Qt's text to speech with a Chinese (zh_CN) voice, on a thread of its own,
// so that neither opening the engine nor speaking ever holds up the windows. Texts are said
// one after the other, in the order given; one that comes while the engine is still opening
// waits for it.
//
// The voice is unavailable, and says nothing, when the program was built without Qt's text to
// speech, when no engine loads, when no engine offers a Chinese voice, or once the engine
// reports an error; the main window then notes it in its status bar. Nothing of that is
// shown to the user as an error.
class TextToSpeechVoice : public Speech
{
public:
    enum class State { Opening, Ready, Unavailable };

    // `engines`: the names of the engines to try, in order; empty tries every engine found.
    explicit TextToSpeechVoice(const QStringList& engines = {});
    ~TextToSpeechVoice() override;

    void say(const QString& text) override;
    bool available() const override { return state() == State::Ready; }

    State state() const { return m_state->load(); }

private:
    std::shared_ptr<std::atomic<State>> m_state; // shared with the voice's thread
    QThread* m_thread = nullptr;
    QObject* m_worker = nullptr; // lives on m_thread
};
