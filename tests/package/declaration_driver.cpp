// Loaded into the installed program with QT_QPA_GENERIC_PLUGINS=declarationdriver: once the main
// window is up it makes one declaration through the keyboard and the mouse (legajo 140, March
// 2017, one row typed by hand, CONFIRMA answered with Enter), then writes what the clerk would
// have seen into the file named by RETENCIONES_DRIVER_REPORT and ends the program.
#include <QApplication>
#include <QFile>
#include <QGenericPlugin>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

namespace {

class Driver : public QObject {
public:
    Driver()
    {
        // Runs once the event loop has started, so the main window exists and is shown.
        QTimer::singleShot(0, this, [this] { run(); });
        // Every message box is written down and closed with Enter, as the clerk would.
        connect(&boxes_, &QTimer::timeout, this, [this] { answerBox(); });
        boxes_.start(50);
    }

private:
    template <typename T> T *child(const char *name) const
    {
        return window_ ? window_->findChild<T *>(QString::fromLatin1(name)) : nullptr;
    }

    void note(const QString &line) { report_ << line; }

    void type(const char *box, const QString &text)
    {
        auto *edit = child<QLineEdit>(box);
        if (!edit) {
            note(QStringLiteral("missing: %1").arg(QLatin1String(box)));
            return;
        }
        if (QApplication::focusWidget() != edit)
            edit->setFocus(Qt::TabFocusReason);
        edit->setCursorPosition(0);
        for (const QChar ch : text)
            QTest::keyClick(edit, char(ch.unicode()));
        QTest::keyClick(edit, Qt::Key_Return);
    }

    void click(const char *name)
    {
        if (auto *button = child<QPushButton>(name))
            QTest::mouseClick(button, Qt::LeftButton);
        else
            note(QStringLiteral("missing: %1").arg(QLatin1String(name)));
    }

    void answerBox()
    {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || box == answered_)
            return;
        answered_ = box;
        note(QStringLiteral("box: %1|%2").arg(box->windowTitle(), box->text()));
        QTest::keyClick(box, Qt::Key_Return);
    }

    void run()
    {
        for (QWidget *w : QApplication::topLevelWidgets()) {
            if (w->objectName() == QLatin1String("F_Retenciones"))
                window_ = w;
        }
        if (!window_ || !QTest::qWaitForWindowActive(window_)) {
            note(QStringLiteral("no main window"));
            finish();
            return;
        }
        type("e_legaJo", QStringLiteral("140"));
        type("e_Mes", QStringLiteral("03"));
        type("E_ano", QStringLiteral("2017"));
        click("B2");
        type("E_CuitReten", QStringLiteral("20123456786"));
        type("empresa", QStringLiteral("ferreteria sur"));
        type("E_FECha", QStringLiteral("05032017"));
        type("E_Comprobante", QStringLiteral("123"));
        type("Impo_compro", QStringLiteral("12400"));
        if (auto *add = child<QPushButton>("B_adiciona"))
            QTest::keyClick(add, Qt::Key_Return);
        if (auto *total = child<QLineEdit>("e_totreten"))
            note(QStringLiteral("total: %1").arg(total->text()));
        click("B_Confirma");
        if (auto *status = child<QLabel>("salida"))
            note(QStringLiteral("status: %1").arg(status->isVisible() ? status->text() : QString()));
        finish();
    }

    void finish()
    {
        QFile out(qEnvironmentVariable("RETENCIONES_DRIVER_REPORT"));
        if (out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            out.write(report_.join(QLatin1Char('\n')).toUtf8() + '\n');
        QCoreApplication::exit(0);
    }

    QPointer<QWidget> window_;
    QPointer<QMessageBox> answered_;
    QTimer boxes_;
    QStringList report_;
};

class DriverPlugin : public QGenericPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QGenericPluginFactoryInterface_iid FILE "declaration_driver.json")
public:
    QObject *create(const QString &, const QString &) override { return new Driver; }
};

} // namespace

#include "declaration_driver.moc"
