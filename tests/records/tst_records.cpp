#include "app/RowListModel.h"
#include "app/RowListView.h"
#include "records/ByteLimit.h"
#include "records/ByteLimitedLineEdit.h"
#include "records/ByteLimitedTextEdit.h"
#include "records/CompanyProfileDialog.h"
#include "records/MasterRecordDialog.h"
#include "records/RecordStore.h"
#include "support/TestEnvironment.h"
#include "support/WidgetFinder.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

namespace {

// Types `text` key by key; Chinese characters arrive as the text of a key event.
void typeText(QWidget* widget, const QString& text)
{
    for (const QChar c : text) {
        if (c == u'\n')
            QTest::keyClick(widget, Qt::Key_Return);
        else if (c.unicode() < 0x80)
            QTest::keyClick(widget, c.toLatin1());
        else
            QTest::sendKeyEvent(QTest::Click, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
}

void typeInto(QLineEdit* edit, const QString& text)
{
    edit->clear();
    typeText(edit, text);
}

void choose(QComboBox* box, const QString& text)
{
    const int index = box->findText(text);
    QVERIFY2(index >= 0, qPrintable(text));
    box->setCurrentIndex(index);
    emit box->activated(index);
}

void clickRow(RowListView& list, int row)
{
    const QRect cell = list.visualRect(list.model()->index(row, 0));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, cell.center());
}

QStringList column(const RowListView& list, int column)
{
    QStringList texts;
    for (const QStringList& row : list.rows().rows())
        texts << row.value(column);
    return texts;
}

QStringList labelTexts(const QWidget& dialog)
{
    QStringList texts;
    for (const QLabel* label : dialog.findChildren<QLabel*>())
        texts << label->text();
    return texts;
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
        void press(const QString& text) { FindButton(&dialog, text)->click(); }
        RowListView& list() const { return dialog.list(); }
        QStringList row(int r) const { return list().rows().row(r).mid(0, RecordColumnCount); }

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
    void initTestCase() { QApplication::setApplicationDisplayName(QStringLiteral("Tavrel")); }

    void bytesAreCountedAsInTheChineseCodePage_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("cursor");
        QTest::addColumn<int>("limit");
        QTest::addColumn<int>("bytes");
        QTest::addColumn<QString>("fitted");
        QTest::newRow("fits") << "abc" << 3 << 3 << 3 << "abc";
        QTest::newRow("chinese counts two") << "中文ab" << 4 << 6 << 6 << "中文ab";
        QTest::newRow("typed at the end") << "abcd" << 4 << 3 << 4 << "abc";
        QTest::newRow("no half character") << "a中" << 2 << 2 << 3 << "a";
        QTest::newRow("typed in the middle") << "ab中cd" << 3 << 5 << 6 << "abcd";
        QTest::newRow("pasted in the middle") << "aXYZb" << 4 << 3 << 5 << "aXb";
        QTest::newRow("cursor at the start") << "abcdef" << 0 << 4 << 6 << "abcd";
        QTest::newRow("surrogate pair counts four") << QString::fromUtf8("a\xF0\xA0\x80\x80") << 3 << 4 << 5 << "a";
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
        typeInto(goods.field(0), QStringLiteral("1234567890ABC"));
        QCOMPARE(goods.field(0)->text(), QStringLiteral("1234567890AB"));
        typeInto(goods.field(0), QStringLiteral("a一二三四五六"));
        QCOMPARE(goods.field(0)->text(), QStringLiteral("a一二三四五")); // 11 bytes; one more would be 13
        typeInto(goods.field(4), QStringLiteral("12345678.901"));
        QCOMPARE(goods.field(4)->text(), QStringLiteral("12345678.90"));

        const QList<int> limits = { 12, 68, 120, 22, 11, 50, 50 };
        for (int column = 0; column < 7; ++column) {
            typeInto(goods.field(column), QString(80, u'字'));
            // Only whole characters: an odd limit leaves one byte unused.
            QCOMPARE(TextByteCount(goods.field(column)->text()), limits[column] - limits[column] % 2);
        }
        goods.dialog.profileField()->clear();
        typeText(goods.dialog.profileField(), QString(130, u'产'));
        QCOMPARE(goods.dialog.profileField()->toPlainText(), QString(125, u'产'));

        // A longer value stored by another tool is shown whole and saved back unchanged.
        const QString longCode = QStringLiteral("ABCDEFGHIJKLMNOPQRST");
        const QString longOrigin = QString(140, u'远');
        env.sql(QStringLiteral("INSERT INTO kucheninfo (str1, str2, str8) VALUES (?, '长货', ?)"),
            { longCode, longOrigin });
        Shown stored(RecordMode::Goods, env);
        clickRow(stored.list(), 0);
        QCOMPARE(stored.field(0)->text(), longCode);
        QCOMPARE(stored.dialog.profileField()->toPlainText(), longOrigin);
        typeInto(stored.field(3), QStringLiteral("箱"));
        stored.press(QStringLiteral("修改"));
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
            { RecordMode::Goods, "商品库存管理",
                { "编号", "商品名称", "备注", "单位", "单价", "总量", "总额", "商品产地", "商品种类" },
                { "商品编号:", "商品名称:", "商品备注:", "商品单位:", "商品单价:", "商品总数:", "商品总额:",
                    "商品产地:", "商品种类:", "元" },
                { "全部", "酒水类", "饮料", "甜品", "赠送品", "其它" } },
            { RecordMode::Staff, "员工资料管理",
                { "编号", "姓名", "性别", "年龄", "联系电话", "住址", "合同期限", "个人简介", "职称" },
                { "员工编号:", "员工姓名:", "员工性别:", "员工年龄:", "员工电话:", "员工住址:", "合同期限:",
                    "个人简介:", "员工职称:" },
                { "全部", "技师", "理发师", "部长", "经理", "其它部门" } },
            { RecordMode::Members, "会员资料管理",
                { "会员卡号", "会员姓名", "性别", "年龄", "联系电话", "住址", "金额", "个人简介", "卡类型" },
                { "会员卡号:", "会员姓名:", "会员性别:", "会员年龄:", "会员电话:", "会员住址:", "卡    分:",
                    "个人简介:", "会卡类型:" },
                { "会员卡" } },
        };
        for (const auto& m : modes) {
            MasterRecordDialog dialog(m.mode, env.services);
            QCOMPARE(dialog.windowTitle(), m.caption);
            QCOMPARE(dialog.list().rows().headers().mid(0, RecordColumnCount), m.headers);
            QVERIFY(dialog.list().isColumnHidden(RecordColumnCount));
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
        QTest::newRow("2.5 x 4") << "2.5"
                                 << "4"
                                 << "10.00";
        QTest::newRow("empty price") << ""
                                     << "4"
                                     << "0.00";
        QTest::newRow("digits then text") << "3"
                                          << "4abc"
                                          << "12.00";
        QTest::newRow("text only") << "abc"
                                   << "4"
                                   << "0.00";
        QTest::newRow("cents") << "3.35"
                               << "3"
                               << "10.05";
        QTest::newRow("blanks and sign") << " -2"
                                         << "3"
                                         << "-6.00";
        QTest::newRow("exponent") << "1e2"
                                  << "0.5"
                                  << "50.00";
    }

    void goodsTotalFollowsPriceAndQuantity()
    {
        QFETCH(QString, price);
        QFETCH(QString, quantity);
        QFETCH(QString, total);
        TestEnvironment env;
        QVERIFY(env.isReady());
        Shown goods(RecordMode::Goods, env);
        typeInto(goods.field(4), price);
        typeInto(goods.field(5), quantity);
        QCOMPARE(goods.field(6)->text(), total);
        // Typing the total itself is kept.
        typeInto(goods.field(6), QStringLiteral("99"));
        QCOMPARE(goods.field(6)->text(), QStringLiteral("99"));
    }

    void onlyTheGoodsHaveATotal()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        for (RecordMode mode : { RecordMode::Staff, RecordMode::Members }) {
            Shown shown(mode, env);
            typeInto(shown.field(6), QStringLiteral("合同三年"));
            typeInto(shown.field(4), QStringLiteral("2.5"));
            typeInto(shown.field(5), QStringLiteral("4"));
            QCOMPARE(shown.field(6)->text(), QStringLiteral("合同三年"));
        }
        // Showing a row does not recompute the goods total.
        env.sql(QStringLiteral(
            "INSERT INTO kucheninfo (str1, str2, str5, str6, str7) VALUES ('G1', '啤酒', '5', '2', '7')"));
        Shown goods(RecordMode::Goods, env);
        clickRow(goods.list(), 0);
        QCOMPARE(goods.field(6)->text(), QStringLiteral("7"));
    }

