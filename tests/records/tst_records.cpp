#include "app/ColumnWidths.h"
#include "app/DeskListView.h"
#include "app/PagedTableModel.h"
#include "records/ByteLimit.h"
#include "records/ByteLimitedLineEdit.h"
#include "records/ByteLimitedTextEdit.h"
#include "records/CompanyProfileDialog.h"
#include "records/MasterRecordDialog.h"
#include "records/RecordStore.h"
#include "skin/UnaddedTyping.h"
#include "support/TestEnvironment.h"
#include "support/WidgetDriver.h"

#include <QComboBox>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScrollBar>
#include <QToolTip>
#include <QtTest>

using namespace Qt::StringLiterals;

namespace {

QStringList labelTexts(const QWidget& dialog)
{
    QStringList texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        texts << label->text();
    return texts;
}

// `number` written with at least `width` digits, leading zeros in front, in SQL both engines
// speak (printf('%05d') is SQLite's alone).
QString ZeroPadded(const QString& number, int width)
{
    const QString padded = QStringLiteral("('%1' || %2)").arg(QString(width, u'0'), number);
    return QStringLiteral("substr(%1, length(%1) - %2)").arg(padded).arg(width - 1);
}

} // namespace

// Goods, staff and member records, and the company profile.
class RecordsTest : public QObject
{
    Q_OBJECT

private:
    // A dialog on screen, so that its rows can be clicked.
    struct Shown
    {
        explicit Shown(RecordMode mode, TestEnvironment& env)
            : dialog(mode, env.services)
        {
            dialog.show();
            QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        }
        QLineEdit* field(int column) const { return dialog.lineField(column); }
        void fill(const QStringList& values)
        {
            for (int column = 0; column < 7; ++column)
                field(column)->setText(values.value(column));
            dialog.profileField()->setPlainText(values.value(7));
            if (values.size() > 8)
                dialog.categoryBox()->setEditText(values.value(8));
        }
        void press(const QString& buttonName) { Click(&dialog, buttonName); }
        DeskListView& list() const { return dialog.list(); }
        void click(int row) const { ClickLine(&list(), row); }
        QStringList column(int c) const { return Cells(&list(), c); }
        QStringList row(int r) const
        {
            QStringList texts;
            for (int c = 0; c < RecordColumnCount; ++c)
                texts << dialog.rows().text(r, c);
            return texts;
        }

        MasterRecordDialog dialog;
    };

    static QStringList storedRecords(TestEnvironment& env, const QString& table)
    {
        QStringList records;
        for (const QSqlRecord& row :
            env.sql(QStringLiteral("SELECT str1, str2, str3, str4, str5, str6, str7, str8, str9 FROM %1 ORDER BY rowid")
                        .arg(table))
                .rows) {
            QStringList values;
            for (int i = 0; i < RecordColumnCount; ++i)
                values << row.value(i).toString();
            records << values.join(u'/');
        }
        return records;
    }

private slots:

