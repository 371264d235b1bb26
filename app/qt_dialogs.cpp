#include "app/qt_dialogs.h"

#include "app/accessible_names.h"
#include "common/detached_process.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QUrl>

namespace {
// A box with one "OK" that Enter, Escape and the close button all answer.
void showWithOk(QMessageBox::Icon icon, const QString &title, const QString &text,
                const QString &details = QString())
{
    QMessageBox box(icon, title, text);
    // A message shows the characters it holds: text pasted with markup in it (an amount typed
    // as "<b>5</b>") is shown as typed, never drawn as rich text.
    box.setTextFormat(Qt::PlainText);
    if (!details.isEmpty()) {
        box.setDetailedText(details);
        nameControls(box);
    }
    QPushButton *ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
}
} // namespace

void QtDialogs::ShowInformation(const QString &message)
{
    showWithOk(QMessageBox::Information, QStringLiteral("Information"), message);
}

void QtDialogs::ShowInformationWithDetails(const QString &message, const QString &details)
{
    showWithOk(QMessageBox::Information, QStringLiteral("Information"), message, details);
}

bool QtDialogs::AskConfirmation(const QString &question)
{
    QMessageBox box(QMessageBox::Question, QStringLiteral("Confirm"), question);
    box.setTextFormat(Qt::PlainText);
    QPushButton *yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
    QPushButton *no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
    box.setDefaultButton(yes);
    // Escape and the close button both count as No.
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}

void QtDialogs::ShowError(const QString &title, const QString &text)
{
    showWithOk(QMessageBox::Critical, title, text);
}

std::optional<QString> QtDialogs::ChooseFileToOpen()
{
    // No title, folder or file name of its own; every file is listed first, as a declaration
    // may have any name, and the sheets saved as CSV can be listed alone.
    const QString chosen = QFileDialog::getOpenFileName(
        nullptr, QString(), QString(),
        QStringLiteral("Todos los archivos (*);;Declaraciones (*.txt);;Planillas CSV (*.csv)"));
    if (chosen.isEmpty())
        return std::nullopt;
    return chosen;
}

void QtDialogs::OpenFile(const QString &path)
{
    // Without a program for the file the desktop says nothing: the clerk is told where it is.
    if (!OpenWithDesktop(path))
        ShowInformation(QStringLiteral("No se pudo abrir el archivo %1. Ábralo desde esa carpeta.")
                            .arg(QDir::toNativeSeparators(path)));
}

QtDialogs::QtDialogs(QString opener) : opener_(std::move(opener)) {}

bool QtDialogs::OpenWithDesktop(const QString &path)
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    return startDetached(opener_, {path});
#else
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
#endif
}
