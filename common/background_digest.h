#pragma once

#include "common/sha256.h"
#include <QByteArray>
#include <QByteArrayView>

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

// The SHA-256 of bytes given a piece at a time, computed on a thread of its own while the giver
// goes on with its work: a declaration's fingerprint then costs CONFIRMA only the hashing of its
// last piece.
class BackgroundDigest {
public:
    BackgroundDigest();
    ~BackgroundDigest();
    BackgroundDigest(const BackgroundDigest &) = delete;
    BackgroundDigest &operator=(const BackgroundDigest &) = delete;

    // The bytes are copied; the call returns at once.
    void addData(QByteArrayView bytes);
    // Waits until every byte given is hashed; the SHA-256 in lower-case hexadecimal. Nothing may
    // be added afterwards.
    QByteArray result();

private:
    void work();

    std::mutex mutex_;
    std::condition_variable ready_;
    std::deque<QByteArray> pieces_;
    bool finished_ = false;
    Sha256 hash_;
    std::thread thread_;
};
