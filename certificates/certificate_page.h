#pragma once

#include "certificates/agent_details.h"

#include <QByteArray>
#include <QString>

#include <memory>

struct Certificate;

// What a certificate's page says that its declaration record does not.
struct CertificateSheet {
    QString legajo;
    QString placeAndDate; // "Lugar y fecha: ..."
    AgentDetails agent;   // blank lines for a pen where empty
    QString source;       // the declaration file and its fingerprint, in small print at the foot
};

// The certificates drawn on A4 pages, one withholding a page: the same certificate twice, the
// top half "ORIGINAL" for the supplier and the bottom half "DUPLICADO" for the agent, with a
// cutting line between them. Every text keeps at least 1 cm from the page's edges, and a name of
// up to 60 characters, however wide its letters, stays within its frame: on a second line, or
// smaller. Names and words keep their accents and Ñ (WinAnsi codes as octal escapes, so the file
// stays 7-bit). What a page shows that is the same on all of them is drawn once in the file.
class CertificatePrinter {
public:
    CertificatePrinter();
    ~CertificatePrinter();
    CertificatePrinter(const CertificatePrinter &) = delete;
    CertificatePrinter &operator=(const CertificatePrinter &) = delete;

    void add(const Certificate &certificate, const CertificateSheet &sheet);
    int pages() const;
    // The whole file; `subject` goes in its document information (what the certificates were
    // read from, so that a later run knows whether they are its own).
    QByteArray pdf(const QByteArray &subject) const;

private:
    struct Private;
    std::unique_ptr<Private> d_;
};

// Where the page's texts go, in points from the page's top-left corner, for the tests.
namespace CertificateGeometry {
inline constexpr double PageWidth = 595;
inline constexpr double PageHeight = 841;
inline constexpr double EdgeClearance = 72 / 2.54; // 1 cm
} // namespace CertificateGeometry
