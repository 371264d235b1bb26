#include "app/sheet_columns_window.h"

#include "app/column_window.h"
#include "common/safe_file.h"
#include "db/database_settings.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {
// The memory is the clerk's own small file; one that cannot be read or written only means the
// window is asked again next time.
constexpr qint64 LargestMemory = 64 * 1024;

QByteArray readMemory()
{
    QFile file(sheetColumnsFile());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(LargestMemory);
}

void keep(const QStringList &titles, const ColumnChoice &choice)
{
    const QString path = sheetColumnsFile();
    QDir().mkpath(QFileInfo(path).path());
    writeFileSafely(path, rememberChoice(readMemory(), titles, choice));
}

std::optional<ColumnChoice> ask(QWidget *parent, const Sheet &sheet, const ColumnChoice &proposed)
{
    QStringList first;
    for (const SheetRecord &record : sheet.records) {
        if (!record.isBlank()) {
            first = record.fields();
            break;
        }
    }
    ColumnWindow window(sheet.titles, first, proposed, parent);
    if (window.exec() != QDialog::Accepted)
        return std::nullopt;
    keep(sheet.titles, window.choice());
    return window.choice();
}
} // namespace

QString sheetColumnsFile()
{
    return QFileInfo(settingsFilePath()).path() + QStringLiteral("/columnas_planilla.txt");
}

std::optional<SheetImport> importSheetAsked(QWidget *parent, const QByteArray &bytes,
                                            const SheetContext &context)
{
    const Sheet sheet = readSheet(bytes);
    const ColumnSearch search = findColumns(sheet.titles);
    if (search.complete())
        return convertSheet(sheet, search.choice, context);

    if (const std::optional<ColumnChoice> kept = rememberedChoice(readMemory(), sheet.titles)) {
        SheetImport imported = convertSheet(sheet, *kept, context);
        if (!imported.rows.isEmpty())
            return imported;
    }
    const std::optional<ColumnChoice> chosen = ask(parent, sheet, search.choice);
    if (!chosen)
        return std::nullopt;
    return convertSheet(sheet, *chosen, context);
}
