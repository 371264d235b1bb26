#pragma once

#include <QString>

// The folder the PDF listing is written to, with its trailing separator. It is the program's
// folder, as it has always been; an installed program's folder cannot be written by the clerk,
// so the listing then goes to the working folder, beside the declaration file.
QString listingFolder(const QString &programFolder, const QString &workingFolder);

// The same, with the process's current folder as the working folder.
QString listingFolder(const QString &programFolder);
