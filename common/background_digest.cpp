#include "common/background_digest.h"

BackgroundDigest::BackgroundDigest() : thread_([this] { work(); }) {}

BackgroundDigest::~BackgroundDigest()
{
    if (thread_.joinable())
        result();
}

void BackgroundDigest::addData(QByteArrayView bytes)
{
    if (bytes.isEmpty())
        return;
    {
        const std::lock_guard lock(mutex_);
        pieces_.emplace_back(bytes.data(), bytes.size());
    }
    ready_.notify_one();
}

QByteArray BackgroundDigest::result()
{
    if (thread_.joinable()) {
        {
            const std::lock_guard lock(mutex_);
            finished_ = true;
        }
        ready_.notify_one();
        thread_.join();
    }
    return hash_.hexResult();
}

void BackgroundDigest::work()
{
    for (;;) {
        QByteArray piece;
        {
            std::unique_lock lock(mutex_);
            ready_.wait(lock, [this] { return finished_ || !pieces_.empty(); });
            if (pieces_.empty())
                return; // finished, and everything hashed
            piece = std::move(pieces_.front());
            pieces_.pop_front();
        }
        hash_.addData(piece);
    }
}
