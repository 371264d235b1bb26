#pragma once

#include <QByteArray>

// Binary stream data must stay 7-bit in our PDF: images go through Flate, then ASCII85.
QByteArray flateCompress(const QByteArray &data);
// ASCII85 with line breaks every 76 characters and the "~>" end marker.
QByteArray ascii85Encode(const QByteArray &data);
