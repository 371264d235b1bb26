#pragma once

#include "withholdings/sheet_import.h"

#include <QByteArray>
#include <QString>
#include <optional>

class QWidget;

// Where the clerk's choices of columns are kept: a small file of his own beside the settings
// file, ~/.config/Retenciones/columnas_planilla.txt (in %APPDATA%\Retenciones on Windows).
QString sheetColumnsFile();

// Reads a sheet and converts its records for the import. The columns come from its titles;
// when the titles leave a field without a column, or name one twice, from the choice the clerk
// made before for the same titles, else from the column window, whose choice is then kept for
// the next time. A kept choice that gives no row at all is asked again. Nothing when the
// clerk gives up in the window.
std::optional<SheetImport> importSheetAsked(QWidget *parent, const QByteArray &bytes,
                                            const SheetContext &context);
