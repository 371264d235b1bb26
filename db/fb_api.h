#pragma once

// Internal to the db library: the Firebird client's OO interfaces and the few helpers
// every part of the access layer needs. Public headers of the library never include it.

#include <firebird/Interface.h>

#include <QString>

#include <utility>

namespace FbApi {

Firebird::IMaster *master();
// The provider through which databases are attached and made; raises DatabaseError, with the
// reason in Spanish, when this process's engine may not open any.
Firebird::IProvider *dispatcher();
// The embedded engine opens local database files for itself alone (see prepareEngine()).
bool opensFilesExclusively();
Firebird::IUtil *util();

// Owns one interface of the client and gives it back when it goes: reference-counted
// interfaces are released, disposable ones disposed.
template <class T> class Ref {
public:
    Ref() = default;
    explicit Ref(T *p) : p_(p) {}
    Ref(const Ref &) = delete;
    Ref &operator=(const Ref &) = delete;
    Ref(Ref &&other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    Ref &operator=(Ref &&other) noexcept
    {
        if (this != &other)
            reset(std::exchange(other.p_, nullptr));
        return *this;
    }
    ~Ref() { reset(); }

    void reset(T *p = nullptr)
    {
        T *old = std::exchange(p_, p);
        if (!old)
            return;
        if constexpr (requires { old->release(); })
            old->release();
        else
            old->dispose();
    }
    // Gives up ownership without releasing: for interfaces the client already freed
    // (a committed or detached handle is gone once the call succeeds).
    T *take() noexcept { return std::exchange(p_, nullptr); }

    T *get() const noexcept { return p_; }
    T *operator->() const noexcept { return p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

private:
    T *p_ = nullptr;
};

// A status object for one series of calls: every failing call throws FbException.
class Status {
public:
    Status() : status_(master()->getStatus()), wrapper_(status_.get()) {}
    Firebird::ThrowStatusWrapper *get() { return &wrapper_; }

private:
    Ref<Firebird::IStatus> status_;
    Firebird::ThrowStatusWrapper wrapper_;
};

// The client's own wording of a failure, as the clerk sees it.
QString statusText(Firebird::IStatus *status);

// The first error code of a failure (isc_...), 0 when none.
long errorCode(Firebird::IStatus *status);
// Every error code of a failure, in order.
QList<long> errorCodes(Firebird::IStatus *status);

[[noreturn]] void throwDatabaseError(const Firebird::FbException &e);

// Runs a series of client calls and turns the client's exception into DatabaseError.
template <class F> decltype(auto) call(F &&f)
{
    try {
        return f();
    } catch (const Firebird::FbException &e) {
        throwDatabaseError(e);
    }
}

// Path and texts for the client: the file system's bytes for a path, the system code
// page for SQL and parameters (no connection character set is named).
QByteArray pathBytes(const QString &path);

} // namespace FbApi
