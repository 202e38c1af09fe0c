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

    // Whatever engines this machine has (none, or one whose server hangs), making the voice,
    // handing it a text and closing it never hold up the desk: the engine opens on the
    // voice's own thread, and closing waits for it two seconds at most.
    void theVoiceNeverHoldsUpTheDesk()
    {
        QElapsedTimer timer;
        timer.start();
        {
            TextToSpeechVoice voice;
            voice.say(u"208 房已到钟"_s);
            QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
            QTest::qWait(100);
        }
        QVERIFY2(timer.elapsed() < 4000, qPrintable(QString::number(timer.elapsed())));
    }
};

QTEST_MAIN(VoiceTest)
#include "tst_voice.moc"
