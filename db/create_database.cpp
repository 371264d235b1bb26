#include "db/create_database.h"

#include "db/database_settings.h"
#include "db/fb_api.h"

#include <QFile>

using namespace Firebird;

void createDatabase(const QString &path, const QString &userName, const QString &password)
{
    FbApi::call([&] {
        FbApi::Status status;
        FbApi::Ref<IProvider> provider(FbApi::dispatcher());
        FbApi::Ref<IXpbBuilder> dpb(FbApi::util()->getXpbBuilder(status.get(), IXpbBuilder::DPB, nullptr, 0));
        dpb->insertString(status.get(), isc_dpb_user_name, userName.toUtf8().constData());
        dpb->insertString(status.get(), isc_dpb_password, password.toUtf8().constData());
        dpb->insertString(status.get(), isc_dpb_set_db_charset, "WIN1252");
        dpb->insertInt(status.get(), isc_dpb_sql_dialect, SQL_DIALECT_V6);
        // The engine waits for the disk on every page a commit changed, whatever the page's
        // size: the largest pages halve the waits of a declaration's rows.
        dpb->insertInt(status.get(), isc_dpb_page_size, DatabasePageSize);
        const QByteArray file = FbApi::pathBytes(path);
        FbApi::Ref<IAttachment> attachment(provider->createDatabase(status.get(), file.constData(),
                                                                    dpb->getBufferLength(status.get()),
                                                                    dpb->getBuffer(status.get())));
        attachment->detach(status.get());
        attachment.take(); // released by the client on success
    });
}

void dropDatabase(const QString &path, const QString &userName, const QString &password) noexcept
{
    try {
        FbApi::call([&] {
            FbApi::Status status;
            FbApi::Ref<IProvider> provider(FbApi::dispatcher());
            FbApi::Ref<IXpbBuilder> dpb(
                FbApi::util()->getXpbBuilder(status.get(), IXpbBuilder::DPB, nullptr, 0));
            dpb->insertString(status.get(), isc_dpb_user_name, userName.toUtf8().constData());
            dpb->insertString(status.get(), isc_dpb_password, password.toUtf8().constData());
            const QByteArray file = FbApi::pathBytes(path);
            FbApi::Ref<IAttachment> attachment(provider->attachDatabase(status.get(), file.constData(),
                                                                        dpb->getBufferLength(status.get()),
                                                                        dpb->getBuffer(status.get())));
            attachment->dropDatabase(status.get());
            attachment.take(); // released by the client on success
        });
    } catch (const std::exception &) {
        if (isLocalDatabase(path))
            QFile::remove(path);
    }
}
