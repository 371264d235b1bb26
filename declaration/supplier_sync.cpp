#include "declaration/supplier_sync.h"

#include "common/errors.h"
#include "declaration/declaration_file.h"
#include "declaration/reten_store.h"
#include "withholdings/withholding.h"

SupplierSync::SupplierSync(RetenStore &store, SupplierRegister &suppliers, QObject *parent)
    : QObject(parent), store_(store), suppliers_(suppliers)
{
    timer_.setSingleShot(true);
    connect(&timer_, &QTimer::timeout, this, [this] {
        if (step())
            schedule(retries_ > 0 ? RetryMilliseconds : 0);
    });
}

void SupplierSync::schedule(int milliseconds)
{
    if (!paused_ && !idle())
        timer_.start(milliseconds);
}

void SupplierSync::load()
{
    try {
        store_.openSuppliers();
        loading_ = true;
    } catch (const std::exception &) {
        loading_ = false;
    }
    schedule();
}

void SupplierSync::teach(const QList<Withholding> &rows, int year, int month)
{
    const QList<SupplierCount> counts = supplierCounts(rows);
    for (const SupplierCount &c : counts)
        suppliers_.learn(c.cuit, c.name);
    // One lesson waits at a time: a later one (the clerk imported again) replaces it.
    pending_ = counts;
    period_ = registerPeriod(year, month);
    retries_ = 0;
    schedule();
}

void SupplierSync::teach(const QList<Withholding> &rows, const QString &yearText, const QString &monthText)
{
    try {
        teach(rows, declaredYear(yearText), declaredMonth(monthText));
    } catch (const ConversionError &) {
        for (const SupplierCount &c : supplierCounts(rows))
            suppliers_.learn(c.cuit, c.name);
    }
}

void SupplierSync::pauseForGeneration()
{
    paused_ = true;
    timer_.stop();
    pending_.clear();
    if (loading_) {
        store_.closeSuppliers();
        loading_ = false;
        // Read again from the start after the generation.
        reloadAfterPause_ = true;
    }
}

void SupplierSync::resume()
{
    paused_ = false;
    if (reloadAfterPause_) {
        reloadAfterPause_ = false;
        load();
        return;
    }
    schedule();
}

bool SupplierSync::step()
{
    if (paused_)
        return false;
    try {
        if (loading_) {
            const QList<Supplier> piece = store_.nextSuppliers(PieceSize);
            for (const Supplier &s : piece)
                suppliers_.learnIfNew(s.cuit, s.name);
            loading_ = piece.size() == PieceSize;
        } else if (!pending_.isEmpty()) {
            const QList<SupplierCount> piece = pending_.mid(0, PieceSize);
            store_.learnSuppliers(piece, period_);
            pending_.remove(0, piece.size());
            retries_ = 0;
        }
    } catch (const DatabaseError &e) {
        if (loading_) {
            store_.closeSuppliers();
            loading_ = false;
        } else if (RetenStore::isBusy(e) && ++retries_ <= Retries) {
            return true;
        } else {
            pending_.clear();
            retries_ = 0;
        }
    } catch (const std::exception &) {
        loading_ = false;
        pending_.clear();
    }
    return !idle();
}
