#include "app/qt_dialogs.h"
#include "app/quit_on_signal.h"
#include "app/screen_fonts.h"
#include "app/startup_probe.h"
#include "app/tf_ayuda.h"
#include "app/tf_retenciones.h"
#include "common/paths.h"
#include "common/regional.h"
#include "db/database_settings.h"
#include "declaration/reten_store.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
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
    return application.exec();
}
