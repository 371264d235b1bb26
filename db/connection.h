#pragma once

#include <QList>
#include <QString>

#include <memory>

namespace Firebird {
class IAttachment;
}
class Transaction;

// One attachment to a database file, by path, user name and password. It is opened on
// demand: a failed attempt leaves it closed, and the next statement tries again.
// Its transactions and queries must not outlive it.
class Connection {
public:
    Connection(QString databasePath, QString userName, QString password);
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    const QString &databasePath() const { return databasePath_; }

    // Attaches when not attached; raises DatabaseError with the client's text (a file that
    // another engine holds is explained to the clerk first).
    void open();
    bool isOpen() const;
    // Ends the transactions (their uncommitted work is lost) and detaches.
    void close() noexcept;

    // Increases every time an attachment is made; statements prepared under another
    // number belong to a closed attachment.
    unsigned generation() const { return generation_; }

    // Detaches when the attachment no longer answers (the file went away, the server
    // stopped), so that the next statement attaches again.
    void checkAlive() noexcept;

    Firebird::IAttachment *attachment() const;

private:
    friend class Transaction;
    void attach();
    QString databasePath_;
    QString userName_;
    QString password_;
    unsigned generation_ = 0;
    QList<Transaction *> transactions_;
    struct Handle;
    std::unique_ptr<Handle> handle_;
};
