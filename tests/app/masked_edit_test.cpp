#include "app/masked_edit.h"

#include "tests/app/app_test_support.h"
#include "tests/support/qt_print.h"

#include <gtest/gtest.h>

namespace {

const QString Cuit = QStringLiteral("00\\-00000000\\-0;0;_");
const QString Date = QStringLiteral("!99/99/0000;0;_");

TEST(EditMask, ValuesDropTheLiteralsAndTheBlanksOnTheKeptSide)
{
    struct Case {
        QString mask, shown, value;
        bool complete;
    };
    const Case cases[] = {
        {Cuit, "20-12345678-9", "20123456789", true}, {Cuit, "__-________-_", "", false},
        {Cuit, "20-123_____-_", "20123", false},      {Cuit, "20-12345678-_", "2012345678", false},
        {Date, "15/03/2017", "15032017", true},       {Date, "__/__/____", "", false},
        {Date, "__/03/2017", "032017", true},         {Date, "1_/03/2017", "1 032017", true},
        {Date, "15/03/201_", "1503201 ", false},      {"00/00;1;_", "12/34", "12/34", true},
    };
    for (const Case &c : cases) {
        const EditMask mask = EditMask::parse(c.mask);
        EXPECT_EQ(mask.value(c.shown), c.value) << c.mask.toStdString() << " " << c.shown.toStdString();
        EXPECT_EQ(mask.isComplete(c.shown), c.complete)
            << c.mask.toStdString() << " " << c.shown.toStdString();
    }
    EXPECT_EQ(EditMask::parse(Cuit).positions.size(), 13);
    EXPECT_EQ(EditMask::parse(Date).positions.size(), 10);
}

class MaskedEditTyping : public ::testing::Test {
protected:
    static void SetUpTestSuite() { ensureQtApplication(); }

    // Types into a fresh box from the given cursor position.
    void type(const QString &mask, int from, const QString &keys)
    {
        edit.setEditMask(mask);
        ASSERT_TRUE(showActive(edit));
        edit.setFocus();
        edit.setCursorPosition(from);
        QTest::keyClicks(&edit, keys);
    }

    MaskedEdit edit;
};

TEST_F(MaskedEditTyping, UntouchedBoxesShowBlanksAndHaveNoValue)
{
    for (const QString &mask : {Cuit, Date}) {
        edit.setEditMask(mask);
        EXPECT_TRUE(edit.value().isEmpty());
        EXPECT_TRUE(edit.acceptsLeaving());
        EXPECT_FALSE(edit.keepsEscape());
    }
    edit.setEditMask(Cuit);
    EXPECT_EQ(edit.displayText(), QStringLiteral("__-________-_"));
    EXPECT_EQ(edit.maxLength(), 13);
}

TEST_F(MaskedEditTyping, TypedCuitSkipsTheHyphens)
{
    type(Cuit, 0, QStringLiteral("20123456789"));
    EXPECT_EQ(edit.displayText(), QStringLiteral("20-12345678-9"));
    EXPECT_EQ(edit.value(), QStringLiteral("20123456789"));
    EXPECT_TRUE(edit.acceptsLeaving());
    EXPECT_TRUE(edit.keepsEscape());
}

TEST_F(MaskedEditTyping, DateWithTheDayLeftBlankKeepsOnlyMonthAndYear)
{
    type(Date, 3, QStringLiteral("032017"));
    EXPECT_EQ(edit.displayText(), QStringLiteral("__/03/2017"));
    EXPECT_EQ(edit.value(), QStringLiteral("032017"));
    EXPECT_TRUE(edit.acceptsLeaving());
}

TEST_F(MaskedEditTyping, TypedButIncompleteRefusesToBeLeftUntilTheProgramEmptiesIt)
{
    type(Date, 0, QStringLiteral("1503201"));
    EXPECT_FALSE(edit.acceptsLeaving());
    edit.setText(QString());
    EXPECT_TRUE(edit.acceptsLeaving());
}

TEST_F(MaskedEditTyping, AClickIntoABlankBoxStartsTypingAtTheFirstPosition)
{
    struct Case {
        QString mask, before;
        int clickedAt; // the position whose character is clicked
        QString typed, after;
    };
    const Case cases[] = {
        {Cuit, "", 6, "20123456789", "20-12345678-9"},
        {Cuit, "", 12, "20123456789", "20-12345678-9"},
        {Date, "", 4, "15032017", "15/03/2017"},
        // A box that holds digits takes the cursor where the click puts it.
        {Cuit, "20", 6, "5", "20-___5____-_"},
        {Date, "15", 3, "03", "15/03/____"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE((c.mask + " " + c.before + " at " + QString::number(c.clickedAt)).toStdString());
        edit.setEditMask(c.mask);
        edit.setText(c.before);
        ASSERT_TRUE(showActive(edit));
        // Just right of where the cursor stands before that character, as a click lands.
        edit.setCursorPosition(c.clickedAt);
        const QPoint at = edit.inputMethodQuery(Qt::ImCursorRectangle).toRect().center() + QPoint(2, 0);
        edit.setCursorPosition(0);
        QTest::mouseClick(&edit, Qt::LeftButton, {}, at);
        QTest::keyClicks(&edit, c.typed);
        EXPECT_EQ(edit.displayText(), c.after);
    }
}

TEST_F(MaskedEditTyping, WithoutAMaskItIsAPlainBox)
{
    type(QString(), 0, QStringLiteral("abc"));
    EXPECT_FALSE(edit.isMasked());
    EXPECT_EQ(edit.value(), QStringLiteral("abc"));
    EXPECT_TRUE(edit.acceptsLeaving());
    EXPECT_FALSE(edit.keepsEscape());
}

} // namespace