    void bytesAreCountedAsInTheChineseCodePage_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("cursor");
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<QString>("fitted");
        QTest::newRow("fits") << u"abc"_s << 3 << 3 << 3 << u"abc"_s;
        QTest::newRow("chinese counts two") << u"中文ab"_s << 4 << 6 << 6 << u"中文ab"_s;
        QTest::newRow("typed at the end") << u"abcd"_s << 4 << 3 << 4 << u"abc"_s;
        QTest::newRow("no half character") << u"a中"_s << 2 << 2 << 3 << u"a"_s;
        QTest::newRow("typed in the middle") << u"ab中cd"_s << 3 << 5 << 6 << u"abcd"_s;
        QTest::newRow("pasted in the middle") << u"aXYZb"_s << 4 << 3 << 5 << u"aXb"_s;
        QTest::newRow("cursor at the start") << u"abcdef"_s << 0 << 4 << 6 << u"abcd"_s;
        QTest::newRow("surrogate pair counts four") << QString::fromUtf8("a\xF0\xA0\x80\x80") << 3 << 4 << 5 << u"a"_s;
    }

    void bytesAreCountedAsInTheChineseCodePage()
    {
        QFETCH(QString, text);
        QFETCH(int, cursor);
        QFETCH(int, limit);
        QFETCH(int, bytes);
        QFETCH(QString, fitted);
        QCOMPARE(TextByteCount(text), bytes);
        const FittedText result = FitToByteLimit(text, cursor, limit);
        QCOMPARE(result.text, fitted);
        QVERIFY(TextByteCount(result.text) <= limit);
        QVERIFY(result.cursor >= 0 && result.cursor <= result.text.size());
    }

    void fieldsTakeAtMostTheirBytes()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        Shown goods(RecordMode::Goods, env);
        TypeInto(goods.field(0), QStringLiteral("1234567890ABC"));
        QCOMPARE(goods.field(0)->text(), QStringLiteral("1234567890AB"));
        TypeInto(goods.field(0), QStringLiteral("a一二三四五六"));
        QCOMPARE(goods.field(0)->text(), QStringLiteral("a一二三四五")); // 11 bytes; one more would be 13
        TypeInto(goods.field(4), QStringLiteral("12345678.901"));
        QCOMPARE(goods.field(4)->text(), QStringLiteral("12345678.90"));

        const QList<int> limits = { 12, 68, 120, 22, 11, 50, 50 };
        for (int column = 0; column < 7; ++column) {
            TypeInto(goods.field(column), QString(80, u'字'));
            // Only whole characters: an odd limit leaves one byte unused.
            QCOMPARE(TextByteCount(goods.field(column)->text()), limits[column] - limits[column] % 2);
        }
        goods.dialog.profileField()->clear();
        TypeText(goods.dialog.profileField(), QString(130, u'产'));
        QCOMPARE(goods.dialog.profileField()->toPlainText(), QString(125, u'产'));

        // A longer value stored by another tool is shown whole and saved back unchanged.
        const QString longCode = QStringLiteral("ABCDEFGHIJKLMNOPQRST");
        const QString longOrigin = QString(140, u'远');
        env.sql(QStringLiteral("INSERT INTO kucheninfo (str1, str2, str8) VALUES (?, '长货', ?)"),
            { longCode, longOrigin });
        Shown stored(RecordMode::Goods, env);
        stored.click(0);
        QCOMPARE(stored.field(0)->text(), longCode);
        QCOMPARE(stored.dialog.profileField()->toPlainText(), longOrigin);
        TypeInto(stored.field(3), QStringLiteral("箱"));
        stored.press(QStringLiteral("modifyButton"));
        QCOMPARE(storedRecords(env, QStringLiteral("kucheninfo")),
            QStringList { longCode + QStringLiteral("/长货//箱////") + longOrigin
                + QStringLiteral("/") }); // the stored empty category too
    }

    void openingShowsTheModesCaptionsColumnsAndCategories()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        const struct
        {
            RecordMode mode;
            QString caption;
            QStringList headers;
            QStringList labels;
            QStringList categories;
        } modes[] = {
            { RecordMode::Goods, u"商品库存管理"_s,
                { u"编号"_s, u"商品名称"_s, u"备注"_s, u"单位"_s, u"单价"_s, u"总量"_s, u"总额"_s, u"商品产地"_s,
                    u"商品种类"_s },
                { u"商品编号:"_s, u"商品名称:"_s, u"商品备注:"_s, u"商品单位:"_s, u"商品单价:"_s, u"商品总数:"_s,
                    u"商品总额:"_s, u"商品产地:"_s, u"商品种类:"_s, u"元"_s, u"查找:"_s },
                { u"全部"_s, u"酒水类"_s, u"饮料"_s, u"甜品"_s, u"赠送品"_s, u"其它"_s } },
            { RecordMode::Staff, u"员工资料管理"_s,
                { u"编号"_s, u"姓名"_s, u"性别"_s, u"年龄"_s, u"联系电话"_s, u"住址"_s, u"合同期限"_s, u"个人简介"_s,
                    u"职称"_s },
                { u"员工编号:"_s, u"员工姓名:"_s, u"员工性别:"_s, u"员工年龄:"_s, u"员工电话:"_s, u"员工住址:"_s,
                    u"合同期限:"_s, u"个人简介:"_s, u"员工职称:"_s, u"查找:"_s },
                { u"全部"_s, u"技师"_s, u"理发师"_s, u"部长"_s, u"经理"_s, u"其它部门"_s } },
            { RecordMode::Members, u"会员资料管理"_s,
                { u"会员卡号"_s, u"会员姓名"_s, u"性别"_s, u"年龄"_s, u"联系电话"_s, u"住址"_s, u"金额"_s,
                    u"个人简介"_s, u"卡类型"_s },
                { u"会员卡号:"_s, u"会员姓名:"_s, u"会员性别:"_s, u"会员年龄:"_s, u"会员电话:"_s, u"会员住址:"_s,
                    u"卡    分:"_s, u"个人简介:"_s, u"会卡类型:"_s, u"查找:"_s },
                { u"会员卡"_s } },
        };
        for (const auto& m : modes) {
            MasterRecordDialog dialog(m.mode, env.services);
            QCOMPARE(dialog.windowTitle(), m.caption);
            QCOMPARE(dialog.list().model()->columnCount(), RecordColumnCount);
            QStringList headers;
            for (int c = 0; c < RecordColumnCount; ++c)
                headers << dialog.list().model()->headerData(c, Qt::Horizontal).toString();
            QCOMPARE(headers, m.headers);
            for (int c = 0; c < RecordColumnCount; ++c)
                QCOMPARE(dialog.list().columnWidth(c), 68);
            QStringList labels = labelTexts(dialog);
            labels.sort();
            QStringList expected = m.labels;
            expected.sort();
            QCOMPARE(labels, expected);
            QStringList entries;
            for (int i = 0; i < dialog.categoryBox()->count(); ++i)
                entries << dialog.categoryBox()->itemText(i);
            QCOMPARE(entries, m.categories);
            QCOMPARE(dialog.categoryBox()->currentText(), m.categories.first());
            QCOMPARE(dialog.list().rowCount(), 0);
        }
        QVERIFY(env.messages.shown().isEmpty());
    }

    void goodsTotalFollowsPriceAndQuantity_data()
    {
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<QString>("total");
        QTest::newRow("2.5 x 4") << u"2.5"_s << u"4"_s << u"10.00"_s;
        QTest::newRow("empty price") << u""_s << u"4"_s << u"0.00"_s;
        QTest::newRow("cents") << u"3.35"_s << u"3"_s << u"10.05"_s;
        QTest::newRow("four places, rounded once") << u"0.3333"_s << u"3"_s << u"1.00"_s;
        QTest::newRow("full-width digits and point") << u"１５．５"_s << u"２"_s << u"31.00"_s;
        QTest::newRow("blanks") << u" 2 "_s << u"3"_s << u"6.00"_s;
        // While either is no sane number there is no total; 添加 and 修改 say why.
        QTest::newRow("digits then text") << u"3"_s << u"4abc"_s << u""_s;
        QTest::newRow("text only") << u"abc"_s << u"4"_s << u""_s;
        QTest::newRow("negative") << u" -2"_s << u"3"_s << u""_s;
        QTest::newRow("exponent") << u"1e2"_s << u"5"_s << u""_s;
        QTest::newRow("half a bottle") << u"10"_s << u"0.5"_s << u""_s;
    }

    void goodsTotalFollowsPriceAndQuantity()
    {
        QFETCH(QString, price);
        QFETCH(QString, quantity);
        QFETCH(QString, total);
        TestEnvironment env;
        QVERIFY(env.isReady());
        Shown goods(RecordMode::Goods, env);
        TypeInto(goods.field(4), price);
        TypeInto(goods.field(5), quantity);
        QCOMPARE(goods.field(6)->text(), total);
        // Typing the total itself is kept.
        TypeInto(goods.field(6), QStringLiteral("99"));
        QCOMPARE(goods.field(6)->text(), QStringLiteral("99"));
    }

    void onlyTheGoodsHaveATotal()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        for (RecordMode mode : { RecordMode::Staff, RecordMode::Members }) {
            Shown shown(mode, env);
            TypeInto(shown.field(6), QStringLiteral("合同三年"));
            TypeInto(shown.field(4), QStringLiteral("2.5"));
            TypeInto(shown.field(5), QStringLiteral("4"));
            QCOMPARE(shown.field(6)->text(), QStringLiteral("合同三年"));
        }
        // Showing a row does not recompute the goods total.
        env.sql(QStringLiteral(
            "INSERT INTO kucheninfo (str1, str2, str5, str6, str7) VALUES ('G1', '啤酒', '5', '2', '7')"));
        Shown goods(RecordMode::Goods, env);
        goods.click(0);
        QCOMPARE(goods.field(6)->text(), QStringLiteral("7"));
    }

    void recordsAreAddedWithTheirRules()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        Shown goods(RecordMode::Goods, env);

        // Code and name are required; blanks alone count as empty.
        goods.fill({ u"   "_s, u"啤酒"_s });
        goods.press(QStringLiteral("addButton"));
        QCOMPARE(env.messages.lastText(), QStringLiteral("编号不能为空!"));
        goods.fill({ u"G1"_s, u"  "_s });
        goods.press(QStringLiteral("addButton"));
        QCOMPARE(env.messages.lastText(), QStringLiteral("名称不能为空!"));
        QCOMPARE(goods.list().rowCount(), 0);
        QVERIFY(storedRecords(env, QStringLiteral("kucheninfo")).isEmpty());

        // Saved trimmed, with the category the box shows ("全部" when none was chosen).
        env.messages.clear();
        goods.fill({ u" G1 "_s, u" 青岛啤酒 "_s, u"冰镇"_s, u"瓶"_s, u"8.5"_s, u"24"_s, u"204.00"_s, u"山东\n青岛"_s });
        goods.press(QStringLiteral("addButton"));
        QVERIFY2(env.messages.shown().isEmpty(), qPrintable(env.messages.texts().join(u'|')));
        const QStringList added { u"G1"_s, u"青岛啤酒"_s, u"冰镇"_s, u"瓶"_s, u"8.5"_s, u"24"_s, u"204.00"_s,
            u"山东\n青岛"_s, u"全部"_s };
        QCOMPARE(goods.row(0), added);
        QCOMPARE(storedRecords(env, QStringLiteral("kucheninfo")), QStringList { added.join(u'/') });
        QCOMPARE(goods.field(0)->text(), QStringLiteral("G1"));

        // The same code again is refused.
        goods.fill({ u"G1"_s, u"别的"_s, u""_s, u""_s, u""_s, u""_s, u""_s, u""_s, u"饮料"_s });
        goods.press(QStringLiteral("addButton"));
        QCOMPARE(env.messages.shown().last().text, QStringLiteral("数据库已有相同的记录，请更改为其它!"));
        QCOMPARE(env.messages.shown().last().caption, QStringLiteral("警告"));
        QCOMPARE(goods.list().rowCount(), 1);
        QCOMPARE(storedRecords(env, QStringLiteral("kucheninfo")).size(), 1);

        // A quote is an ordinary character; a chosen category is stored; new rows go on top.
        env.messages.clear();
        goods.fill({ u"G'2"_s, u"O'Brien's"_s, u""_s, u""_s, u""_s, u""_s, u""_s, u""_s });
        Choose(goods.dialog.categoryBox(), QStringLiteral("饮料")); // refills the list, fields stay
        QCOMPARE(goods.list().rowCount(), 0);
        goods.press(QStringLiteral("addButton"));
        QVERIFY2(env.messages.shown().isEmpty(), qPrintable(env.messages.texts().join(u'|')));
        QCOMPARE(goods.row(0).first(), QStringLiteral("G'2"));
        QCOMPARE(storedRecords(env, QStringLiteral("kucheninfo")).last(), QStringLiteral("G'2/O'Brien's///////饮料"));

        // Members: the question comes after the checks; anything but OK adds nothing.
        Shown members(RecordMode::Members, env);
        members.fill({ u"8001"_s, u"张三"_s, u"男"_s, u"30"_s, u""_s, u""_s, u"100"_s });
        env.messages.clear();
        env.messages.queueAnswer(false);
        members.press(QStringLiteral("addButton"));
        QCOMPARE(env.messages.texts(), QStringList { MasterRecordDialog::MemberAddQuestion });
        QVERIFY(env.messages.shown().first().question);
        QVERIFY(storedRecords(env, QStringLiteral("huiyeninfo")).isEmpty());
        members.press(QStringLiteral("addButton"));
        QCOMPARE(storedRecords(env, QStringLiteral("huiyeninfo")),
            QStringList { QStringLiteral("8001/张三/男/30///100//会员卡") });
        env.messages.clear();
        members.press(QStringLiteral("addButton"));
        QCOMPARE(env.messages.texts(), QStringList { QStringLiteral("数据库已有相同的记录，请更改为其它!") });
    }

    void goodsNumbersThatAreRefused_data()
    {
        QTest::addColumn<QString>("price");
        QTest::addColumn<QString>("quantity");
        QTest::addColumn<QString>("message");
        QTest::newRow("a comma") << u"12,5"_s << u"4"_s << u"商品单价不是一个数字!"_s;
        QTest::newRow("an exponent") << u"1e308"_s << u"4"_s << u"商品单价不是一个数字!"_s;
        QTest::newRow("negative price") << u"-3"_s << u"4"_s << u"商品单价不能是负数!"_s;
        QTest::newRow("letters") << u"abc"_s << u"4"_s << u"商品单价不是一个数字!"_s;
        QTest::newRow("beyond a price") << u"100001"_s << u"4"_s << u"商品单价太大,不能超过100000!"_s;
        QTest::newRow("five places") << u"1.00001"_s << u"4"_s << u"商品单价最多四位小数!"_s;
        QTest::newRow("negative quantity") << u"5"_s << u"-3"_s << u"商品总数不能是负数!"_s;
        QTest::newRow("quantity with a unit") << u"5"_s << u"30箱"_s << u"商品总数不是一个数字!"_s;
        QTest::newRow("half a bottle") << u"5"_s << u"2.5"_s << u"商品总数必须是整数!"_s;
        QTest::newRow("too many") << u"5"_s << u"100000"_s << u"商品总数太大,不能超过99999!"_s;
    }

    // A goods record's unit price and quantity are read strictly on 添加 and 修改: a text that
    // is not a sane number is refused with the reason and nothing is written, where "12,5" was
    // stored and read as 12 by the bill, and "30箱" counted down as 30.
    void goodsNumbersThatAreRefused()
    {
        QFETCH(QString, price);
        QFETCH(QString, quantity);
        QFETCH(QString, message);
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.sql(
            u"INSERT INTO kucheninfo (str1, str2, str5, str6, str7, str9) VALUES ('G1', '啤酒', '5', '2', '10.00', '酒水类')"_s);
        const QStringList stored = storedRecords(env, u"kucheninfo"_s);
        Shown goods(RecordMode::Goods, env);

        goods.fill({ u"G2"_s, u"可乐"_s, u""_s, u"罐"_s, price, quantity, u""_s });
        goods.press(u"addButton"_s);
        QCOMPARE(env.messages.texts(), QStringList { message });
        QCOMPARE(storedRecords(env, u"kucheninfo"_s), stored);
        QCOMPARE(goods.list().rowCount(), 1);

        env.messages.clear();
        goods.click(0);
        goods.fill({ u"G1"_s, u"啤酒"_s, u""_s, u""_s, price, quantity, u"10.00"_s });
        goods.press(u"modifyButton"_s);
        QCOMPARE(env.messages.texts(), QStringList { message });
        QCOMPARE(storedRecords(env, u"kucheninfo"_s), stored);
        if (QByteArray(QTest::currentDataTag()) == "a comma")
            QVERIFY(SaveRefusalPictures(goods.dialog, message, u"records-goods-refused"_s));
    }

    // Full-width digits and point are the digits they are, and are stored in plain digits, so
    // that the bill and the stock read them as typed.
    void goodsNumbersInFullWidthAreStoredPlain()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        Shown goods(RecordMode::Goods, env);
        goods.fill({ u"G1"_s, u"啤酒"_s, u""_s, u"瓶"_s });
        TypeInto(goods.field(4), u"１５．５"_s);
        TypeInto(goods.field(5), u"２４"_s);
        QCOMPARE(goods.field(6)->text(), u"372.00"_s);
        goods.press(u"addButton"_s);
        QVERIFY2(env.messages.shown().isEmpty(), qPrintable(env.messages.texts().join(u'|')));
        QCOMPARE(storedRecords(env, u"kucheninfo"_s), QStringList { u"G1/啤酒//瓶/15.5/24/372.00//全部"_s });
        QCOMPARE(goods.field(4)->text(), u"15.5"_s);
        QCOMPARE(goods.field(5)->text(), u"24"_s);

        TypeInto(goods.field(5), u"３０"_s);
        goods.press(u"modifyButton"_s);
        QVERIFY2(env.messages.shown().isEmpty(), qPrintable(env.messages.texts().join(u'|')));
        QCOMPARE(storedRecords(env, u"kucheninfo"_s), QStringList { u"G1/啤酒//瓶/15.5/30/465.00//全部"_s });
    }

    // A form that holds a typed record not added asks before it closes ("确定", "取消" or the close
    // box); "取消" of the question keeps the dialog and the typing. Once added, it closes at once.
    void typingNotAddedIsOfferedBeforeClosing_data()
    {
        QTest::addColumn<int>("modeNumber");
        QTest::newRow("goods") << int(RecordMode::Goods);
        QTest::newRow("staff") << int(RecordMode::Staff);
        QTest::newRow("members") << int(RecordMode::Members);
    }

    void typingNotAddedIsOfferedBeforeClosing()
    {
        QFETCH(int, modeNumber);
        const auto mode = RecordMode(modeNumber);
        TestEnvironment env;
        QVERIFY(env.isReady());
        {
            // Nothing typed: closes without a word.
            Shown empty(mode, env);
            empty.press(u"okButton"_s);
            QVERIFY(!empty.dialog.isVisible());
            QVERIFY(env.messages.shown().isEmpty());
        }
        Shown form(mode, env);
        TypeInto(form.field(0), u"K9"_s);
        TypeInto(form.field(1), u"新的"_s);
        for (const QString& button : { u"okButton"_s, u"cancelButton"_s }) {
            env.messages.clear();
            env.messages.queueAnswer(false);
            form.press(button);
            QCOMPARE(env.messages.texts(), QStringList { UnaddedTypingQuestion });
            QVERIFY(form.dialog.isVisible());
            QCOMPARE(form.field(1)->text(), u"新的"_s);
        }
        form.press(u"addButton"_s);
        QCOMPARE(form.list().rowCount(), 1);
        env.messages.clear();
        form.press(u"okButton"_s);
        QVERIFY(!form.dialog.isVisible());
        QCOMPARE(form.dialog.result(), int(QDialog::Accepted));
        QVERIFY(env.messages.shown().isEmpty());

        // A record shown and changed without "修改" is offered too; given up, the dialog closes.
        form.dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form.dialog));
        form.click(0);
        TypeInto(form.field(1), u"改过"_s);
        env.messages.queueAnswer(true);
        form.press(u"cancelButton"_s);
        QCOMPARE(env.messages.texts(), QStringList { UnaddedTypingQuestion });
        QVERIFY(!form.dialog.isVisible());
        QCOMPARE(form.dialog.result(), int(QDialog::Rejected));
    }

    void recordsAreChangedThroughTheSelectedRow()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.addStaff(QStringLiteral("01"), QStringLiteral("小红"));
        env.addStaff(QStringLiteral("02"), QStringLiteral("小兰"), QStringLiteral("技"));
        Shown staff(RecordMode::Staff, env);
        QCOMPARE(staff.column(0), (QStringList { u"02"_s, u"01"_s }));

        // Without a selection nothing is written.
        staff.fill({ u"01"_s, u"改名"_s });
        staff.press(QStringLiteral("modifyButton"));
        QCOMPARE(env.messages.texts(), QStringList { QStringLiteral("请在列表中先择要删除的选项!") });
        QCOMPARE(storedRecords(env, QStringLiteral("worksinfo")).first(), QStringLiteral("01/小红///////技师"));

        // A row click shows its record; a stored title that is no entry is shown as stored.
        staff.click(0);
        QCOMPARE(staff.field(0)->text(), QStringLiteral("02"));
        QCOMPARE(staff.field(1)->text(), QStringLiteral("小兰"));
        QCOMPARE(staff.dialog.categoryBox()->currentText(), QStringLiteral("技"));

        // Typing another record's code: refused, and neither record nor row changes.
        env.messages.clear();
        TypeInto(staff.field(0), QStringLiteral("01"));
        TypeInto(staff.field(2), QStringLiteral("女"));
        staff.press(QStringLiteral("modifyButton"));
        QCOMPARE(env.messages.texts(), QStringList { QStringLiteral("数据库已有相同的记录，请更改为其它!") });
        QCOMPARE(storedRecords(env, QStringLiteral("worksinfo")),
            (QStringList { u"01/小红///////技师"_s, u"02/小兰///////技"_s }));
        QCOMPARE(staff.column(0), (QStringList { u"02"_s, u"01"_s }));

        // A free code and the other fields are written to the selected record.
        env.messages.clear();
        TypeInto(staff.field(0), QStringLiteral(" 03 "));
        staff.dialog.categoryBox()->setEditText(QStringLiteral("技师"));
        staff.press(QStringLiteral("modifyButton"));
        QVERIFY(env.messages.shown().isEmpty());
        QCOMPARE(
            staff.row(0), (QStringList { u"03"_s, u"小兰"_s, u"女"_s, u""_s, u""_s, u""_s, u""_s, u""_s, u"技师"_s }));
        QCOMPARE(storedRecords(env, QStringLiteral("worksinfo")),
            (QStringList { u"01/小红///////技师"_s, u"03/小兰/女//////技师"_s }));
        // The staff columns of the rota are kept.
        QCOMPARE(
            env.sql(QStringLiteral("SELECT restday FROM worksinfo WHERE str1='03'")).first().value(0).toInt(), 100);

        // A blank name is refused as on adding.
        TypeInto(staff.field(1), QStringLiteral(" "));
        staff.press(QStringLiteral("modifyButton"));
        QCOMPARE(env.messages.lastText(), QStringLiteral("名称不能为空!"));
        QCOMPARE(staff.row(0).at(1), QStringLiteral("小兰"));
    }

    void recordsAreDeletedAfterConfirmation()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.sql(QStringLiteral("INSERT INTO kucheninfo (str1, str2) VALUES ('G1', '啤酒'), ('G2', '可乐')"));
        Shown goods(RecordMode::Goods, env);

        // Right after opening: nothing selected, nothing deleted.
        goods.press(QStringLiteral("deleteButton"));
        QCOMPARE(env.messages.texts(), (QStringList { u"请选择要删除的商品!!"_s, u"请在列表中先择要删除的选项!"_s }));
        QCOMPARE(storedRecords(env, QStringLiteral("kucheninfo")).size(), 2);

        // A declined confirmation keeps record and row; the next operation works normally.
        goods.click(1);
        env.messages.clear();
        env.messages.queueAnswer(false);
        goods.press(QStringLiteral("deleteButton"));
        QCOMPARE(env.messages.shown().size(), 1);
        QCOMPARE(env.messages.shown().first().text, MasterRecordDialog::DeleteQuestion);
        QCOMPARE(env.messages.shown().first().caption, QStringLiteral("警告"));
        QCOMPARE(goods.list().rowCount(), 2);
        goods.press(QStringLiteral("deleteButton"));
        QCOMPARE(goods.column(0), QStringList { QStringLiteral("G2") });
        QCOMPARE(storedRecords(env, QStringLiteral("kucheninfo")), QStringList { QStringLiteral("G2/可乐///////") });

        // A click beside the rows shows no record and leaves nothing selected.
        goods.click(0);
        QCOMPARE(goods.field(0)->text(), QStringLiteral("G2"));
        QTest::mouseClick(
            goods.list().viewport(), Qt::LeftButton, {}, QPoint(10, goods.list().viewport()->height() - 5));
        QCOMPARE(goods.field(0)->text(), QString());
        QCOMPARE(goods.list().selectedRow(), -1);

        // The row clicked is deleted.
        goods.click(0);
        goods.press(QStringLiteral("deleteButton"));
        QCOMPARE(goods.list().rowCount(), 0);
        QVERIFY(storedRecords(env, QStringLiteral("kucheninfo")).isEmpty());
    }

    // 清空 forgets the record shown: 删除 and 修改 then have nothing to act on.
    void clearForgetsTheRecordShown_data()
    {
        QTest::addColumn<RecordMode>("mode");
        QTest::addColumn<QString>("table");
        QTest::newRow("goods") << RecordMode::Goods << u"kucheninfo"_s;
        QTest::newRow("staff") << RecordMode::Staff << u"worksinfo"_s;
        QTest::newRow("members") << RecordMode::Members << u"huiyeninfo"_s;
    }

    void clearForgetsTheRecordShown()
    {
        QFETCH(RecordMode, mode);
        QFETCH(QString, table);
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.sql(u"INSERT INTO %1 (str1, str2) VALUES ('K1', '甲'), ('K2', '乙')"_s.arg(table));
        Shown shown(mode, env);
        shown.click(0);
        QCOMPARE(shown.field(1)->text(), u"乙"_s);
        shown.press(QStringLiteral("clearButton"));
        for (int c = 0; c < 7; ++c)
            QCOMPARE(shown.field(c)->text(), QString());
        QCOMPARE(shown.list().selectedRow(), -1);

        shown.press(QStringLiteral("deleteButton"));
        QCOMPARE(env.messages.texts(), (QStringList { u"请选择要删除的商品!!"_s, u"请在列表中先择要删除的选项!"_s }));
        QVERIFY(!env.messages.shown().first().question);
        env.messages.clear();
        shown.press(QStringLiteral("modifyButton"));
        QCOMPARE(env.messages.texts(), QStringList { u"请在列表中先择要删除的选项!"_s });
        QCOMPARE(shown.list().rowCount(), 2);
        QCOMPARE(storedRecords(env, table).size(), 2);
    }

    // A record typed field by field with Enter, as desk clerks do, never ends the dialog.
    void enterMovesThroughARecordForm()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        Shown staff(RecordMode::Staff, env);
        staff.field(0)->setFocus();
        QTRY_VERIFY(staff.field(0)->hasFocus());
        const QStringList typed
            = { u"S9"_s, u"小周"_s, u"女"_s, u"23"_s, u"13800138000"_s, u"北京路8号"_s, u"2027-12-31"_s };
        for (int column = 0; column < 7; ++column) {
            QVERIFY2(staff.field(column)->hasFocus(), qPrintable(staff.field(column)->objectName()));
            TypeText(staff.field(column), typed[column]);
            QTest::keyClick(staff.field(column), Qt::Key_Return);
            QVERIFY(staff.dialog.isVisible());
        }
        // From 合同期限 on to 个人简介: Enter there breaks the line, Tab leaves it untouched.
        ByteLimitedTextEdit* profile = staff.dialog.profileField();
        QVERIFY(profile->hasFocus());
        TypeText(profile, u"擅长足疗\n十年"_s);
        QTest::keyClick(profile, Qt::Key_Tab);
        QCOMPARE(profile->toPlainText(), u"擅长足疗\n十年"_s);
        QCOMPARE(QApplication::focusWidget()->objectName(), u"clearButton"_s);

        // Tab to 添加 and Enter adds the record; the dialog stays open.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), u"addButton"_s);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QVERIFY(staff.dialog.isVisible());
        QVERIFY(env.messages.shown().isEmpty());
        QCOMPARE(storedRecords(env, u"worksinfo"_s),
            QStringList { u"S9/小周/女/23/13800138000/北京路8号/2027-12-31/擅长足疗\n十年/全部"_s });

        // Enter on the list moves on instead of reaching "确定".
        staff.list().setFocus();
        QTRY_VERIFY(staff.list().hasFocus());
        QTest::keyClick(&staff.list(), Qt::Key_Return);
        QVERIFY(staff.dialog.isVisible());
        QVERIFY(HasFocus(staff.dialog.categoryBox()));
        // Only a button ends the form: Enter on "确定" itself.
        Child<QWidget>(&staff.dialog, u"okButton"_s)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(staff.dialog.result(), int(QDialog::Accepted));
    }

    // Tab follows the form top to bottom and leaves the list and the multi-line field.
    void tabFollowsTheVisualOrder()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.sql(u"INSERT INTO worksinfo (str1, str2) VALUES ('01', '小兰')"_s);
        Shown staff(RecordMode::Staff, env);
        staff.list().setCurrentIndex(staff.list().model()->index(0, 0));
        QCOMPARE(TabOrder(&staff.list(), 18),
            (QStringList { u"str9Box"_s, u"str1Edit"_s, u"str2Edit"_s, u"str3Edit"_s, u"str4Edit"_s, u"str5Edit"_s,
                u"str6Edit"_s, u"str7Edit"_s, u"str8Edit"_s, u"clearButton"_s, u"addButton"_s, u"modifyButton"_s,
                u"deleteButton"_s, u"okButton"_s, u"cancelButton"_s, u"searchEdit"_s, u"searchButton"_s,
                u"recordList"_s }));
        QCOMPARE(staff.dialog.profileField()->toPlainText(), QString());
        QTest::keyClick(&staff.list(), Qt::Key_Backtab);
        QCOMPARE(QApplication::focusWidget()->objectName(), u"searchButton"_s);

        CompanyProfileDialog company(env.services);
        QVERIFY(ShowOnScreen(company));
        QCOMPARE(TabOrder(Child<QWidget>(&company, u"areaBox"_s), 12),
            (QStringList { u"nameEdit"_s, u"addressEdit"_s, u"telEdit"_s, u"faxEdit"_s, u"postcodeEdit"_s,
                u"personEdit"_s, u"emailEdit"_s, u"homepageEdit"_s, u"aboutEdit"_s, u"okButton"_s, u"cancelButton"_s,
                u"areaBox"_s }));
    }

    // In the company profile Enter moves on too; the description keeps its line breaks.
    void enterMovesThroughTheCompanyProfile()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        CompanyProfileDialog dialog(env.services);
        QVERIFY(ShowOnScreen(dialog));
        auto* name = Child<QLineEdit>(&dialog, u"nameEdit"_s);
        name->setFocus();
        QTRY_VERIFY(name->hasFocus());
        TypeInto(name, u"金泉足浴"_s);
        QTest::keyClick(name, Qt::Key_Return);
        QVERIFY(dialog.isVisible());
        QVERIFY(Child<QLineEdit>(&dialog, u"addressEdit"_s)->hasFocus());
        auto* about = Child<ByteLimitedTextEdit>(&dialog, u"aboutEdit"_s);
        about->clear();
        about->setFocus();
        TypeText(about, u"一楼\n二楼"_s);
        QTest::keyClick(about, Qt::Key_Tab);
        QCOMPARE(about->toPlainText(), u"一楼\n二楼"_s);
        QVERIFY(dialog.isVisible());
        QCOMPARE(QApplication::focusWidget()->objectName(), u"okButton"_s);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const QSqlRecord row = env.sql(u"SELECT name, about FROM company WHERE id=2004"_s).first();
        QCOMPARE(row.value(0).toString(), u"金泉足浴"_s);
        QCOMPARE(row.value(1).toString(), u"一楼\n二楼"_s);
    }

    // The widths the user gives a list's columns outlive the dialog, each list its own; a cell
    // too narrow for its text tells the whole text.
    void listsRememberTheirColumnWidths()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        const QString longName = u"进口法国波尔多干红葡萄酒"_s;
        env.sql(u"INSERT INTO kucheninfo (str1, str2) VALUES ('G1', ?)"_s, { longName });
        env.sql(u"INSERT INTO worksinfo (str1, str2, str5) VALUES ('01', '小兰', '13800138000')"_s);
        {
            Shown goods(RecordMode::Goods, env);
            DeskListView& list = goods.list();
            const QModelIndex code = list.model()->index(0, 0);
            const QModelIndex name = list.model()->index(0, 1);
            QCOMPARE(list.columnWidth(1), DeskListView::DefaultColumnWidth);
            QVERIFY(!list.isCellCut(code));
            QVERIFY(list.isCellCut(name));
            const QPoint inName = list.visualRect(name).center();
            QHelpEvent help(QEvent::ToolTip, inName, list.viewport()->mapToGlobal(inName));
            QCoreApplication::sendEvent(list.viewport(), &help);
            QTRY_COMPARE(QToolTip::text(), longName);

            // The user drags the border of 商品名称 to the right.
            QHeaderView* header = list.horizontalHeader();
            const int border = header->sectionViewportPosition(1) + header->sectionSize(1) - 1;
            const int middle = header->height() / 2;
            QTest::mousePress(header->viewport(), Qt::LeftButton, {}, QPoint(border, middle));
            QTest::mouseMove(header->viewport(), QPoint(border + 80, middle));
            QTest::mouseMove(header->viewport(), QPoint(border + 152, middle));
            QTest::mouseRelease(header->viewport(), Qt::LeftButton, {}, QPoint(border + 152, middle));
            QCOMPARE(list.columnWidth(1), DeskListView::DefaultColumnWidth + 152);
            QVERIFY(!list.isCellCut(name));
            goods.dialog.grab().save(TestOutputPath(u"records-goods-widened.png"_s));
            goods.press(u"okButton"_s);
        }
        QVERIFY(QFileInfo::exists(env.filePath(ColumnWidths::FileName)));

        Shown goods(RecordMode::Goods, env);
        QCOMPARE(goods.list().columnWidth(1), DeskListView::DefaultColumnWidth + 152);
        QCOMPARE(goods.list().columnWidth(0), DeskListView::DefaultColumnWidth);
        Shown staff(RecordMode::Staff, env);
        QCOMPARE(staff.list().columnWidth(1), DeskListView::DefaultColumnWidth);
        QVERIFY(staff.list().isCellCut(staff.list().model()->index(0, 4))); // the telephone number
    }

    void aFailedWriteLeavesTheList()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.sql(QStringLiteral("INSERT INTO kucheninfo (str1, str2) VALUES ('G1', '啤酒')"));
        for (const char* event : { "INSERT", "UPDATE", "DELETE" })
            env.sql(QStringLiteral(
                "CREATE TRIGGER refuse_%1 BEFORE %1 ON kucheninfo BEGIN SELECT RAISE(ABORT, '磁盘已满'); END")
                        .arg(QLatin1String(event)));
        Shown goods(RecordMode::Goods, env);

        goods.fill({ u"G2"_s, u"可乐"_s });
        goods.press(QStringLiteral("addButton"));
        QVERIFY(env.messages.lastText().contains(QStringLiteral("磁盘已满")));
        QCOMPARE(goods.list().rowCount(), 1);

        goods.click(0);
        TypeInto(goods.field(1), QStringLiteral("黑啤"));
        env.messages.clear();
        goods.press(QStringLiteral("modifyButton"));
        QCOMPARE(env.messages.texts().size(), 1);
        QVERIFY(env.messages.lastText().contains(QStringLiteral("磁盘已满")));
        QCOMPARE(goods.row(0).at(1), QStringLiteral("啤酒"));

        goods.press(QStringLiteral("deleteButton"));
        QVERIFY(env.messages.lastText().contains(QStringLiteral("磁盘已满")));
        QCOMPARE(goods.list().rowCount(), 1);
        QCOMPARE(storedRecords(env, QStringLiteral("kucheninfo")), QStringList { QStringLiteral("G1/啤酒///////") });
    }

    void categoriesFilterTheList()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.addStaff(QStringLiteral("01"), QStringLiteral("甲"), QStringLiteral("技师"));
        env.addStaff(QStringLiteral("02"), QStringLiteral("乙"), QStringLiteral("经理"));
        env.addStaff(QStringLiteral("03"), QStringLiteral("丙"), QStringLiteral("技师"));
        env.addStaff(QStringLiteral("04"), QStringLiteral("丁"), QStringLiteral("技师'"));
        Shown staff(RecordMode::Staff, env);
        QCOMPARE(staff.column(0), (QStringList { u"04"_s, u"03"_s, u"02"_s, u"01"_s }));
        Choose(staff.dialog.categoryBox(), QStringLiteral("技师"));
        QCOMPARE(staff.column(0), (QStringList { u"03"_s, u"01"_s }));
        Choose(staff.dialog.categoryBox(), QStringLiteral("理发师"));
        QCOMPARE(staff.list().rowCount(), 0);
        Choose(staff.dialog.categoryBox(), QStringLiteral("全部"));
        QCOMPARE(staff.column(0), (QStringList { u"04"_s, u"03"_s, u"02"_s, u"01"_s }));
        staff.dialog.grab().save(TestOutputPath(QStringLiteral("records-staff.png")));

        env.sql(QStringLiteral("INSERT INTO huiyeninfo (str1, str2, str9) VALUES ('8001', '张', '会员卡'), "
                               "('8002', '李', '金卡')"));
        Shown members(RecordMode::Members, env);
        QCOMPARE(members.column(0), (QStringList { u"8002"_s, u"8001"_s }));
        Choose(members.dialog.categoryBox(), QStringLiteral("会员卡"));
        QCOMPARE(members.column(0), QStringList { QStringLiteral("8001") });
        QVERIFY(env.messages.shown().isEmpty());
    }

    void aMembersCardNumberAndAmountStayAsIssued()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.sql(
            QStringLiteral("INSERT INTO huiyeninfo (str1, str2, str7, str9) VALUES ('8001', '张三', '500', '会员卡'), "
                           "('8002', '李四', '300', '会员卡')"));
        Shown members(RecordMode::Members, env);
        QVERIFY(members.field(0)->isEnabled());
        members.click(1);
        QVERIFY(!members.field(0)->isEnabled());
        QVERIFY(!members.field(6)->isEnabled());
        QVERIFY(members.field(1)->isEnabled());
        members.dialog.grab().save(TestOutputPath(QStringLiteral("records-members.png")));

        // 修改 keeps number and amount whatever the fields hold.
        members.field(0)->setText(QStringLiteral("8002"));
        members.field(6)->setText(QStringLiteral("99999"));
        TypeInto(members.field(1), QStringLiteral("张三丰"));
        members.press(QStringLiteral("modifyButton"));
        QVERIFY2(env.messages.shown().isEmpty(), qPrintable(env.messages.texts().join(u'|')));
        QCOMPARE(members.row(1).mid(0, 2), (QStringList { u"8001"_s, u"张三丰"_s }));
        QCOMPARE(members.row(1).at(6), QStringLiteral("500"));
        QCOMPARE(storedRecords(env, QStringLiteral("huiyeninfo")),
            (QStringList { u"8001/张三丰/////500//会员卡"_s, u"8002/李四/////300//会员卡"_s }));
        QCOMPARE(members.field(0)->text(), QStringLiteral("8001"));

        // They stay disabled after 清空, so a new card cannot be added in this run.
        members.press(QStringLiteral("clearButton"));
        QVERIFY(!members.field(0)->isEnabled());
        QVERIFY(!members.field(6)->isEnabled());
        TypeInto(members.field(1), QStringLiteral("王五"));
        members.press(QStringLiteral("addButton"));
        QCOMPARE(env.messages.texts(), QStringList { QStringLiteral("编号不能为空!") });
        QCOMPARE(storedRecords(env, QStringLiteral("huiyeninfo")).size(), 2);
    }

    // --- the list over a large table, and its search -------------------------------------------

    // The search box looks in the code and the name (members: the telephone too), anywhere in
    // them; what is typed is found literally.
    void theSearchIsAnsweredByTheDatabase_data()
    {
        QTest::addColumn<RecordMode>("mode");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("codes"); // newest first

        // Members: 8001 张三 13800005678, 8002 李小三 13912341234, 8003 王五 (住址 三里屯),
        // V%1 O'Brien 100%, Vx_1 a_b, C\1 back\slash, VIP7 Smith.
        QTest::newRow("card number") << RecordMode::Members << u"800"_s
                                     << QStringList { u"8003"_s, u"8002"_s, u"8001"_s };
        QTest::newRow("given name") << RecordMode::Members << u"三"_s << QStringList { u"8002"_s, u"8001"_s };
        QTest::newRow("last digits of a telephone") << RecordMode::Members << u"5678"_s << QStringList { u"8001"_s };
        QTest::newRow("not the address") << RecordMode::Members << u"三里屯"_s << QStringList {};
        QTest::newRow("blanks around") << RecordMode::Members << u"  王五 "_s << QStringList { u"8003"_s };
        QTest::newRow("apostrophe") << RecordMode::Members << u"O'B"_s << QStringList { u"V%1"_s };
        QTest::newRow("percent literally") << RecordMode::Members << u"0%"_s << QStringList { u"V%1"_s };
        QTest::newRow("underscore literally") << RecordMode::Members << u"_"_s << QStringList { u"Vx_1"_s };
        QTest::newRow("backslash literally") << RecordMode::Members << u"\\"_s << QStringList { u"C\\1"_s };
        QTest::newRow("latin letters in either case") << RecordMode::Members << u"smITH"_s << QStringList { u"VIP7"_s };
        // Goods: G1 青岛啤酒 (产地 啤酒城), G2 黑啤, K9 可乐 (备注 G1).
        QTest::newRow("goods code") << RecordMode::Goods << u"G"_s << QStringList { u"G2"_s, u"G1"_s };
        QTest::newRow("goods name") << RecordMode::Goods << u"啤"_s << QStringList { u"G2"_s, u"G1"_s };
        QTest::newRow("not the goods remark") << RecordMode::Goods << u"G1"_s << QStringList { u"G1"_s };
        // Staff: 01 小红 13800001111, 02 小兰, 11 大红.
        QTest::newRow("staff number") << RecordMode::Staff << u"1"_s << QStringList { u"11"_s, u"01"_s };
        QTest::newRow("staff name") << RecordMode::Staff << u"红"_s << QStringList { u"11"_s, u"01"_s };
        QTest::newRow("not the staff telephone") << RecordMode::Staff << u"1111"_s << QStringList {};
    }

    void theSearchIsAnsweredByTheDatabase()
    {
        QFETCH(RecordMode, mode);
        QFETCH(QString, typed);
        QFETCH(QStringList, codes);
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.sql(u"INSERT INTO huiyeninfo (str1, str2, str5, str6) VALUES ('8001', '张三', '13800005678', ''), "
                "('8002', '李小三', '13912341234', ''), ('8003', '王五', '', '三里屯'), "
                "('V%1', 'O''Brien', '100%', ''), ('Vx_1', 'a_b', '', ''), ('C\\1', 'back\\slash', '', ''), "
                "('VIP7', 'Smith', '', '')"_s);
        env.sql(u"INSERT INTO kucheninfo (str1, str2, str3, str8) VALUES ('G1', '青岛啤酒', '', '啤酒城'), "
                "('G2', '黑啤', '', ''), ('K9', '可乐', 'G1', '')"_s);
        env.sql(u"INSERT INTO worksinfo (str1, str2, str5) VALUES ('01', '小红', '13800001111'), ('02', '小兰', ''), "
                "('11', '大红', '')"_s);
        Shown shown(mode, env);
        TypeInto(shown.dialog.searchField(), typed);
        shown.press(u"searchButton"_s);
        QCOMPARE(shown.column(0), codes);
        QVERIFY(env.messages.shown().isEmpty());
    }

    // Enter in the search box searches and the dialog stays open; emptying the box lists every
    // record again; the search and the category narrow the list together.
    void theSearchWorksWithTheCategory()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.addStaff(u"01"_s, u"小红"_s, u"技师"_s);
        env.addStaff(u"02"_s, u"小兰"_s, u"经理"_s);
        env.addStaff(u"03"_s, u"大红"_s, u"技师"_s);
        env.addStaff(u"04"_s, u"红姐"_s, u"经理"_s);
        Shown staff(RecordMode::Staff, env);
        QLineEdit* search = staff.dialog.searchField();
        QVERIFY(HasFocus(search)); // the dialog opens ready for a search
        TypeText(search, u"红"_s);
        QCOMPARE(staff.list().rowCount(), 4); // nothing is searched before Enter
        QTest::keyClick(search, Qt::Key_Return);
        QVERIFY(staff.dialog.isVisible());
        QVERIFY(HasFocus(search));
        QCOMPARE(staff.column(0), (QStringList { u"04"_s, u"03"_s, u"01"_s }));

        Choose(staff.dialog.categoryBox(), u"技师"_s);
        QCOMPARE(staff.column(0), (QStringList { u"03"_s, u"01"_s }));
        TypeInto(search, u"小"_s);
        QTest::keyClick(search, Qt::Key_Return);
        QCOMPARE(staff.column(0), QStringList { u"01"_s });

        // The box emptied key by key: every technician again.
        QTest::keyClick(search, Qt::Key_Backspace);
        QCOMPARE(staff.column(0), (QStringList { u"03"_s, u"01"_s }));
        Choose(staff.dialog.categoryBox(), u"全部"_s);
        QCOMPARE(staff.column(0), (QStringList { u"04"_s, u"03"_s, u"02"_s, u"01"_s }));

        // A record shown in the fields does not change the filter: its category is a field.
        TypeInto(search, u"红"_s);
        QTest::keyClick(search, Qt::Key_Return);
        staff.click(0);
        QCOMPARE(staff.dialog.categoryBox()->currentText(), u"经理"_s);
        staff.press(u"searchButton"_s);
        QCOMPARE(staff.column(0), (QStringList { u"04"_s, u"03"_s, u"01"_s }));
        QVERIFY(env.messages.shown().isEmpty());
    }

    // A record added or changed stays in view under the search or category that would hide it,
    // until the list is filled again.
    void changedRecordsStayInViewUntilTheNextSearch()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.addStaff(u"01"_s, u"小红"_s, u"技师"_s);
        env.addStaff(u"02"_s, u"小兰"_s, u"技师"_s);
        env.addStaff(u"03"_s, u"老王"_s, u"经理"_s);
        Shown staff(RecordMode::Staff, env);
        Choose(staff.dialog.categoryBox(), u"技师"_s);
        TypeInto(staff.dialog.searchField(), u"小"_s);
        staff.press(u"searchButton"_s);
        QCOMPARE(staff.column(0), (QStringList { u"02"_s, u"01"_s }));

        // Added as a manager: on top, selected.
        staff.fill({ u"09"_s, u"老李"_s, u""_s, u""_s, u""_s, u""_s, u""_s, u""_s, u"经理"_s });
        staff.press(u"addButton"_s);
        QVERIFY(env.messages.shown().isEmpty());
        QCOMPARE(staff.column(0), (QStringList { u"09"_s, u"02"_s, u"01"_s }));
        QCOMPARE(staff.list().selectedRow(), 0);

        // 小兰 renamed and made a manager: still in her place, still selected.
        staff.click(1);
        TypeInto(staff.field(1), u"兰姐"_s);
        staff.dialog.categoryBox()->setEditText(u"经理"_s);
        staff.press(u"modifyButton"_s);
        QVERIFY(env.messages.shown().isEmpty());
        QCOMPARE(staff.column(1), (QStringList { u"老李"_s, u"兰姐"_s, u"小红"_s }));
        QCOMPARE(staff.list().selectedRow(), 1);

        // The next search forgets them.
        staff.press(u"searchButton"_s);
        QCOMPARE(staff.column(0), QStringList { u"01"_s });
        Choose(staff.dialog.categoryBox(), u"经理"_s);
        QCOMPARE(staff.column(0), QStringList {}); // still searching for 小
        staff.dialog.searchField()->clear();
        staff.press(u"searchButton"_s);
        QCOMPARE(staff.column(0), (QStringList { u"09"_s, u"03"_s, u"02"_s }));
    }

    // Thousands of member cards are read as the list shows them, newest first; a change deep
    // in the list leaves the rows on the screen where they were.
    void aLongListIsReadAsItIsShown()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        constexpr int Members = 5000;
        env.sql(u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < CAST(? AS integer)) "
                "INSERT INTO huiyeninfo (str1, str2, str5, str7, str9) "
                "SELECT 'VIP' || %1, '会员' || i, '139' || %2, '1000.00', '会员卡' FROM n"_s.arg(
                    ZeroPadded(u"i"_s, 5), ZeroPadded(u"i"_s, 8)),
            { Members });
        {
            // The first page first, counted as soon as the dialog is free again.
            MasterRecordDialog opened(RecordMode::Members, env.services);
            QCOMPARE(opened.rows().rowCount(), PagedTableModel::PageSize);
            QTRY_COMPARE(opened.rows().rowCount(), Members);
            QCOMPARE(opened.rows().pageReads(), 1);
        }
        Shown members(RecordMode::Members, env);
        PagedTableModel& rows = members.dialog.rows();
        QTRY_COMPARE(rows.rowCount(), Members);
        QVERIFY(rows.pagesKept() <= 2);
        QCOMPARE(members.row(0).mid(0, 2), (QStringList { u"VIP05000"_s, u"会员5000"_s }));
        members.list().scrollToBottom();
        QCoreApplication::processEvents();
        QCOMPARE(rows.text(Members - 1, 0), u"VIP00001"_s);
        QVERIFY(rows.pagesKept() <= 4);

        // A row in the middle, changed.
        const int row = 3000; // VIP02000
        members.list().scrollTo(rows.index(row, 0), QAbstractItemView::PositionAtTop);
        const int top = members.list().verticalScrollBar()->value();
        members.click(row);
        QCOMPARE(members.field(0)->text(), u"VIP02000"_s);
        TypeInto(members.field(1), u"王小二"_s);
        members.press(u"modifyButton"_s);
        QVERIFY(env.messages.shown().isEmpty());
        QCOMPARE(rows.rowCount(), Members);
        QCOMPARE(members.list().selectedRow(), row);
        QCOMPARE(members.list().verticalScrollBar()->value(), top);
        QCOMPARE(members.row(row).mid(0, 2), (QStringList { u"VIP02000"_s, u"王小二"_s }));

        // Deleted: the next older card takes its place.
        members.press(u"deleteButton"_s);
        QCOMPARE(env.messages.texts(), QStringList { MasterRecordDialog::DeleteQuestion });
        env.messages.clear();
        QCOMPARE(rows.rowCount(), Members - 1);
        QCOMPARE(members.list().selectedRow(), -1);
        QCOMPARE(members.list().verticalScrollBar()->value(), top);
        QCOMPARE(rows.text(row, 0), u"VIP01999"_s);
        QCOMPARE(env.sql(u"SELECT count(*) FROM huiyeninfo WHERE str1='VIP02000'"_s).first().value(0).toInt(), 0);

        // A search over them: the first page at once, every match once counted.
        TypeInto(members.dialog.searchField(), u"会员1"_s);
        members.press(u"searchButton"_s);
        QCOMPARE(rows.text(0, 1), u"会员1999"_s);
        QTRY_COMPARE(rows.rowCount(), 1111); // 1, 10-19, 100-199, 1000-1999
        QCOMPARE(rows.text(1110, 1), u"会员1"_s);
        QVERIFY(env.messages.shown().isEmpty());
    }

    // A list that cannot be read says why and shows nothing.
    void aFailedSearchIsReported()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.sql(u"INSERT INTO kucheninfo (str1, str2) VALUES ('G1', '啤酒')"_s);
        Shown goods(RecordMode::Goods, env);
        env.sql(u"ALTER TABLE kucheninfo RENAME TO kucheninfo_away"_s);
        TypeInto(goods.dialog.searchField(), u"啤"_s);
        goods.press(u"searchButton"_s);
        QCOMPARE(goods.list().rowCount(), 0);
        QCOMPARE(env.messages.texts().size(), 1);
        QVERIFY2(env.messages.lastText().contains(u"kucheninfo"_s), qPrintable(env.messages.lastText()));
        env.sql(u"ALTER TABLE kucheninfo_away RENAME TO kucheninfo"_s);
    }

    // The three dialogs with a search applied, over the desk's two screen sizes.
    void recordDialogsWithASearchLookRight()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.sql(u"WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 300) "
                "INSERT INTO huiyeninfo (str1, str2, str3, str4, str5, str6, str7, str9) "
                "SELECT 'VIP' || %1, CASE i % 3 WHEN 0 THEN '张' WHEN 1 THEN '李' ELSE '王' END || '小' || i, "
                "CASE i % 2 WHEN 0 THEN '男' ELSE '女' END, 20 + i % 40, '139' || %2, "
                "'广州市天河区体育西路' || i || '号', '1000.00', '会员卡' FROM n"_s.arg(
                    ZeroPadded(u"i"_s, 5), ZeroPadded(u"(i * 7919)"_s, 8)));
        env.sql(u"INSERT INTO kucheninfo (str1, str2, str3, str4, str5, str6, str7, str8, str9) VALUES "
                "('G1', '青岛啤酒', '冰镇', '瓶', '8.50', '24', '204.00', '山东青岛', '酒水类'), "
                "('G2', '哈尔滨啤酒', '', '瓶', '7.00', '48', '336.00', '黑龙江', '酒水类'), "
                "('G3', '可口可乐', '', '罐', '5.00', '48', '240.00', '广州', '饮料'), "
                "('G4', '燕京啤酒', '', '瓶', '7.50', '30', '225.00', '北京', '酒水类')"_s);
        for (int i = 1; i <= 40; ++i) {
            const QString title = i % 5 ? u"技师"_s : u"经理"_s;
            env.addStaff(u"%1"_s.arg(i, 2, 10, QLatin1Char('0')), title + QString::number(i), title);
        }
        const struct
        {
            RecordMode mode;
            QString name;
            QString search;
            int rows;
        } dialogs[] = {
            { RecordMode::Goods, u"goods"_s, u"啤酒"_s, 3 },
            { RecordMode::Staff, u"staff"_s, u"1"_s, 13 },
            { RecordMode::Members, u"members"_s, u"李小1"_s, 39 },
        };
        for (const auto& d : dialogs) {
            Shown shown(d.mode, env);
            TypeInto(shown.dialog.searchField(), d.search);
            QTest::keyClick(shown.dialog.searchField(), Qt::Key_Return);
            QTRY_COMPARE(shown.list().rowCount(), d.rows);
            shown.click(1);
            const QPixmap dialog = shown.dialog.grab();
            for (const QSize& screen : { QSize(1366, 768), QSize(1024, 768) }) {
                QVERIFY(dialog.width() <= screen.width() && dialog.height() <= screen.height() - 70);
                QImage picture(screen, QImage::Format_RGB32);
                picture.fill(QColor(90, 110, 140));
                QPainter painter(&picture);
                painter.drawPixmap(
                    (screen.width() - dialog.width()) / 2, (screen.height() - dialog.height()) / 2, dialog);
                painter.end();
                QVERIFY(picture.save(TestOutputPath(
                    u"records-%1-search-%2x%3.png"_s.arg(d.name).arg(screen.width()).arg(screen.height()))));
            }
        }
        QVERIFY(env.messages.shown().isEmpty());
    }

    void goodsDialogLooksRight()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.sql(QStringLiteral("INSERT INTO kucheninfo (str1, str2, str3, str4, str5, str6, str7, str8, str9) VALUES "
                               "('G1', '青岛啤酒', '冰镇', '瓶', '8.50', '24', '204.00', '山东青岛', '酒水类'), "
                               "('G2', '可口可乐', '', '罐', '5.00', '48', '240.00', '广州', '饮料')"));
        Shown goods(RecordMode::Goods, env);
        goods.click(0);
        QCOMPARE(goods.dialog.categoryBox()->currentText(), QStringLiteral("饮料"));
        goods.dialog.grab().save(TestOutputPath(QStringLiteral("records-goods.png")));
    }

    void companyProfileNeedsNameAndTelephone()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.sql(QStringLiteral(
            "UPDATE company SET area='粤港澳大湾区南沙新区明珠湾', name='金泉足浴', tel='020-1234' WHERE id=2004"));
        CompanyProfileDialog dialog(env.services);
        QVERIFY(ShowOnScreen(dialog));
        QCOMPARE(dialog.windowTitle(), QStringLiteral("公司资料修改"));
        auto* area = dialog.findChild<QComboBox*>(QStringLiteral("areaBox"));
        QCOMPARE(area->count(), 37);
        QCOMPARE(area->itemText(0), QStringLiteral("广东省"));
        QCOMPARE(area->itemText(36), QStringLiteral("台湾省"));
        // Stored, though no entry and longer than what may be typed.
        QCOMPARE(area->currentText(), QStringLiteral("粤港澳大湾区南沙新区明珠湾"));
        QCOMPARE(dialog.findChild<QLineEdit*>(QStringLiteral("nameEdit"))->text(), QStringLiteral("金泉足浴"));
        QVERIFY(labelTexts(dialog).contains(QStringLiteral("电\u3000\u3000话:")));
        dialog.grab().save(TestOutputPath(QStringLiteral("records-company.png")));

        auto* tel = dialog.findChild<QLineEdit*>(QStringLiteral("telEdit"));
        auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("nameEdit"));
        tel->clear();
        TypeInto(name, QStringLiteral("金泉桑拿"));
        Click(&dialog, QStringLiteral("okButton"));
        QCOMPARE(env.messages.texts(), QStringList { QStringLiteral("请输入联系电话!") });
        QVERIFY(dialog.isVisible());
        QCOMPARE(name->text(), QStringLiteral("金泉桑拿"));
        name->clear();
        Click(&dialog, QStringLiteral("okButton"));
        QCOMPARE(env.messages.lastText(), QStringLiteral("请输入企业名称!"));
        QCOMPARE(env.sql(QStringLiteral("SELECT name, tel FROM company WHERE id=2004")).first().value(0).toString(),
            QStringLiteral("金泉足浴"));

        // Nothing is trimmed: a name of blanks is accepted.
        TypeInto(name, QStringLiteral("  "));
        TypeInto(tel, QStringLiteral("020-8888'8"));
        Click(&dialog, QStringLiteral("okButton"));
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const QSqlRecord row = env.sql(QStringLiteral("SELECT name, tel FROM company WHERE id=2004")).first();
        QCOMPARE(row.value(0).toString(), QStringLiteral("  "));
        QCOMPARE(row.value(1).toString(), QStringLiteral("020-8888'8"));
        // The desk keeps the name of its start until the next start.
        QCOMPARE(env.session.companyName(), QString());
    }

    void companyProfileSavesEveryField()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        CompanyProfileDialog dialog(env.services);
        const QStringList objects { u"nameEdit"_s, u"addressEdit"_s, u"telEdit"_s, u"faxEdit"_s, u"postcodeEdit"_s,
            u"personEdit"_s, u"emailEdit"_s, u"homepageEdit"_s };
        const QStringList values { u"金泉足浴"_s, u"天河路1号"_s, u"020-1"_s, u"020-2"_s, u"510000"_s, u"李经理"_s,
            u"a@b.cn"_s, u"www.jq.cn"_s };
        for (int i = 0; i < objects.size(); ++i)
            TypeInto(dialog.findChild<QLineEdit*>(objects[i]), values[i]);
        auto* area = dialog.findChild<QComboBox*>(QStringLiteral("areaBox"));
        area->lineEdit()->clear();
        TypeText(area->lineEdit(), QString(20, u'区'));
        QCOMPARE(area->currentText(), QString(12, u'区')); // 25 bytes: twelve characters
        area->setCurrentIndex(area->findText(QStringLiteral("海外")));
        QCOMPARE(area->currentText(), QStringLiteral("海外"));
        auto* about = dialog.findChild<ByteLimitedTextEdit*>(QStringLiteral("aboutEdit"));
        about->clear();
        TypeText(about, QStringLiteral("第一行\n") + QString(200, u'好'));
        QCOMPARE(TextByteCount(about->toPlainText()), 255);
        QVERIFY(about->toPlainText().startsWith(QStringLiteral("第一行\n")));
        Click(&dialog, QStringLiteral("okButton"));
        QVERIFY(env.messages.shown().isEmpty());

        const QSqlRecord row = env.sql(QStringLiteral("SELECT name, address, tel, smail, PostNum, person, email, "
                                                      "homepage, area, about FROM company WHERE id=2004"))
                                   .first();
        for (int i = 0; i < values.size(); ++i)
            QCOMPARE(row.value(i).toString(), values[i]);
        QCOMPARE(row.value(8).toString(), QStringLiteral("海外"));
        QCOMPARE(row.value(9).toString(), about->toPlainText());

        // 取消 writes nothing; without the row 确定 writes nothing and says nothing.
        CompanyProfileDialog cancelled(env.services);
        TypeInto(cancelled.findChild<QLineEdit*>(QStringLiteral("nameEdit")), QStringLiteral("别名"));
        Click(&cancelled, QStringLiteral("cancelButton"));
        QCOMPARE(env.sql(QStringLiteral("SELECT name FROM company")).first().value(0).toString(), values[0]);
        env.sql(QStringLiteral("DELETE FROM company"));
        CompanyProfileDialog missing(env.services);
        QCOMPARE(missing.findChild<QLineEdit*>(QStringLiteral("nameEdit"))->text(), QString());
        TypeInto(missing.findChild<QLineEdit*>(QStringLiteral("nameEdit")), QStringLiteral("新店"));
        TypeInto(missing.findChild<QLineEdit*>(QStringLiteral("telEdit")), QStringLiteral("1"));
        Click(&missing, QStringLiteral("okButton"));
        QCOMPARE(missing.result(), int(QDialog::Accepted));
        QVERIFY(env.messages.shown().isEmpty());
        QCOMPARE(env.sql(QStringLiteral("SELECT count(*) FROM company")).first().value(0).toInt(), 0);
    }
};

QTEST_MAIN(RecordsTest)
#include "tst_records.moc"
