#pragma once

#include "declaration/filed_declaration.h"
#include "report/report_engine.h"

struct ReportDefinition;

// The listing of a recorded declaration made again from its declaration file, for when its PDF
// is gone or is not its own: one line per record of the file, in file order (the receipt number
// as the file holds it), the period line from the record in DECLARACION, the total of the
// file's withheld amounts, and the last page's line with the file's rows and fingerprint. The
// file is read once, and only bytes with the recorded fingerprint are used (FileError
// otherwise). The PDF's bytes; raises the errors of reading the file and of the export.
QByteArray listingFromFile(ReportDefinition &report, const FiledDeclaration &d, ReportRun *run = nullptr);

// Where the program itself puts a recorded declaration's files. A row of DECLARACION is data,
// not an order: its paths are taken only when they have the shape the program writes (the
// declaration "<base>.txt" in some folder, or "<base> <date> <time>.txt" in its folder
// anteriores), and then its listing's path only chooses between the places the program derives
// itself: "<base>.pdf" in the program's folder or beside the declaration, or the kept
// declaration's own name with ".pdf" beside it.
struct FiledPlaces {
    bool valid = false;   // the row's paths have the shape the program writes
    bool kept = false;    // a declaration replaced since, kept in anteriores
    QString folder;       // the folder of the declaration file
    QString listingName;  // the listing's file name
    QString listingPlace; // the listing's full path
};
FiledPlaces filedPlaces(const FiledDeclaration &d, const QString &programFolder);

// The listing of a recorded declaration to open, once its file is found to be the one recorded:
// its PDF where the program puts it when that PDF is the declaration's own (it names the file's
// fingerprint), else one made again from the declaration file at that place. Raises FileError
// with what the clerk reads, having written and opened nothing, when the file is on another
// machine, gone, changed or unreadable, when the row's paths are not of the program's making,
// or when the listing cannot be written.
QString listingToOpen(const FiledDeclaration &d, ReportDefinition &report, const QString &programFolder,
                      const QString &machine = thisMachine());

// The folder of a recorded declaration's file to open, under the same conditions.
QString folderToOpen(const FiledDeclaration &d, const QString &programFolder,
                     const QString &machine = thisMachine());
