#include "app/accessible_names.h"
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
#include "declaration/reten_store.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTimer>

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
    // A database that cannot be opened now is not the clerk's concern until the first generation.
    store.connect();
    TF_Retenciones F_Retenciones(dialogs, store, ProgramFolder());
    TF_ayuda F_ayuda;
    F_Retenciones.setHelpWindow(&F_ayuda);
    // After the window has attached to the database, so that Ctrl+C, kill and the session's
    // end quit the program instead of the database engine.
    QuitOnSignal quitOnSignal;

    // Closing the main window ends the program; the help window is only ever hidden.
    F_Retenciones.show();
    reportFirstPaintIfAsked(F_Retenciones);
    QTimer::singleShot(0, &F_Retenciones, [&dialogs] { explainExclusiveDatabaseOnce(dialogs); });
    return application.exec();
}
