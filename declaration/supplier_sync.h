#pragma once

#include "withholdings/supplier_register.h"

#include <QObject>
#include <QTimer>

class RetenStore;
struct Withholding;

// Keeps the window's supplier register in step with table SUJETO without slowing anything the
// clerk waits for: the table is read after the window is painted, and what an import or a reload
// teaches goes into the register at once and into the table afterwards, a piece at a time from
// the event loop. Nothing here ever reaches the clerk as an error: a register that cannot be
// read or taught only knows less.
class SupplierSync : public QObject {
public:
    // Rows read, or suppliers taught, per turn of the event loop: a few milliseconds each.
    static constexpr int PieceSize = 1000;
    // A lesson refused because another program is generating is tried again this much later,
    // this many times.
    static constexpr int RetryMilliseconds = 500;
    static constexpr int Retries = 20;

    SupplierSync(RetenStore &store, SupplierRegister &suppliers, QObject *parent = nullptr);

    // Starts reading the table; names learned meanwhile are kept over the table's.
    void load();
    // The rows' suppliers into the register now and into the table later (names and period:
    // only a declaration made counts withholdings).
    void teach(const QList<Withholding> &rows, int year, int month);
    // The same with the header's year and month texts; rows of a header that does not convert
    // (which the window never lets through) teach the register only.
    void teach(const QList<Withholding> &rows, const QString &yearText, const QString &monthText);
    // Stops and starts the work around a generation, which uses the same database connection and
    // teaches the grid's rows itself: what was waiting to be taught is dropped.
    void pauseForGeneration();
    void resume();

    bool idle() const { return !loading_ && pending_.isEmpty(); }
    // One turn of the work; false when nothing is left.
    bool step();

private:
    void schedule(int milliseconds = 0);

    RetenStore &store_;
    SupplierRegister &suppliers_;
    QTimer timer_;
    bool loading_ = false;
    bool paused_ = false;
    bool reloadAfterPause_ = false;
    QList<SupplierCount> pending_;
    QString period_;
    int retries_ = 0;
};
