#pragma once

#include <QString>

#include <memory>

namespace Firebird {
class ITransaction;
}
class Connection;

// A transaction with default parameters on one connection. Starting it opens the
// connection first when needed; work is ended by commit retaining, which keeps the
// transaction open for the next statements.
class Transaction {
public:
    explicit Transaction(Connection &connection);
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
    struct Handle;
    std::unique_ptr<Handle> handle_;
};
