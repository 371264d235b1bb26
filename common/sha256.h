#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <memory>

// SHA-256 through the system's cryptography library (libcrypto), which uses the processor's own
// SHA instructions where it has them: a large declaration's fingerprint then costs milliseconds,
// not the tenth of a second Qt's portable code takes; without the library, Qt's. Bytes are given
// a piece at a time.
class Sha256 {
public:
    Sha256();
    ~Sha256();
    Sha256(const Sha256 &) = delete;
    Sha256 &operator=(const Sha256 &) = delete;

    void addData(QByteArrayView bytes);
    // The fingerprint in 64 lower-case hexadecimal digits. Nothing may be added afterwards.
    QByteArray hexResult();

    static QByteArray hexHash(QByteArrayView bytes);

private:
    struct Private;
    std::unique_ptr<Private> d_;
};
