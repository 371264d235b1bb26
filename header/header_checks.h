#pragma once

#include <QString>

// Messages of the header's exit checks, shown in an information box.
inline const QString LegajoNotFoundMessage = QStringLiteral("Atención Legajo no existente !!!");
inline const QString MonthErrorMessage = QStringLiteral("Atención error en el nro de mes !!!");
inline const QString YearErrorMessage = QStringLiteral("Atención error en el año !!!");
// Only reachable by clicking into the read-only CUIT and company-name boxes.
inline const QString CuitMissingMessage = QStringLiteral("Atención Debe ingresar un CUIT !!!");
inline const QString RazonErrorMessage = QStringLiteral("Atención error en Razón Social !!!");
inline const QString LegajoErrorMessage = QStringLiteral("Atención error en el nro de legajo !!!");

inline constexpr int FirstAcceptedYear = 2015;
inline constexpr int LastAcceptedYear = 2025;

// The checks run when the focus leaves the month and year boxes. They see the box's text as
// typed; false means the box's error message and the focus back on it. Text that does not
// convert to an integer (only pasted text can hold anything but digits) raises the conversion
// error, which ends the handler without a message of its own.

// Month 1 to 12; an empty or blank text is refused before any conversion.
bool monthAccepted(const QString &monthText);

// Year 2015 to 2025; an empty or blank text is refused before any conversion.
bool yearAccepted(const QString &yearText);
