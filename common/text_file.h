#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <functional>

#include <memory>

// A line-oriented text file read and written through a 128-byte buffer (or a larger one
// given by SetTextBuffer), or read whole into memory (LoadTextFile), in the system code page,
// with lines ending in CR LF.
//
// The operations never throw. A failure sets the pending I/O error of the thread;
// the caller runs CheckIo() after each operation it checks, which raises the
// IoError and clears the code. While a code is pending, reads and writes do
// nothing, so a failed write never leaves later bytes behind a gap.

// The buffer for writing a whole declaration.
constexpr int LongFileBuffer = 64 * 1024;

class TextFile {
public:
    enum class Mode { Closed, Reading, Writing };

    static constexpr int BufferSize = 128;

    TextFile() = default;
    ~TextFile();
    TextFile(const TextFile &) = delete;
    TextFile &operator=(const TextFile &) = delete;

    const QString &fileName() const noexcept { return name_; }
    Mode mode() const noexcept { return mode_; }
    bool isOpen() const noexcept { return mode_ != Mode::Closed; }
    // Bytes read from the file and not yet taken; a variable read whole holds all of them.
    qsizetype bufferedBytes() const noexcept { return end_ - pos_; }

private:
    friend void BindTextFile(TextFile &v, const QString &name);
    friend void OpenTextForReading(TextFile &v);
    friend void LoadTextFile(TextFile &v);
    friend void OpenTextOverBytes(TextFile &v, QByteArray bytes);
    friend QByteArray LoadedBytes(const TextFile &v);
    friend void CreateTextFile(TextFile &v);
    friend void CreateNewTextFile(TextFile &v);
    friend void SyncTextFile(TextFile &v);
    friend void OpenTextForAppending(TextFile &v);
    // Creates a file that must not exist yet under any form, a link included (code 80 then).
    void CreateNewTextFile(TextFile &v);
    // Writes out the buffer of a variable open for writing and waits until the disk holds it.
    void SyncTextFile(TextFile &v);
    friend QString ReadLineText(TextFile &v);
    friend void SkipPastLineEnd(TextFile &v);
    friend bool AtTextEnd(TextFile &v);
    friend bool PeekLineBytes(const TextFile &v, QByteArrayView &line);
    friend void WriteText(TextFile &v, const QString &text, int width);
    friend void WriteLineBreak(TextFile &v);
    friend void CloseTextFile(TextFile &v);
    friend void CloseTextFileQuietly(TextFile &v);
    friend void SetTextBuffer(TextFile &v, int size);
    friend void SetTextDigest(TextFile &v, std::function<void(QByteArrayView)> digest);

    enum class OpenKind { Read, Create, CreateNew, Append };
    void open(OpenKind kind);
    // Writes out the buffer and closes; returns the error code of the first failure.
    int close();
    int flush();
    // Refills an exhausted read buffer; false at the end of the data or on failure.
    bool fill();
    // Reads from bytes held in memory from now on; the file, if any, is already closed.
    void readFromMemory(QByteArray bytes);
    void put(const char *bytes, qsizetype count);

    QString name_;
    Mode mode_ = Mode::Closed;
    int fd_ = -1;
    char ownBuffer_[BufferSize] = {};
    std::unique_ptr<char[]> largeBuffer_;
    // A whole file (or the caller's bytes) being read from memory; no descriptor then.
    QByteArray memory_;
    char *buffer_ = ownBuffer_;
    int size_ = BufferSize;
    qsizetype pos_ = 0; // next byte to read or to write
    qsizetype end_ = 0; // end of the valid data when reading
    std::function<void(QByteArrayView)> digest_;
};

// Makes v a closed variable for the name; a relative name is taken relative to the
// current folder when the file is opened. Nothing touches the disk.
void BindTextFile(TextFile &v, const QString &name);

// The three opens first close an open variable (its buffer written out). A failed
// open leaves the variable closed and sets the pending code.
void OpenTextForReading(TextFile &v);
void CreateTextFile(TextFile &v);
void OpenTextForAppending(TextFile &v);

// Reads the file v is bound to whole, in one pass, and closes it; the lines are then read from
// memory with the same operations and give what OpenTextForReading would give. A failed open or
// read leaves the variable closed and sets the pending code, as OpenTextForReading does.
void LoadTextFile(TextFile &v);
// Opens v for reading over bytes already in memory, as if a file held them.
void OpenTextOverBytes(TextFile &v, QByteArray bytes);
// The bytes not yet read of a variable read from memory (LoadTextFile, OpenTextOverBytes),
// shared rather than copied; empty for any other variable.
QByteArray LoadedBytes(const TextFile &v);

// Text of the current line, without its line end; the line end stays unread.
QString ReadLineText(TextFile &v);
void SkipPastLineEnd(TextFile &v);
// True at the physical end of the file or before a byte 26 (end-of-file mark).
bool AtTextEnd(TextFile &v);
// The raw bytes of the current line of a variable read from memory, up to its line feed or the
// end of the data (neither included), left unread; false, and nothing, for any other variable
// or while an I/O error is pending. Lets a reader take a line of plain bytes without decoding.
bool PeekLineBytes(const TextFile &v, QByteArrayView &line);

// Writes the text right-aligned in at least width characters; never cuts it.
void WriteText(TextFile &v, const QString &text, int width = 0);
void WriteLineBreak(TextFile &v);
void CloseTextFile(TextFile &v);

// Gives a closed variable a buffer of `size` bytes (at least BufferSize) for its next opens,
// so that a long file is read or written in few system calls; the bytes read and written
// are the same. An open variable keeps its buffer.
void SetTextBuffer(TextFile &v, int size);

// Every byte written to the file from now on also goes to `digest` (an empty one: to none), so
// that a file's fingerprint costs no second reading.
void SetTextDigest(TextFile &v, std::function<void(QByteArrayView)> digest);

// For the window's error guard once an error has ended a handler: closes v if it is
// open (buffer written out), ignores any failure, and clears the pending code so
// that nothing left over from that handler is raised in the next one.
void CloseTextFileQuietly(TextFile &v);

// The I/O check: raises IoError with the pending code, if any, and clears it.
void CheckIo();
// The pending code, cleared; 0 when there is none.
int TakeIoError();

// Closes a variable that is still open when the scope ends (an error left the reading
// half-way); a variable the reading closed itself is left alone.
class CloseOnError {
public:
    explicit CloseOnError(TextFile &f) : f_(f) {}
    ~CloseOnError()
    {
        if (f_.isOpen())
            CloseTextFileQuietly(f_);
    }
    CloseOnError(const CloseOnError &) = delete;
    CloseOnError &operator=(const CloseOnError &) = delete;

private:
    TextFile &f_;
};
