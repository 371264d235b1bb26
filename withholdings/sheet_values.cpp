#include "withholdings/sheet_values.h"

#include "common/codepage.h"

#include <QDate>

namespace {
constexpr qsizetype NameWidth = 60;
constexpr qsizetype WholeDigits = 9;
constexpr qsizetype ReceiptDigits = 13;

bool isDigit(QChar c)
{
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}

bool allDigits(QStringView text)
{
    for (const QChar c : text)
        if (!isDigit(c))
            return false;
    return true;
}

// The amount without its currency sign and blanks; the sign of a negative amount
// ("-", or parentheses as accountants write it) is noted and dropped.
QString bareAmount(QStringView cell, bool *negative = nullptr)
{
    QString bare;
    bare.reserve(cell.size());
    for (const QChar c : cell) {
        if (c.isSpace() || c == QLatin1Char('$'))
            continue;
        if (c == QLatin1Char('-') || c == QLatin1Char('(') || c == QLatin1Char(')')) {
            if (negative)
                *negative = true;
            continue;
        }
        bare += c;
    }
    return bare;
}

// Whole digits grouped by thousands: 1 to 3 digits, then groups of exactly three.
bool validGroups(QStringView whole, QChar group)
{
    const QList<QStringView> groups = whole.split(group);
    for (qsizetype i = 0; i < groups.size(); ++i) {
        const QStringView g = groups[i];
        if (!allDigits(g) || (i == 0 ? g.isEmpty() || g.size() > 3 : g.size() != 3))
            return false;
    }
    return true;
}

QString quoted(QStringView cell)
{
    return QLatin1Char('"') + cell.toString() + QLatin1Char('"');
}
} // namespace

NumberFormat decideNumberFormat(const QList<QStringView> &amounts)
{
    int commaVotes = 0, dotVotes = 0, lonelyCommas = 0, lonelyDots = 0;
    for (const QStringView cell : amounts) {
        const QString bare = bareAmount(cell);
        const qsizetype commas = bare.count(QLatin1Char(','));
        const qsizetype dots = bare.count(QLatin1Char('.'));
        if (commas > 0 && dots > 0) {
            (bare.lastIndexOf(QLatin1Char(',')) > bare.lastIndexOf(QLatin1Char('.')) ? commaVotes
                                                                                     : dotVotes)++;
        } else if (commas > 1) {
            ++dotVotes;
        } else if (dots > 1) {
            ++commaVotes;
        } else if (commas == 1) {
            (bare.size() - bare.indexOf(QLatin1Char(',')) - 1 == 3 ? lonelyCommas : commaVotes)++;
        } else if (dots == 1) {
            (bare.size() - bare.indexOf(QLatin1Char('.')) - 1 == 3 ? lonelyDots : dotVotes)++;
        }
    }
    if (commaVotes != dotVotes)
        return commaVotes > dotVotes ? NumberFormat::CommaDecimal : NumberFormat::DotDecimal;
    return lonelyCommas > lonelyDots ? NumberFormat::DotDecimal : NumberFormat::CommaDecimal;
}

