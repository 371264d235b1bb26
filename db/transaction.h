#pragma once

#include <QString>

#include <memory>

namespace Firebird {
class ITransaction;
}
class Connection;

// A transaction on one connection. Starting it opens the connection first when needed; work
// is ended by commit retaining, which keeps the transaction open for the next statements.
class Transaction {
public:
    enum class Mode {
        // The client's defaults: one snapshot for the whole life of the transaction.
        Snapshot,
        // Every statement sees what others committed, and a row another transaction holds is
        // refused at once instead of waited for. A transaction kept open for hours in this mode
        // does not keep the versions of deleted rows alive, so their space is used again.
        ReadCommitted,
        // The same for reading only: the engine starts it as committed already, so that kept
        // open while a window lists rows it holds back no other program's garbage.
        ReadOnly,
    };

    explicit Transaction(Connection &connection, Mode mode = Mode::Snapshot);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    Connection &connection() const { return connection_; }

    // Opens the connection if it is not open and starts the transaction if it is not
    // active; raises DatabaseError.
    void start();
    bool isActive() const;
    void commitRetaining();
    void commit();
    void rollback();

    // Runs a statement without parameters or result (definitions of a script).
    void executeImmediate(const QString &sql);

    Firebird::ITransaction *handle() const;

private:
    friend class Connection;
    // Gives up the handle when the connection goes: rolled back, or dropped if that fails.
    void drop() noexcept;

    Connection &connection_;
    Mode mode_;
    struct Handle;
    std::unique_ptr<Handle> handle_;
};
