#include "db/transaction.h"

#include "db/connection.h"
#include "db/fb_api.h"

#include "common/codepage.h"
#include "common/errors.h"

using namespace Firebird;

struct Transaction::Handle {
    FbApi::Ref<ITransaction> transaction;
};

Transaction::Transaction(Connection &connection, Mode mode)
    : connection_(connection), mode_(mode), handle_(std::make_unique<Handle>())
{
    connection_.transactions_.append(this);
}

Transaction::~Transaction()
{
    drop();
    connection_.transactions_.removeOne(this);
}

bool Transaction::isActive() const
{
    return bool(handle_->transaction);
}

ITransaction *Transaction::handle() const
{
    return handle_->transaction.get();
}

void Transaction::start()
{
    connection_.open();
    if (isActive())
        return;
    FbApi::call([&] {
        FbApi::Status status;
        if (mode_ == Mode::Snapshot) {
            handle_->transaction.reset(connection_.attachment()->startTransaction(status.get(), 0, nullptr));
            return;
        }
        const unsigned char access = mode_ == Mode::ReadOnly ? isc_tpb_read : isc_tpb_write;
        const unsigned char tpb[] = {isc_tpb_version3, access, isc_tpb_read_committed, isc_tpb_rec_version,
                                     isc_tpb_nowait};
        handle_->transaction.reset(connection_.attachment()->startTransaction(status.get(), sizeof tpb, tpb));
    });
}

void Transaction::commitRetaining()
{
    start();
    try {
        FbApi::Status status;
        handle_->transaction->commitRetaining(status.get());
    } catch (const FbException &e) {
        connection_.checkAlive();
        FbApi::throwDatabaseError(e);
    }
}

void Transaction::commit()
{
    if (!isActive())
        return;
    FbApi::call([&] {
        FbApi::Status status;
        handle_->transaction->commit(status.get());
        // On success the client has released the handle itself.
        handle_->transaction.take();
    });
}

void Transaction::rollback()
{
    if (!isActive())
        return;
    FbApi::call([&] {
        FbApi::Status status;
        handle_->transaction->rollback(status.get());
        handle_->transaction.take();
    });
}

void Transaction::drop() noexcept
{
    if (!handle_->transaction)
        return;
    try {
        FbApi::Status status;
        handle_->transaction->rollback(status.get());
        handle_->transaction.take();
    } catch (const FbException &) {
        handle_->transaction.reset();
    }
}

void Transaction::executeImmediate(const QString &sql)
{
    start();
    try {
        FbApi::Status status;
        const QByteArray text = ToSystemCodePage(sql);
        connection_.attachment()->execute(status.get(), handle_->transaction.get(), text.size(),
                                          text.constData(), SQL_DIALECT_V6, nullptr, nullptr, nullptr,
                                          nullptr);
    } catch (const FbException &e) {
        connection_.checkAlive();
        FbApi::throwDatabaseError(e);
    }
}
