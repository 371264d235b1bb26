#pragma once

#include <QFont>

// Loads the Tahoma faces that fonts-wine installs, when they are there; elsewhere the
// font matching of the platform picks the nearest face.
void LoadScreenFonts();

// Fonts of the layout by pixel height, so that they do not grow with the screen's resolution
// (8 pt is 11 px, 10 pt 13 px, 12 pt 16 px at the layout's 96 pixels per inch).
QFont TahomaFont(int points, bool bold = false);
QFont ArialFont(int points);