    void recordsAreAddedWithTheirRules()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        Shown goods(RecordMode::Goods, env);

        // Code and name are required; blanks alone count as empty.
        goods.fill({ "   ", "啤酒" });
        goods.press(QStringLiteral("添加"));
        QCOMPARE(env.messages.lastText(), QStringLiteral("编号不能为空!"));
        goods.fill({ "G1", "  " });
        goods.press(QStringLiteral("添加"));
        QCOMPARE(env.messages.lastText(), QStringLiteral("名称不能为空!"));
        QCOMPARE(goods.list().rowCount(), 0);
        QVERIFY(storedRecords(env, QStringLiteral("kucheninfo")).isEmpty());

        // Saved trimmed, with the category the box shows ("全部" when none was chosen).
        env.messages.clear();
        goods.fill({ " G1 ", " 青岛啤酒 ", "冰镇", "瓶", "8.5", "24", "204.00", "山东\n青岛" });
        goods.press(QStringLiteral("添加"));
        QVERIFY2(env.messages.shown().isEmpty(), qPrintable(env.messages.texts().join(u'|')));
        const QStringList added { "G1", "青岛啤酒", "冰镇", "瓶", "8.5", "24", "204.00", "山东\n青岛", "全部" };
        QCOMPARE(goods.row(0), added);
        QCOMPARE(storedRecords(env, QStringLiteral("kucheninfo")), QStringList { added.join(u'/') });
        QCOMPARE(goods.field(0)->text(), QStringLiteral("G1"));

