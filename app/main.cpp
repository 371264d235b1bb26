#include "app/accessible_names.h"
#include "app/after_first_paint.h"
#include "app/qt_dialogs.h"
#include "app/quit_on_signal.h"
#include "app/screen_fonts.h"
#include "app/startup_probe.h"
#include "app/tf_ayuda.h"
#include "app/tf_retenciones.h"
#include "common/paths.h"
#include "common/regional.h"
#include "common/safe_file.h"
#include "db/database_settings.h"
#include "db/engine.h"
#include "declaration/interrupted_declarations.h"
#include "declaration/listing_folder.h"
#include "declaration/reten_store.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
// A clerk whose engine opens the database for himself alone is told why a backup or a second
// window cannot open it, on the first start where that is so; a mark in his cache folder
// remembers it.
void explainExclusiveDatabaseOnce(Dialogs &dialogs)
{
    if (!engineOpensFilesExclusively())
        return;
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation);
    if (cache.isEmpty())
        return;
    const QString mark = QDir(cache).filePath(QStringLiteral("Retenciones/aviso-base-exclusiva"));
    if (QFileInfo::exists(mark))
        return;
    dialogs.ShowInformation(exclusiveEngineNotice());
    writeFileSafely(mark, QByteArrayLiteral("1\n"));
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    installAccessibleInterfaces();
    LoadScreenFonts();
    FollowRegionalSettings();

    QtDialogs dialogs;
    const DatabaseSettings database = readDatabaseSettings();
    RetenStore store(database.path, database.userName, database.password);
    TF_Retenciones F_Retenciones(dialogs, store, ProgramFolder());
    TF_ayuda F_ayuda;
    F_Retenciones.setHelpWindow(&F_ayuda);
    // Ctrl+C, kill and the session's end quit the program instead of the database engine: the
    // engine's handlers, put in place at the attach, are replaced again once the loop is idle.
    QuitOnSignal quitOnSignal;

    // Closing the main window ends the program; the help window is only ever hidden.
    F_Retenciones.show();
    reportFirstPaintIfAsked(F_Retenciones);
    // The engine's loading and the attach take longer than the window itself, and nothing on the
    // window needs them: the clerk sees the window first. A database that cannot be opened is
    // not the clerk's concern until the first generation, which attaches again.
    runAfterFirstPaint(
        F_Retenciones,
        [&store, &dialogs] {
            store.connect();
            explainExclusiveDatabaseOnce(dialogs);
            // What a program killed while it wrote left behind: put in place or cleared away.
            recoverAtStart(store, dialogs, listingFolder(ProgramFolder()));
        },
        1000);
    return application.exec();
}
