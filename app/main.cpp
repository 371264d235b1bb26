#include "app/qt_dialogs.h"
#include "app/quit_on_signal.h"
#include "app/screen_fonts.h"
#include "app/tf_ayuda.h"
#include "app/tf_retenciones.h"
#include "common/paths.h"

#include <QApplication>
#include <QDir>

namespace {
QString databasePath()
{
#ifdef Q_OS_WIN
    return QStringLiteral("C:\\Retenciones\\RETENCIONES.FDB");
#else
    return QDir::homePath() + QStringLiteral("/Retenciones/RETENCIONES.FDB");
#endif
}
} // namespace

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    LoadScreenFonts();

    QtDialogs dialogs;
    TF_Retenciones F_Retenciones(dialogs, databasePath(), ProgramFolder());
    TF_ayuda F_ayuda;
    F_Retenciones.setHelpWindow(&F_ayuda);
    // After the window has attached to the database, so that Ctrl+C, kill and the session's
    // end quit the program instead of the database engine.
    QuitOnSignal quitOnSignal;

    // Closing the main window ends the program; the help window is only ever hidden.
    F_Retenciones.show();
    return application.exec();
}
