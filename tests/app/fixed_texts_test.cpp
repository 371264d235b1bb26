#include "app/tf_retenciones.h"

#include "tests/app/app_test_support.h"
#include "tests/support/qt_print.h"
#include "tests/support/scripted_dialogs.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <gtest/gtest.h>

namespace {

// Every caption of the main window shows whole, inside its border, with the screen fonts the
// program ships; the load-method panel's notice in particular ends at "Panel de Control".
TEST(FixedTexts, EveryCaptionFitsItsControl)
{
    ensureQtApplication();
    ScriptedDialogs dialogs;
    TF_Retenciones w(dialogs, QStringLiteral("/nonexistent/RETENCIONES.FDB"), QStringLiteral("/tmp/"));
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
