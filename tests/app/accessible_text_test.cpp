#include "app/accessible_names.h"
#include "app/accessible_text.h"
#include "app/tf_ayuda.h"
#include "tests/app/window_fixture.h"
#include "withholdings/grid_model.h"
#include "withholdings/withholding.h"

#include <QAccessible>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QTableView>
#include <QTextEdit>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>
#include <unistd.h>

namespace {

using B = QAccessible::TextBoundaryType;
using S = SegmentSide;

const B Boundaries[] = {QAccessible::CharBoundary,     QAccessible::WordBoundary,
                        QAccessible::SentenceBoundary, QAccessible::ParagraphBoundary,
                        QAccessible::LineBoundary,     QAccessible::NoBoundary};

TEST(TextSegment, PiecesAroundAnOffset)
{
    struct Case {
        QString text;
        int offset;
        B boundary;
        S side;
        TextSegment expected;
    };
    const Case cases[] = {
        // The legajo box after Ctrl+Left: the word at the end is the last one.
        {"415", 3, QAccessible::WordBoundary, S::At, {"415", 0, 3}},
        {"415", -1, QAccessible::WordBoundary, S::At, {"415", 0, 3}},
        {"415", -1, QAccessible::SentenceBoundary, S::At, {"415", 0, 3}},
        {"415", 3, QAccessible::WordBoundary, S::After, {"", 3, 3}},
        {"415", 0, QAccessible::WordBoundary, S::Before, {"", 0, 0}},
        {"415", 4, QAccessible::WordBoundary, S::At, {}},
        {"415", -2, QAccessible::CharBoundary, S::At, {}},
        {"415", 0, QAccessible::CharBoundary, S::At, {"4", 0, 1}},
        {"415", 3, QAccessible::CharBoundary, S::At, {"", 3, 3}},
        {"415", 3, QAccessible::CharBoundary, S::Before, {"5", 2, 3}},
        {"415", 1, QAccessible::CharBoundary, S::After, {"5", 2, 3}},
        // A box's line is read whole wherever the caret stands.
        {"13", 2, QAccessible::LineBoundary, S::At, {"13", 0, 2}},
        {"15000.00", 8, QAccessible::LineBoundary, S::At, {"15000.00", 0, 8}},
        {"15000.00", 0, QAccessible::NoBoundary, S::At, {"15000.00", 0, 8}},
        {"01/11/2017", 10, QAccessible::ParagraphBoundary, S::At, {"01/11/2017", 0, 10}},
        {"proveedor uno", 10, QAccessible::WordBoundary, S::At, {"uno", 10, 13}},
        {"proveedor uno", 10, QAccessible::WordBoundary, S::Before, {" ", 9, 10}},
        {"proveedor uno", 4, QAccessible::WordBoundary, S::After, {" ", 9, 10}},
        {"Uno. Dos.", 6, QAccessible::SentenceBoundary, S::At, {"Dos.", 5, 9}},
        {"a\nb", 1, QAccessible::LineBoundary, S::At, {"a\n", 0, 2}},
        {"a\nb", 0, QAccessible::LineBoundary, S::After, {"b", 2, 3}},
        {"a\nb", 3, QAccessible::LineBoundary, S::Before, {"a\n", 0, 2}},
        {"", 0, QAccessible::WordBoundary, S::At, {"", 0, 0}},
        {"", -1, QAccessible::LineBoundary, S::Before, {"", 0, 0}},
        {"", 1, QAccessible::CharBoundary, S::At, {}},
    };
    for (const Case &c : cases) {
        const TextSegment got = textSegment(c.text, c.offset, c.boundary, c.side);
        EXPECT_EQ(got, c.expected) << '"' << c.text.toStdString() << "\" offset " << c.offset << " boundary "
                                   << c.boundary << " side " << static_cast<int>(c.side) << ": got \""
                                   << got.text.toStdString() << "\" " << got.start << "-" << got.end;
    }
}

// Whatever is asked, the answer is a piece of the text at the offsets it gives, and the piece
// at an offset holds it.
TEST(TextSegment, EveryAnswerIsAPieceOfTheText)
{
    const QString texts[] = {"",        "4",    "415", "__/__/____", "20-29985385-4", "proveedor uno. dos",
                             "a\n\nb ", "ñandú"};
    for (const QString &text : texts) {
        const int length = static_cast<int>(text.size());
        for (B boundary : Boundaries)
            for (int offset = -1; offset <= length + 1; ++offset)
                for (S side : {S::Before, S::At, S::After}) {
                    const TextSegment got = textSegment(text, offset, boundary, side);
                    const std::string where = text.toStdString() + " @" + std::to_string(offset) + " b" +
                                              std::to_string(boundary) + " s" +
                                              std::to_string(static_cast<int>(side));
                    if (offset > length) {
                        EXPECT_EQ(got, TextSegment{}) << where;
                        continue;
                    }
                    ASSERT_TRUE(0 <= got.start && got.start <= got.end && got.end <= length) << where;
                    EXPECT_EQ(got.text, text.mid(got.start, got.end - got.start)) << where;
                    const int at = offset == -1 ? length : offset;
                    if (side == S::At && at < length) {
                        EXPECT_TRUE(got.start <= at && at < got.end) << where;
                    }
                    if (side == S::Before) {
                        EXPECT_LE(got.end, textSegment(text, offset, boundary, S::At).start) << where;
                    }
                    if (side == S::After && !got.text.isEmpty()) {
                        EXPECT_GE(got.start, textSegment(text, offset, boundary, S::At).end) << where;
                    }
                }
    }
}

// Stops the test program with the question that did not come back: a screen reader's
// question that hangs would hang the clerk's window.
class Watchdog {
public:
    explicit Watchdog(std::chrono::seconds limit)
        : thread_([this, limit] {
              std::unique_lock lock(mutex_);
              if (!done_cv_.wait_for(lock, limit, [this] { return done_; })) {
                  std::fprintf(stderr, "no answer in time: %s\n", question_.c_str());
                  _exit(1);
              }
          })
    {
    }
    ~Watchdog()
    {
        {
            std::lock_guard lock(mutex_);
            done_ = true;
        }
        done_cv_.notify_one();
        thread_.join();
    }
    void asking(std::string question)
    {
        std::lock_guard lock(mutex_);
        question_ = std::move(question);
    }

private:
    std::mutex mutex_;
    std::condition_variable done_cv_;
    bool done_ = false;
    std::string question_;
    std::thread thread_;
};

// Every question a reader asks of a text, at every offset from -1 to one past the end.
void askEverything(Watchdog &watchdog, const std::string &what, QAccessibleInterface *iface)
{
    ASSERT_NE(iface, nullptr) << what;
    QAccessibleTextInterface *text = iface->textInterface();
    if (text == nullptr)
        return;
    const int length = text->characterCount();
    const QString whole = text->text(0, length);
    for (B boundary : Boundaries)
        for (int offset = -1; offset <= length + 1; ++offset)
            for (S side : {S::Before, S::At, S::After}) {
                const std::string question = what + " \"" + whole.toStdString() + "\" offset " +
                                             std::to_string(offset) + " boundary " +
                                             std::to_string(boundary) + " side " +
                                             std::to_string(static_cast<int>(side));
                watchdog.asking(question);
                int start = -2;
                int end = -2;
                const QString got = side == S::Before ? text->textBeforeOffset(offset, boundary, &start, &end)
                                    : side == S::At   ? text->textAtOffset(offset, boundary, &start, &end)
                                                      : text->textAfterOffset(offset, boundary, &start, &end);
                if (start >= 0) {
                    EXPECT_EQ(got, whole.mid(start, end - start)) << question;
                }
            }
}

class AccessibleText : public WindowTest {
protected:
    static void SetUpTestSuite()
    {
        ensureQtApplication();
        installAccessibleInterfaces();
    }
};

TEST_F(AccessibleText, EveryBoxAnswersEveryQuestionAtOnce)
{
    Watchdog watchdog(std::chrono::seconds(20));
    struct Box {
        QLineEdit *edit;
        QString text;
    };
    const Box boxes[] = {
        {w->e_legaJo, ""},
        {w->e_legaJo, "4"},
        {w->e_legaJo, "415"},
        {w->e_Mes, "13"},
        {w->E_FECha, ""},
        {w->E_FECha, "0111201"},
        {w->E_FECha, "01112017"},
        {w->E_CuitReten, "2029985385"},
        {w->E_CuitReten, "20299853854"},
        {w->empresa, "PROVEEDOR UNO. DOS"},
        {w->Impo_compro, "15000.00"},
        {w->E_Importe, "75"},
        {w->e_totreten, "75"},
    };
    for (const Box &box : boxes) {
        box.edit->setText(box.text);
        askEverything(watchdog, box.edit->objectName().toStdString(),
                      QAccessible::queryAccessibleInterface(box.edit));
    }
    // A masked box reads its blanks as spaces, its caret and text the same length.
    w->E_FECha->setText(QStringLiteral("0111201"));
    QAccessibleInterface *date = QAccessible::queryAccessibleInterface(w->E_FECha);
    ASSERT_NE(date->textInterface(), nullptr);
    EXPECT_EQ(date->textInterface()->text(0, -1), QStringLiteral("01/11/201 "));
    EXPECT_EQ(date->text(QAccessible::Value), QStringLiteral("01/11/201 "));
    EXPECT_TRUE(date->state().editable);
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(w->E_Importe)->state().readOnly);

    // The other texts of the program: the grid's cells, the help text, a box's details.
    Withholding row;
    row.receipt = QStringLiteral("1002");
    row.withheldAmount = QStringLiteral("5");
    w->gridModel->append(row);
    QAccessibleInterface *grid = QAccessible::queryAccessibleInterface(w->Grilla);
    ASSERT_NE(grid->tableInterface(), nullptr);
    for (int column = 0; column < 3; ++column)
        askEverything(watchdog, "cell", grid->tableInterface()->cellAt(0, column));
    TF_ayuda help;
    askEverything(watchdog, "help", QAccessible::queryAccessibleInterface(help.Memo1));
    QMessageBox box;
    box.setDetailedText(QStringLiteral("1002 15/10/2017\n1003"));
    for (QTextEdit *details : box.findChildren<QTextEdit *>())
        askEverything(watchdog, "details", QAccessible::queryAccessibleInterface(details));
}

} // namespace
