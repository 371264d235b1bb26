#include "db/connection.h"

#include "common/errors.h"
#include "db/database_errors.h"
#include "db/engine.h"
#include "db/fb_api.h"
#include "db/transaction.h"

using namespace Firebird;

struct Connection::Handle {
    FbApi::Ref<IAttachment> attachment;
};

Connection::Connection(QString databasePath, QString userName, QString password)
    : databasePath_(std::move(databasePath)), userName_(std::move(userName)), password_(std::move(password)),
      handle_(std::make_unique<Handle>())
{
}

Connection::~Connection()
{
    close();
}

bool Connection::isOpen() const
{
    return bool(handle_->attachment);
}

IAttachment *Connection::attachment() const
{
    return handle_->attachment.get();
}

void Connection::open()
{
    if (isOpen())
        return;
    try {
        attach();
    } catch (const DatabaseError &e) {
        if (!isOpenElsewhere(e))
            throw;
        throw DatabaseError(
            openElsewhereText(FbApi::opensFilesExclusively()) + QLatin1Char('\n') + e.message(), e.codes());
    }
    ++generation_;
}

void Connection::attach()
{
    FbApi::call([&] {
        FbApi::Status status;
        FbApi::Ref<IProvider> provider(FbApi::dispatcher());
        FbApi::Ref<IXpbBuilder> dpb(FbApi::util()->getXpbBuilder(status.get(), IXpbBuilder::DPB, nullptr, 0));
        // No lc_ctype: texts travel as the single bytes of the system code page.
        dpb->insertString(status.get(), isc_dpb_user_name, userName_.toUtf8().constData());
        dpb->insertString(status.get(), isc_dpb_password, password_.toUtf8().constData());
        const QByteArray path = FbApi::pathBytes(databasePath_);
        handle_->attachment.reset(provider->attachDatabase(status.get(), path.constData(),
                                                           dpb->getBufferLength(status.get()),
                                                           dpb->getBuffer(status.get())));
    });
}

void Connection::close() noexcept
{
    for (Transaction *t : std::as_const(transactions_))
        t->drop();
    if (!handle_->attachment)
        return;
    try {
        FbApi::Status status;
        handle_->attachment->detach(status.get());
        handle_->attachment.take();
    } catch (const FbException &) {
        // Nothing to keep: releasing the last reference frees the attachment anyway.
        handle_->attachment.reset();
    }
}

void Connection::checkAlive() noexcept
{
    if (!handle_->attachment)
        return;
    try {
        FbApi::Status status;
        handle_->attachment->ping(status.get());
    } catch (const FbException &) {
        close();
    }
}
