#pragma once

#include "common/dialogs.h"

// The message boxes and the file-open dialog of the running program, built as the clerk's
// desktop shows them: fixed English titles and captions, centred on the screen, modal.
class QtDialogs : public Dialogs {
public:
    void ShowInformation(const QString &message) override;
    void ShowInformationWithDetails(const QString &message, const QString &details) override;
    bool AskConfirmation(const QString &question) override;
    void ShowError(const QString &title, const QString &text) override;
    std::optional<QString> ChooseFileToOpen() override;
    void OpenFile(const QString &path) override;
    bool OpenWithDesktop(const QString &path) override;
};
