#include "app/qt_dialogs.h"
#include "app/screen_fonts.h"
#include "app/tf_ayuda.h"
#include "app/tf_retenciones.h"
#include "common/paths.h"
#include "db/database_settings.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    LoadScreenFonts();

    QtDialogs dialogs;
    TF_Retenciones F_Retenciones(dialogs, readDatabaseSettings(), ProgramFolder());
    TF_ayuda F_ayuda;
    F_Retenciones.setHelpWindow(&F_ayuda);

    // Closing the main window ends the program; the help window is only ever hidden.
    F_Retenciones.show();
    return application.exec();
}
