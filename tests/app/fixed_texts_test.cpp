#include "app/tf_retenciones.h"
#include "declaration/reten_store.h"

#include "tests/app/app_test_support.h"
#include "tests/support/qt_print.h"
#include "tests/support/scripted_dialogs.h"

#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <algorithm>
#include <gtest/gtest.h>

namespace {

// Every caption of the main window shows whole, inside its border, with the screen fonts the
// program ships; the load-method panel's notice in particular ends at "Panel de Control".
TEST(FixedTexts, EveryCaptionFitsItsControl)
{
    ensureQtApplication();
    ScriptedDialogs dialogs;
    RetenStore store(QStringLiteral("/nonexistent/RETENCIONES.FDB"));
    TF_Retenciones w(dialogs, store, QStringLiteral("/tmp/"));
    w.Panel2->show();
    w.Panel3->show();
    ASSERT_TRUE(showActive(w));

    int captions = 0;
    for (QLabel *label : w.findChildren<QLabel *>()) {
        if (label->text().isEmpty())
            continue;
        ++captions;
        SCOPED_TRACE(label->objectName().toStdString());
        // The width the label itself asks for (border, indent and the text), and inside a
        // border a clear pixel after the text.
        EXPECT_LE(label->sizeHint().width() + (label->frameWidth() > 0 ? 1 : 0), label->width());
        EXPECT_LE(label->fontMetrics().height(), label->contentsRect().height());
        // Nor may it run past the panel it stands on.
        EXPECT_LE(label->geometry().right(), label->parentWidget()->rect().right());
    }
    EXPECT_EQ(captions, 16);

    for (QPushButton *button : w.findChildren<QPushButton *>()) {
        SCOPED_TRACE(button->objectName().toStdString());
        EXPECT_LE(button->sizeHint().width(), button->width());
        EXPECT_LE(button->geometry().right(), button->parentWidget()->rect().right());
    }

    // Grown to the right, no text runs into the control beside it.
    const auto isControl = [](const QWidget *w) {
        const auto *l = qobject_cast<const QLabel *>(w);
        return l ? !l->text().isEmpty()
                 : qobject_cast<const QLineEdit *>(w) || qobject_cast<const QAbstractButton *>(w) ||
                       qobject_cast<const QTableView *>(w);
    };
    // Where a control draws: a label its text only, as it stands left-aligned after the border.
    const auto drawn = [](const QWidget *w) {
        const auto *l = qobject_cast<const QLabel *>(w);
        if (!l)
            return w->geometry();
        const QFontMetrics metrics = l->fontMetrics();
        return QRect(l->x() + l->frameWidth() + std::max(l->indent(), 0),
                     l->y() + (l->height() - metrics.height()) / 2, metrics.horizontalAdvance(l->text()),
                     metrics.height());
    };
    for (const QWidget *control : w.findChildren<QWidget *>()) {
        if (!isControl(control))
            continue;
        for (const QObject *other : control->parentWidget()->children()) {
            const auto *sibling = qobject_cast<const QWidget *>(other);
            if (!sibling || sibling == control || !isControl(sibling))
                continue;
            EXPECT_FALSE(drawn(control).intersects(drawn(sibling)))
                << control->objectName().toStdString() << " " << sibling->objectName().toStdString();
        }
    }

    // Each grid title inside the margins its header draws it in.
    QHeaderView *titles = w.Grilla->horizontalHeader();
    const int margins = 2 * titles->style()->pixelMetric(QStyle::PM_HeaderMargin, nullptr, titles);
    for (int column = 1; column < w.Grilla->model()->columnCount(); ++column) {
        const QString title = w.Grilla->model()->headerData(column, Qt::Horizontal).toString();
        SCOPED_TRACE(title.toStdString());
        EXPECT_LE(titles->fontMetrics().horizontalAdvance(title) + margins, w.Grilla->columnWidth(column));
    }
}

} // namespace
