#include "shell/TextToSpeechVoice.h"

#include <QObject>
#include <QThread>

#ifdef TAVREL_HAS_TEXT_TO_SPEECH

#include <QLocale>
#include <QTextToSpeech>
#include <QVoice>

#include <optional>

namespace {

constexpr unsigned long StopWaitMilliseconds = 2000;

bool isChinese(const QLocale& locale)
{
    return locale.language() == QLocale::Chinese;
}

// The engine's Chinese locale, mainland first.
std::optional<QLocale> chineseLocale(const QTextToSpeech& engine)
{
    std::optional<QLocale> found;
    for (const QLocale& locale : engine.availableLocales()) {
        if (!isChinese(locale))
            continue;
        if (locale.territory() == QLocale::China)
            return locale;
        if (!found)
            found = locale;
    }
    return found;
}

// Whether the voice speaks Mandarin by its name: espeak-ng's voice through speech-dispatcher
// is "Chinese (Mandarin, latin as English)", of the language "cmn", which Qt knows by no
// locale (it lists the voice under "C").
bool isMandarinByName(const QVoice& voice)
{
    return voice.name().contains(u"Mandarin", Qt::CaseInsensitive);
}

// Makes `engine` speak Chinese; false when it has no Chinese voice.
bool chooseChinese(QTextToSpeech& engine)
{
    if (const std::optional<QLocale> locale = chineseLocale(engine)) {
        engine.setLocale(*locale);
        for (const QVoice& voice : engine.availableVoices()) {
            if (isChinese(voice.locale())) {
                engine.setVoice(voice);
                break;
            }
        }
        return true;
    }
    for (const QLocale& locale : engine.availableLocales()) {
        if (locale.language() != QLocale::C)
            continue;
        engine.setLocale(locale);
        for (const QVoice& voice : engine.availableVoices()) {
            if (isMandarinByName(voice)) {
                engine.setVoice(voice);
                return true;
            }
        }
    }
    return false;
}

// Opens the engine and says the texts given, one after the other; lives on the voice's thread.
class VoiceWorker : public QObject
{
public:
    VoiceWorker(QStringList engines, std::shared_ptr<std::atomic<TextToSpeechVoice::State>> state)
        : m_engines(std::move(engines))
        , m_state(std::move(state))
    { }

    void open()
    {
        const QStringList engines = m_engines.isEmpty() ? QTextToSpeech::availableEngines() : m_engines;
        for (const QString& name : engines) {
            auto* engine = new QTextToSpeech(name, this);
            if (engine->state() == QTextToSpeech::Error || !chooseChinese(*engine)
                || engine->state() == QTextToSpeech::Error) {
                delete engine;
                continue;
            }
            m_engine = engine;
            connect(engine, &QTextToSpeech::stateChanged, this, &VoiceWorker::onStateChanged);
            m_state->store(TextToSpeechVoice::State::Ready);
            sayNext();
            return;
        }
        giveUp();
    }

    void speak(const QString& text)
    {
        if (!m_engine)
            return;
        m_waiting << text;
        sayNext();
    }

private:
    void onStateChanged(QTextToSpeech::State state)
    {
        if (state == QTextToSpeech::Error) {
            giveUp();
            return;
        }
        if (state == QTextToSpeech::Speaking)
            m_speaking = true;
        else if (state == QTextToSpeech::Ready && m_speaking) {
            m_speaking = false;
            m_busy = false;
            sayNext();
        }
    }

    // Says the next text waiting, unless one is being said: a new say() would cut it short.
    void sayNext()
    {
        if (!m_engine || m_busy || m_waiting.isEmpty())
            return;
        m_busy = true;
        m_engine->say(m_waiting.takeFirst());
    }

    // The voice stays silent from now on.
    void giveUp()
    {
        m_state->store(TextToSpeechVoice::State::Unavailable);
        m_waiting.clear();
        if (m_engine) {
            m_engine->disconnect(this);
            m_engine->deleteLater();
            m_engine = nullptr;
        }
    }

    const QStringList m_engines;
    const std::shared_ptr<std::atomic<TextToSpeechVoice::State>> m_state;
    QTextToSpeech* m_engine = nullptr;
    QStringList m_waiting;
    bool m_busy = false; // a text was handed to the engine and has not ended yet
    bool m_speaking = false; // the engine said it is speaking it
};

} // namespace

TextToSpeechVoice::TextToSpeechVoice(const QStringList& engines)
    : m_state(std::make_shared<std::atomic<State>>(State::Opening))
    , m_thread(new QThread)
{
    m_thread->setObjectName(QStringLiteral("voice"));
    auto* worker = new VoiceWorker(engines, m_state);
    worker->moveToThread(m_thread);
    m_worker = worker;
    QObject::connect(m_thread, &QThread::started, worker, &VoiceWorker::open);
    QObject::connect(m_thread, &QThread::finished, worker, &QObject::deleteLater);
    m_thread->start(QThread::LowPriority);
}

TextToSpeechVoice::~TextToSpeechVoice()
{
    m_thread->quit();
    // An engine stuck in its own call must not keep the desk from closing: the thread is then
    // left to the end of the process.
    if (m_thread->wait(StopWaitMilliseconds))
        delete m_thread;
}

void TextToSpeechVoice::say(const QString& text)
{
    if (state() == State::Unavailable)
        return;
    QMetaObject::invokeMethod(
        m_worker, [worker = static_cast<VoiceWorker*>(m_worker), text] { worker->speak(text); }, Qt::QueuedConnection);
}

#else // built without Qt's text to speech: no voice

TextToSpeechVoice::TextToSpeechVoice(const QStringList&)
    : m_state(std::make_shared<std::atomic<State>>(State::Unavailable))
{ }

TextToSpeechVoice::~TextToSpeechVoice() = default;

void TextToSpeechVoice::say(const QString&) { }

#endif
