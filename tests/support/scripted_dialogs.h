#pragma once

#include "common/dialogs.h"

#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <gtest/gtest.h>
#include <optional>
#include <vector>

// Dialogs for tests: records every box in order and answers questions and file choices from
// a script. A question or file choice that the script did not expect fails the test.
class ScriptedDialogs : public Dialogs {
public:
    enum class Kind { Information, Confirmation, Error, FileOpen, OpenedFile, Desktop };

    struct Call {
        Kind kind;
        QString text;
        QString title;
        // The expandable details of an information box, if it has any.
        QString details = {};
    };

    // Answers, taken from the front.
    std::deque<bool> confirmations;
    std::deque<std::optional<QString>> files;
    // What the desktop answers when asked to open a file or folder.
    bool desktopOpens = true;
    // Runs while a box is "open", e.g. to take the focus away as a real box does.
    std::function<void(const Call &)> whileOpen;

    std::vector<Call> calls;

    void ShowInformation(const QString &message) override { record({Kind::Information, message, {}}); }
    void ShowInformationWithDetails(const QString &message, const QString &details) override
    {
        record({Kind::Information, message, {}, details});
    }

    bool AskConfirmation(const QString &question) override
    {
        record({Kind::Confirmation, question, {}});
        if (confirmations.empty()) {
            ADD_FAILURE() << "unexpected question: " << question.toStdString();
            return false;
        }
        const bool answer = confirmations.front();
        confirmations.pop_front();
        return answer;
    }

    void ShowError(const QString &title, const QString &text) override { record({Kind::Error, text, title}); }

    std::optional<QString> ChooseFileToOpen() override
    {
        record({Kind::FileOpen, {}, {}});
        if (files.empty()) {
            ADD_FAILURE() << "unexpected file-open dialog";
            return std::nullopt;
        }
        // Taken apart rather than copied whole: GCC warns, wrongly, about copying an
        // optional QString out of the queue.
        const bool chosen = files.front().has_value();
        const QString path = files.front().value_or(QString());
        files.pop_front();
        if (!chosen)
            return std::nullopt;
        return path;
    }

    // Recorded with the path as its text; nothing is opened.
    void OpenFile(const QString &path) override { record({Kind::OpenedFile, path, {}}); }
    bool OpenWithDesktop(const QString &path) override
    {
        record({Kind::Desktop, path, {}});
        return desktopOpens;
    }

    // The texts of the boxes of one kind, in order.
    QStringList texts(Kind kind) const
    {
        QStringList result;
        for (const Call &call : calls)
            if (call.kind == kind)
                result << call.text;
        return result;
    }
    QStringList informations() const { return texts(Kind::Information); }
    QStringList questions() const { return texts(Kind::Confirmation); }
    QStringList errors() const { return texts(Kind::Error); }
    QStringList openedFiles() const { return texts(Kind::OpenedFile); }
    QStringList opened() const { return texts(Kind::Desktop); }

    void clear() { calls.clear(); }

private:
    void record(Call call)
    {
        calls.push_back(call);
        if (whileOpen)
            whileOpen(calls.back());
    }
};