SheetAmount sheetAmount(QStringView cell, NumberFormat format)
{
    bool negative = false;
    const QString bare = bareAmount(cell, &negative);
    if (bare.isEmpty())
        return {{}, QStringLiteral("en blanco")};
    if (negative)
        return {{}, QStringLiteral("%1 negativo").arg(quoted(cell))};
    const QChar decimal = format == NumberFormat::CommaDecimal ? QLatin1Char(',') : QLatin1Char('.');
    const QChar group = format == NumberFormat::CommaDecimal ? QLatin1Char('.') : QLatin1Char(',');
    const qsizetype point = bare.indexOf(decimal);
    if (point >= 0 && bare.indexOf(decimal, point + 1) >= 0)
        return {{}, QStringLiteral("%1 no válido").arg(quoted(cell))};
    const QStringView whole = QStringView(bare).first(point < 0 ? bare.size() : point);
    const QStringView fraction = point < 0 ? QStringView() : QStringView(bare).sliced(point + 1);
    if ((whole.isEmpty() && fraction.isEmpty()) || !allDigits(fraction) ||
        !(whole.isEmpty() || allDigits(whole) || validGroups(whole, group)))
        return {{}, QStringLiteral("%1 no válido").arg(quoted(cell))};
    if (fraction.size() > 2)
        return {{}, QStringLiteral("%1 con más de dos decimales").arg(quoted(cell))};
    QString digits = whole.toString().remove(group);
    while (digits.size() > 1 && digits.front() == QLatin1Char('0'))
        digits.remove(0, 1);
    if (digits.isEmpty())
        digits = QStringLiteral("0");
    if (digits.size() > WholeDigits)
        return {{}, QStringLiteral("%1 demasiado grande").arg(quoted(cell))};
    return {digits + QLatin1Char('.') + fraction.toString().leftJustified(2, QLatin1Char('0')), {}};
}

QString sheetDate(QStringView cell)
{
    QStringView date = cell.trimmed();
    // A time after the date ("05/03/2017 00:00", "2017-03-05T00:00:00") is not part of it.
    for (const QChar end : {QLatin1Char(' '), QLatin1Char('T')}) {
        const qsizetype at = date.indexOf(end);
        if (at >= 0)
            date = date.first(at);
    }
    QList<QStringView> parts;
    for (const QChar separator : {QLatin1Char('/'), QLatin1Char('-'), QLatin1Char('.')}) {
        if (date.count(separator) == 2) {
            parts = date.split(separator);
            break;
        }
    }
    if (parts.size() != 3)
        return {};
    for (const QStringView part : parts)
        if (part.isEmpty() || part.size() > 4 || !allDigits(part))
            return {};
    int year, month, day;
    if (parts[0].size() == 4) {
        year = parts[0].toInt();
        month = parts[1].size() <= 2 ? parts[1].toInt() : 0;
        day = parts[2].size() <= 2 ? parts[2].toInt() : 0;
    } else {
        if (parts[0].size() > 2 || parts[1].size() > 2 || (parts[2].size() != 2 && parts[2].size() != 4))
            return {};
        day = parts[0].toInt();
        month = parts[1].toInt();
        year = parts[2].size() == 2 ? 2000 + parts[2].toInt() : parts[2].toInt();
    }
    const QDate valid(year, month, day);
    if (!valid.isValid() || year < 1000)
        return {};
    return valid.toString(QStringLiteral("dd/MM/yyyy"));
}

QString sheetCuit(QStringView cell)
{
    QString digits;
    for (const QChar c : cell) {
        if (isDigit(c))
            digits += c;
        else if (!(c.isSpace() || c == QLatin1Char('-') || c == QLatin1Char('.') || c == QLatin1Char('/')))
            return {};
    }
    if (digits.size() != 11)
        return {};
    return digits.first(2) + QLatin1Char('-') + digits.sliced(2, 8) + QLatin1Char('-') + digits.back();
}

QString sheetReceipt(QStringView cell)
{
    QString digits;
    for (const QChar c : cell) {
        if (isDigit(c))
            digits += c;
        else if (!(c.isSpace() || c == QLatin1Char('-')))
            return {};
    }
    if (digits.isEmpty() || digits.size() > ReceiptDigits || digits.count(QLatin1Char('0')) == digits.size())
        return {};
    return digits;
}

SheetName sheetName(QStringView cell)
{
    QString text = cell.toString();
    for (QChar &c : text)
        if (c.unicode() < 0x20 || c.unicode() == 0x7f || c.category() == QChar::Separator_Line ||
            c.category() == QChar::Separator_Paragraph)
            c = QLatin1Char(' ');
    SheetName name;
    name.text = FromSystemCodePage(ToSystemCodePage(text));
    name.replaced = name.text != text;
    if (name.text.size() > NameWidth) {
        name.text.truncate(NameWidth);
        name.cut = true;
    }
    name.text = name.text.trimmed();
    return name;
}