        // The same code again is refused.
        goods.fill({ "G1", "别的", "", "", "", "", "", "", "饮料" });
        goods.press(QStringLiteral("添加"));
        QCOMPARE(env.messages.shown().last().text, QStringLiteral("数据库已有相同的记录，请更改为其它!"));
        QCOMPARE(env.messages.shown().last().caption, QStringLiteral("警告"));
        QCOMPARE(goods.list().rowCount(), 1);
        QCOMPARE(storedRecords(env, QStringLiteral("kucheninfo")).size(), 1);

        // A quote is an ordinary character; a chosen category is stored; new rows go on top.
        env.messages.clear();
        goods.fill({ "G'2", "O'Brien's", "", "", "", "", "", "" });
        choose(goods.dialog.categoryBox(), QStringLiteral("饮料")); // refills the list, fields stay
        QCOMPARE(goods.list().rowCount(), 0);
        goods.press(QStringLiteral("添加"));
        QVERIFY(env.messages.shown().isEmpty());
        QCOMPARE(goods.row(0).first(), QStringLiteral("G'2"));
        QCOMPARE(storedRecords(env, QStringLiteral("kucheninfo")).last(), QStringLiteral("G'2/O'Brien's///////饮料"));

        // Members: the question comes after the checks; anything but OK adds nothing.
        Shown members(RecordMode::Members, env);
        members.fill({ "8001", "张三", "男", "30", "", "", "100" });
        env.messages.clear();
        env.messages.queueAnswer(false);
        members.press(QStringLiteral("添加"));
        QCOMPARE(env.messages.texts(), QStringList { MasterRecordDialog::MemberAddQuestion });
        QVERIFY(env.messages.shown().first().question);
        QVERIFY(storedRecords(env, QStringLiteral("huiyeninfo")).isEmpty());
        members.press(QStringLiteral("添加"));
        QCOMPARE(storedRecords(env, QStringLiteral("huiyeninfo")),
            QStringList { QStringLiteral("8001/张三/男/30///100//会员卡") });
        env.messages.clear();
        members.press(QStringLiteral("添加"));
        QCOMPARE(env.messages.texts(), QStringList { QStringLiteral("数据库已有相同的记录，请更改为其它!") });
    }

    void recordsAreChangedThroughTheSelectedRow()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.addStaff(QStringLiteral("01"), QStringLiteral("小红"));
        env.addStaff(QStringLiteral("02"), QStringLiteral("小兰"), QStringLiteral("技"));
        Shown staff(RecordMode::Staff, env);
        QCOMPARE(column(staff.list(), 0), (QStringList { "02", "01" }));

        // Without a selection nothing is written.
        staff.fill({ "01", "改名" });
        staff.press(QStringLiteral("修改"));
        QCOMPARE(env.messages.texts(), QStringList { QStringLiteral("请在列表中先择要删除的选项!") });
        QCOMPARE(storedRecords(env, QStringLiteral("worksinfo")).first(), QStringLiteral("01/小红///////技师"));

        // A row click shows its record; a stored title that is no entry is shown as stored.
        clickRow(staff.list(), 0);
        QCOMPARE(staff.field(0)->text(), QStringLiteral("02"));
        QCOMPARE(staff.field(1)->text(), QStringLiteral("小兰"));
        QCOMPARE(staff.dialog.categoryBox()->currentText(), QStringLiteral("技"));

        // Typing another record's code: refused, and neither record nor row changes.
        env.messages.clear();
        typeInto(staff.field(0), QStringLiteral("01"));
        typeInto(staff.field(2), QStringLiteral("女"));
        staff.press(QStringLiteral("修改"));
        QCOMPARE(env.messages.texts(), QStringList { QStringLiteral("数据库已有相同的记录，请更改为其它!") });
        QCOMPARE(storedRecords(env, QStringLiteral("worksinfo")),
            (QStringList { "01/小红///////技师", "02/小兰///////技" }));
        QCOMPARE(column(staff.list(), 0), (QStringList { "02", "01" }));

        // A free code and the other fields are written to the selected record.
        env.messages.clear();
        typeInto(staff.field(0), QStringLiteral(" 03 "));
        staff.dialog.categoryBox()->setEditText(QStringLiteral("技师"));
        staff.press(QStringLiteral("修改"));
        QVERIFY(env.messages.shown().isEmpty());
        QCOMPARE(staff.row(0), (QStringList { "03", "小兰", "女", "", "", "", "", "", "技师" }));
        QCOMPARE(storedRecords(env, QStringLiteral("worksinfo")),
            (QStringList { "01/小红///////技师", "03/小兰/女//////技师" }));
        // The staff columns of the rota are kept.
        QCOMPARE(
            env.sql(QStringLiteral("SELECT restday FROM worksinfo WHERE str1='03'")).first().value(0).toInt(), 100);

        // A blank name is refused as on adding.
        typeInto(staff.field(1), QStringLiteral(" "));
        staff.press(QStringLiteral("修改"));
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
        goods.press(QStringLiteral("删除"));
        QCOMPARE(env.messages.texts(), (QStringList { "请选择要删除的商品!!", "请在列表中先择要删除的选项!" }));
        QCOMPARE(storedRecords(env, QStringLiteral("kucheninfo")).size(), 2);

        // A declined confirmation keeps record and row; the next operation works normally.
        clickRow(goods.list(), 1);
        env.messages.clear();
        env.messages.queueAnswer(false);
        goods.press(QStringLiteral("删除"));
        QCOMPARE(env.messages.shown().size(), 1);
        QCOMPARE(env.messages.shown().first().text, MasterRecordDialog::DeleteQuestion);
        QCOMPARE(env.messages.shown().first().caption, QStringLiteral("警告"));
        QCOMPARE(goods.list().rowCount(), 2);
        goods.press(QStringLiteral("删除"));
        QCOMPARE(column(goods.list(), 0), QStringList { QStringLiteral("G2") });
        QCOMPARE(storedRecords(env, QStringLiteral("kucheninfo")), QStringList { QStringLiteral("G2/可乐///////") });

        // A click beside the rows shows no record and leaves nothing selected.
        clickRow(goods.list(), 0);
        QCOMPARE(goods.field(0)->text(), QStringLiteral("G2"));
        QTest::mouseClick(
            goods.list().viewport(), Qt::LeftButton, {}, QPoint(10, goods.list().viewport()->height() - 5));
        QCOMPARE(goods.field(0)->text(), QString());
        QCOMPARE(goods.list().selectedRow(), -1);

        // 清空 empties the fields; 删除 still means the selected row.
        clickRow(goods.list(), 0);
        goods.press(QStringLiteral("清空"));
        for (int c = 0; c < 7; ++c)
            QCOMPARE(goods.field(c)->text(), QString());
        goods.press(QStringLiteral("删除"));
        QCOMPARE(goods.list().rowCount(), 0);
        QVERIFY(storedRecords(env, QStringLiteral("kucheninfo")).isEmpty());
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

        goods.fill({ "G2", "可乐" });
        goods.press(QStringLiteral("添加"));
        QVERIFY(env.messages.lastText().contains(QStringLiteral("磁盘已满")));
        QCOMPARE(goods.list().rowCount(), 1);

        clickRow(goods.list(), 0);
        typeInto(goods.field(1), QStringLiteral("黑啤"));
        env.messages.clear();
        goods.press(QStringLiteral("修改"));
        QCOMPARE(env.messages.texts().size(), 1);
        QVERIFY(env.messages.lastText().contains(QStringLiteral("磁盘已满")));
        QCOMPARE(goods.row(0).at(1), QStringLiteral("啤酒"));

        goods.press(QStringLiteral("删除"));
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
        QCOMPARE(column(staff.list(), 0), (QStringList { "04", "03", "02", "01" }));
        choose(staff.dialog.categoryBox(), QStringLiteral("技师"));
        QCOMPARE(column(staff.list(), 0), (QStringList { "03", "01" }));
        choose(staff.dialog.categoryBox(), QStringLiteral("理发师"));
        QCOMPARE(staff.list().rowCount(), 0);
        choose(staff.dialog.categoryBox(), QStringLiteral("全部"));
        QCOMPARE(column(staff.list(), 0), (QStringList { "04", "03", "02", "01" }));
        staff.dialog.grab().save(TestOutputPath(QStringLiteral("records-staff.png")));

        env.sql(QStringLiteral("INSERT INTO huiyeninfo (str1, str2, str9) VALUES ('8001', '张', '会员卡'), "
                               "('8002', '李', '金卡')"));
        Shown members(RecordMode::Members, env);
        QCOMPARE(column(members.list(), 0), (QStringList { "8002", "8001" }));
        choose(members.dialog.categoryBox(), QStringLiteral("会员卡"));
        QCOMPARE(column(members.list(), 0), QStringList { QStringLiteral("8001") });
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
        clickRow(members.list(), 1);
        QVERIFY(!members.field(0)->isEnabled());
        QVERIFY(!members.field(6)->isEnabled());
        QVERIFY(members.field(1)->isEnabled());
        members.dialog.grab().save(TestOutputPath(QStringLiteral("records-members.png")));

        // 修改 keeps number and amount whatever the fields hold.
        members.field(0)->setText(QStringLiteral("8002"));
        members.field(6)->setText(QStringLiteral("99999"));
        typeInto(members.field(1), QStringLiteral("张三丰"));
        members.press(QStringLiteral("修改"));
        QVERIFY2(env.messages.shown().isEmpty(), qPrintable(env.messages.texts().join(u'|')));
        QCOMPARE(members.row(1).mid(0, 2), (QStringList { "8001", "张三丰" }));
        QCOMPARE(members.row(1).at(6), QStringLiteral("500"));
        QCOMPARE(storedRecords(env, QStringLiteral("huiyeninfo")),
            (QStringList { "8001/张三丰/////500//会员卡", "8002/李四/////300//会员卡" }));
        QCOMPARE(members.field(0)->text(), QStringLiteral("8001"));

        // They stay disabled after 清空, so a new card cannot be added in this run.
        members.press(QStringLiteral("清空"));
        QVERIFY(!members.field(0)->isEnabled());
        QVERIFY(!members.field(6)->isEnabled());
        typeInto(members.field(1), QStringLiteral("王五"));
        members.press(QStringLiteral("添加"));
        QCOMPARE(env.messages.texts(), QStringList { QStringLiteral("编号不能为空!") });
        QCOMPARE(storedRecords(env, QStringLiteral("huiyeninfo")).size(), 2);
    }

    void goodsDialogLooksRight()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        env.sql(QStringLiteral("INSERT INTO kucheninfo (str1, str2, str3, str4, str5, str6, str7, str8, str9) VALUES "
                               "('G1', '青岛啤酒', '冰镇', '瓶', '8.50', '24', '204.00', '山东青岛', '酒水类'), "
                               "('G2', '可口可乐', '', '罐', '5.00', '48', '240.00', '广州', '饮料')"));
        Shown goods(RecordMode::Goods, env);
        clickRow(goods.list(), 0);
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
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
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
        typeInto(name, QStringLiteral("金泉桑拿"));
        FindButton(&dialog, QStringLiteral("确定"))->click();
        QCOMPARE(env.messages.texts(), QStringList { QStringLiteral("请输入联系电话!") });
        QVERIFY(dialog.isVisible());
        QCOMPARE(name->text(), QStringLiteral("金泉桑拿"));
        name->clear();
        FindButton(&dialog, QStringLiteral("确定"))->click();
        QCOMPARE(env.messages.lastText(), QStringLiteral("请输入企业名称!"));
        QCOMPARE(env.sql(QStringLiteral("SELECT name, tel FROM company WHERE id=2004")).first().value(0).toString(),
            QStringLiteral("金泉足浴"));

        // Nothing is trimmed: a name of blanks is accepted.
        typeInto(name, QStringLiteral("  "));
        typeInto(tel, QStringLiteral("020-8888'8"));
        FindButton(&dialog, QStringLiteral("确定"))->click();
        QCOMPARE(dialog.result(), int(QDialog::Accepted));
        const QSqlRecord row = env.sql(QStringLiteral("SELECT name, tel FROM company WHERE id=2004")).first();
        QCOMPARE(row.value(0).toString(), QStringLiteral("  "));
        QCOMPARE(row.value(1).toString(), QStringLiteral("020-8888'8"));
        // The desk keeps the name of its start until the next start.
        QCOMPARE(env.desk.companyName, QString());
    }

    void companyProfileSavesEveryField()
    {
        TestEnvironment env;
        QVERIFY(env.isReady());
        CompanyProfileDialog dialog(env.services);
        const QStringList objects { "nameEdit", "addressEdit", "telEdit", "faxEdit", "postcodeEdit", "personEdit",
            "emailEdit", "homepageEdit" };
        const QStringList values { "金泉足浴", "天河路1号", "020-1", "020-2", "510000", "李经理", "a@b.cn",
            "www.jq.cn" };
        for (int i = 0; i < objects.size(); ++i)
            typeInto(dialog.findChild<QLineEdit*>(objects[i]), values[i]);
        auto* area = dialog.findChild<QComboBox*>(QStringLiteral("areaBox"));
        area->lineEdit()->clear();
        typeText(area->lineEdit(), QString(20, u'区'));
        QCOMPARE(area->currentText(), QString(12, u'区')); // 25 bytes: twelve characters
        area->setCurrentIndex(area->findText(QStringLiteral("海外")));
        QCOMPARE(area->currentText(), QStringLiteral("海外"));
        auto* about = dialog.findChild<ByteLimitedTextEdit*>(QStringLiteral("aboutEdit"));
        about->clear();
        typeText(about, QStringLiteral("第一行\n") + QString(200, u'好'));
        QCOMPARE(TextByteCount(about->toPlainText()), 255);
        QVERIFY(about->toPlainText().startsWith(QStringLiteral("第一行\n")));
        FindButton(&dialog, QStringLiteral("确定"))->click();
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
        typeInto(cancelled.findChild<QLineEdit*>(QStringLiteral("nameEdit")), QStringLiteral("别名"));
        FindButton(&cancelled, QStringLiteral("取消"))->click();
        QCOMPARE(env.sql(QStringLiteral("SELECT name FROM company")).first().value(0).toString(), values[0]);
        env.sql(QStringLiteral("DELETE FROM company"));
        CompanyProfileDialog missing(env.services);
        QCOMPARE(missing.findChild<QLineEdit*>(QStringLiteral("nameEdit"))->text(), QString());
        typeInto(missing.findChild<QLineEdit*>(QStringLiteral("nameEdit")), QStringLiteral("新店"));
        typeInto(missing.findChild<QLineEdit*>(QStringLiteral("telEdit")), QStringLiteral("1"));
        FindButton(&missing, QStringLiteral("确定"))->click();
        QCOMPARE(missing.result(), int(QDialog::Accepted));
        QVERIFY(env.messages.shown().isEmpty());
        QCOMPARE(env.sql(QStringLiteral("SELECT count(*) FROM company")).first().value(0).toInt(), 0);
    }
};

QTEST_MAIN(RecordsTest)
#include "tst_records.moc"
