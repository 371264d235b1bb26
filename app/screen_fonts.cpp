#include "app/screen_fonts.h"

#include <QFile>
#include <QFontDatabase>

void LoadScreenFonts()
{
    static bool loaded = false;
    if (loaded)
        return;
    loaded = true;
    for (const char *path : {"/usr/share/wine/fonts/tahoma.ttf", "/usr/share/wine/fonts/tahomabd.ttf"}) {
        const QString file = QString::fromLatin1(path);
        if (QFile::exists(file))
            QFontDatabase::addApplicationFont(file);
    }
}

namespace {
QFont fontOf(const QString &family, int points, bool bold)
{
    QFont font(family);
    font.setPixelSize((points * 96 + 36) / 72);
    font.setBold(bold);
    return font;
}
} // namespace

QFont TahomaFont(int points, bool bold)
{
    return fontOf(QStringLiteral("Tahoma"), points, bold);
}

QFont ArialFont(int points)
{
    return fontOf(QStringLiteral("Arial"), points, false);
}
