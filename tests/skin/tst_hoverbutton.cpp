#include "shell/DialogMessageService.h"
#include "skin/HoverButtonStyle.h"
#include "support/TestEnvironment.h"
#include "support/WidgetDriver.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QImage>
#include <QMessageBox>
#include <QPainter>
#include <QProxyStyle>
#include <QPushButton>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

// A desktop theme of the kind that puts icons on the buttons of dialogs.
class IconButtonsTheme : public QProxyStyle
{
public:
    IconButtonsTheme()
        : QProxyStyle(QStringLiteral("Fusion"))
    { }
    int styleHint(
        StyleHint hint, const QStyleOption* option, const QWidget* widget, QStyleHintReturn* returnData) const override
    {
        if (hint == SH_DialogButtonBox_ButtonsHaveIcons)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

// The push-button look: gradient colours and the edges of the hovered or focused button.
class HoverButtonTest : public QObject
{
    Q_OBJECT

private:
    static QImage render(bool hovered, bool focused, bool pressed, bool isDefault, bool enabled, int height = 25)
    {
        QImage image(80, height, QImage::Format_RGB32);
        image.fill(Qt::white);
        QPainter painter(&image);
        QPalette palette;
        palette.setColor(QPalette::Window, QColor(236, 233, 216));
        HoverButtonStyle::paintButton(
            &painter, image.rect(), QStringLiteral("确定"), palette, hovered, focused, pressed, isDefault, enabled);
        return image;
    }

private slots:
    void gradientColours_data()
    {
        QTest::addColumn<int>("step");
        QTest::addColumn<bool>("hovered");
        QTest::addColumn<bool>("emphasised");
        QTest::addColumn<QColor>("colour");
        QTest::newRow("plain top") << 0 << false << false << QColor(255, 255, 255);
        QTest::newRow("plain bottom") << 63 << false << false << QColor(234, 234, 243);
        QTest::newRow("emphasised bottom") << 63 << false << true << QColor(234, 234, 240);
        QTest::newRow("hovered bottom") << 63 << true << false << QColor(240, 240, 243);
        QTest::newRow("hovered emphasised bottom") << 63 << true << true << QColor(240, 240, 234);
        QTest::newRow("out of range uses the last colour") << 90 << false << false << QColor(234, 234, 243);
    }

    void gradientColours()
    {
        QFETCH(int, step);
        QFETCH(bool, hovered);
        QFETCH(bool, emphasised);
        QFETCH(QColor, colour);
        QCOMPARE(HoverButtonStyle::gradientColor(step, hovered, emphasised), colour);
    }

    void smallFacesStayWithinTheSixtyFourColours()
    {
        for (int y = 0; y <= 12; ++y)
            QVERIFY(HoverButtonStyle::gradientStep(y, 10) <= 63);
        QCOMPARE(HoverButtonStyle::gradientStep(0, 10), 0);
        QCOMPARE(HoverButtonStyle::gradientStep(10, 10), 63);
        QCOMPARE(HoverButtonStyle::gradientStep(5, 0), 63);
    }

    void edgesFollowHoverAndFocus()
    {
        const QColor warmLeft(250, 196, 88);
        const QColor coolLeft(153, 198, 252);
        const QPoint leftEdge(3, 12);
        QCOMPARE(render(false, true, false, false, true).pixelColor(leftEdge), coolLeft);
        QCOMPARE(render(true, true, false, false, true).pixelColor(leftEdge), warmLeft);
        QCOMPARE(render(true, false, false, false, true).pixelColor(leftEdge), warmLeft);
        // Without focus or hover there is no coloured edge.
        const QColor plain = render(false, false, false, false, true).pixelColor(leftEdge);
        QVERIFY(plain != warmLeft && plain != coolLeft);
    }

    void pressedTextMovesOnePixel()
    {
        // The top-left corner of the dark text pixels moves by one pixel right and down.
        const auto textCorner = [](const QImage& image) {
            QPoint corner(image.width(), image.height());
            for (int y = 4; y < image.height() - 4; ++y)
                for (int x = 6; x < image.width() - 6; ++x)
                    if (qGray(image.pixel(x, y)) < 100)
                        corner = QPoint(std::min(corner.x(), x), std::min(corner.y(), y));
            return corner;
        };
        const QPoint normal = textCorner(render(false, false, false, false, true));
        const QPoint pressed = textCorner(render(false, false, true, false, true));
        QVERIFY(normal.x() < 80);
        QCOMPARE(pressed, normal + QPoint(1, 1));
    }

    void aDialogOfButtonsInEveryState()
    {
        // A picture of the look for a person to check: plain, hovered, focused, default,
        // pressed and disabled.
        QImage sheet(6 * 90, 40, QImage::Format_RGB32);
        sheet.fill(QColor(236, 233, 216));
        QPainter painter(&sheet);
        QPalette palette;
        palette.setColor(QPalette::Window, QColor(236, 233, 216));
        const struct
        {
            QString text;
            bool hovered, focused, pressed, isDefault, enabled;
        } states[] = { { u"确定"_s, false, false, false, false, true }, { u"添加"_s, true, false, false, false, true },
            { u"删除"_s, false, true, false, false, true }, { u"修改"_s, false, false, false, true, true },
            { u"出勤"_s, false, true, true, false, true }, { u"排钟"_s, true, false, false, false, false } };
        int x = 5;
        for (const auto& state : states) {
            HoverButtonStyle::paintButton(&painter, QRect(x, 8, 80, 25), state.text, palette, state.hovered,
                state.focused, state.pressed, state.isDefault, state.enabled);
            x += 90;
        }
        painter.end();
        QVERIFY(sheet.save(TestOutputPath(QStringLiteral("hoverbuttons.png"))));

        // And a real dialog with the style installed app-wide.
        auto* style = new HoverButtonStyle;
        QApplication::setStyle(style);
        QDialog dialog;
        auto* layout = new QHBoxLayout(&dialog);
        auto* ok = new QPushButton(QStringLiteral("确定"), &dialog);
        ok->setDefault(true);
        layout->addWidget(ok);
        auto* cancel = new QPushButton(QStringLiteral("取消"), &dialog);
        cancel->setEnabled(false);
        layout->addWidget(cancel);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        QVERIFY(ok->testAttribute(Qt::WA_Hover));
        QVERIFY(dialog.grab().save(TestOutputPath(QStringLiteral("hoverbutton-dialog.png"))));
    }

    // A desktop theme that gives dialog buttons icons would leave the message boxes' buttons in
    // the plain look; they take the desk's look like every other push button.
    void messageBoxButtonsTakeTheLook()
    {
        QApplication::setStyle(new HoverButtonStyle(new IconButtonsTheme));
        QVERIFY(QApplication::style()->styleHint(QStyle::SH_DialogButtonBox_ButtonsHaveIcons) == 0);
        QList<QAbstractButton*> buttons;
        WhenDialogOpens<QMessageBox>([&buttons](QMessageBox* box) {
            buttons = box->buttons();
            for (QAbstractButton* button : std::as_const(buttons))
                QVERIFY2(button->icon().isNull(), qPrintable(button->text()));
            QVERIFY(box->grab().save(TestOutputPath(QStringLiteral("hoverbutton-messagebox.png"))));
            box->button(QMessageBox::Ok)->click();
        });
        DialogMessageService messages;
        QVERIFY(messages.ask(QStringLiteral("真的要删除这个选项吗？"), QStringLiteral("警告")));
        QCOMPARE(buttons.size(), 2);
    }
};

QTEST_MAIN(HoverButtonTest)
#include "tst_hoverbutton.moc"
