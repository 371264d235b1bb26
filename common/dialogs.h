#pragma once

#include <QString>
#include <optional>

// The message boxes, the file-open choice and the opening of a written file the window talks through. The
// real program uses the Qt boxes (app/); the window tests use a scripted implementation that records every
// message and answers from a script.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // Information box: title "Information", one button "OK".
    virtual void ShowInformation(const QString &message) = 0;
    // The same box with a "Show Details..." button that unfolds the detailed text. An
    // implementation without one shows the message alone.
    virtual void ShowInformationWithDetails(const QString &message, const QString &details)
    {
        (void)details;
        ShowInformation(message);
    }
    // Confirmation box: title "Confirm", "&Yes"/"&No", Yes the default. True only for Yes.
    virtual bool AskConfirmation(const QString &question) = 0;
    // Default error box: error icon, one "OK"; text already carries the period rule.
    virtual void ShowError(const QString &title, const QString &text) = 0;
    // File-open choice: the full path of the chosen file, or nothing when cancelled.
    virtual std::optional<QString> ChooseFileToOpen() = 0;
    // Opens a file the program wrote (a PDF) in the program the desktop assigns to it. Doubles
    // that never show anything leave it undone.
    virtual void OpenFile(const QString &path) { (void)path; }
    // Opens a file (a listing) or a folder with the desktop's own program for it. False when the
    // desktop could not; an implementation without a desktop opens nothing.
    virtual bool OpenWithDesktop(const QString &path)
    {
        (void)path;
        return false;
    }
};
