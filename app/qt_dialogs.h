#pragma once

#include "common/dialogs.h"

#include <QString>

// The message boxes and the file-open dialog of the running program, built as the clerk's
// desktop shows them: fixed English titles and captions, centred on the screen, modal.
class QtDialogs : public Dialogs {
public:
    // `opener` is the program that hands a file or a folder to the desktop's own program for it.
    explicit QtDialogs(QString opener = DesktopOpener);
    static inline const QString DesktopOpener = QStringLiteral("xdg-open");

    void ShowInformation(const QString &message) override;
    void ShowInformationWithDetails(const QString &message, const QString &details) override;
    bool AskConfirmation(const QString &question) override;
    void ShowError(const QString &title, const QString &text) override;
    std::optional<QString> ChooseFileToOpen() override;
    void OpenFile(const QString &path) override;
    // The opener starts with none of this program's descriptors but 0-2, so a viewer left open
    // holds neither the database nor the engine's lock files.
    bool OpenWithDesktop(const QString &path) override;

private:
    QString opener_;
};
