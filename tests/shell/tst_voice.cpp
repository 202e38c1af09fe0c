#include "shell/TextToSpeechVoice.h"

#include <QtTest>

using namespace Qt::StringLiterals;

// The desk's real voice where no engine can speak: it settles as unavailable without
// troubling the desk, takes texts all the same, and closes at once.
class VoiceTest : public QObject
{
    Q_OBJECT

private slots:
    void anEngineThatDoesNotLoadLeavesTheDeskWithoutAVoice()
    {
        TextToSpeechVoice voice({ u"no-such-engine"_s });
        voice.say(u"请 12 号技师到 208 房上钟"_s); // while it opens
        QTRY_COMPARE(voice.state(), TextToSpeechVoice::State::Unavailable);
        QVERIFY(!voice.available());
        voice.say(u"208 房已到钟"_s);
        QTest::qWait(50);
        QVERIFY(!voice.available());
    }

    // Whatever engines this machine has, the voice settles within a few seconds and a text
    // handed to it returns at once.
    void theVoiceOfThisMachineSettles()
    {
        QElapsedTimer timer;
        timer.start();
        {
            TextToSpeechVoice voice;
            QVERIFY(timer.elapsed() < 1000);
            voice.say(u"208 房已到钟"_s);
            QTRY_VERIFY_WITH_TIMEOUT(voice.state() != TextToSpeechVoice::State::Opening, 10000);
            qInfo("voice %s", voice.available() ? "available" : "unavailable");
        }
    }
};

QTEST_MAIN(VoiceTest)
#include "tst_voice.moc"
