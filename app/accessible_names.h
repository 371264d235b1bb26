#pragma once

#include <QString>

class GridModel;
class QMessageBox;
class QWidget;
class TF_Anteriores;
class TF_Retenciones;
class TF_ayuda;

// What a screen reader announces for each control: its name, taken from the caption the clerk
// reads beside it, a short description where the caption does not say what goes in, and the
// roles and reading order the controls alone do not give. Nothing here changes what is drawn,
// and nothing here starts the accessibility bridge: Qt asks for these only once a screen
// reader has turned it on.
// The program's own interfaces for what Qt's would announce wrongly or answer slowly: once,
// after the application is made and before its first window, since a control keeps the
// interface it was first given.
void installAccessibleInterfaces();

void nameControls(TF_Retenciones &window);
void nameControls(TF_ayuda &help);
void nameControls(TF_Anteriores &past);
void nameControls(QMessageBox &box);

// What the reader is told when a grid row has just been appended or deleted; empty for a row
// that is neither.
QString rowAnnouncement(const GridModel &model, int row);
// The last thing the window announced to a reader; empty before the first.
QString lastAnnouncement(const QWidget &window);
