#include "common/errors.h"
#include "common/text_file.h"
#include "tests/support/qt_print.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <functional>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class TextFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        TakeIoError();
    }
    void TearDown() override { EXPECT_EQ(TakeIoError(), 0) << "a pending I/O error was left behind"; }

    QString path(const QString &name) const { return dir.filePath(name); }

    void writeBytes(const QString &name, const QByteArray &bytes) const
    {
        QFile f(path(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_EQ(f.write(bytes), bytes.size());
    }

    QByteArray readBytes(const QString &name) const
    {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }

    qint64 sizeOnDisk(const QString &name) const { return QFileInfo(path(name)).size(); }

    enum class Reading { Streamed, Loaded, FromBytes };

    // The loop every reader of the program uses, over the file read as it goes, loaded whole,
    // or handed over as bytes.
    QStringList readAllLines(const QString &name, Reading how = Reading::Streamed) const
    {
        TextFile v;
        BindTextFile(v, path(name));
        if (how == Reading::Streamed)
            OpenTextForReading(v);
        else if (how == Reading::Loaded)
            LoadTextFile(v);
        else
            OpenTextOverBytes(v, readBytes(name));
        CheckIo();
        QStringList lines;
        while (!AtTextEnd(v)) {
            lines << ReadLineText(v);
            SkipPastLineEnd(v);
            CheckIo();
        }
        CloseTextFile(v);
        CheckIo();
        return lines;
    }

    QTemporaryDir dir;
};

int codeOf(const std::function<void()> &operation)
{
    try {
        operation();
        CheckIo();
    } catch (const IoError &e) {
        return e.code();
    }
    return 0;
}

TEST_F(TextFileTest, ReadsLinesWhateverTheirEnds)
{
    const QByteArray x127(127, 'x');
    const QByteArray x128(128, 'x');
    const QByteArray y300(300, 'y');
    const struct {
        const char *what;
        QByteArray bytes;
        QStringList lines;
    } cases[] = {
        {"CR LF", "ab\r\ncd\r\n", {"ab", "cd"}},
        {"LF alone", "ab\ncd\n", {"ab", "cd"}},
        {"CR CR LF", "ab\r\r\ncd\r\r\n", {"ab", "cd"}},
        {"last line without end", "ab\r\ncd", {"ab", "cd"}},
        {"lone CR is skipped", "a\rb\r\n", {"ab"}},
        {"CR at the very end", "ab\r", {"ab"}},
        {"empty file", "", {}},
        {"empty lines", "\r\n\r\n", {"", ""}},
        {"byte 26 at the start of the file",
         "\x1a"
         "ab\r\n",
         {}},
        {"byte 26 at the start of a line",
         "ab\r\n\x1a"
         "cd\r\nef\r\n",
         {"ab"}},
        {"byte 26 inside a line",
         "ab\x1a"
         "cd\r\nef\r\n",
         {"ab", "ef"}},
        {"byte 26 on the last line", "ab\r\ncd\x1a", {"ab", "cd"}},
        {"lone CR before byte 26",
         "ab\r\x1a"
         "cd\r\nef",
         {"ab", "ef"}},
        {"line of exactly 128 bytes", x128 + "\r\nz", {x128, "z"}},
        {"line longer than the buffer", y300 + "\r\n" + y300, {y300, y300}},
        {"CR LF across the buffer edge", x127 + "\r\nz", {x127, "z"}},
        {"CR CR LF across the buffer edge", x127 + "\r\r\nz", {x127, "z"}},
        {"byte 26 first in the second buffer",
         x127 + "\n\x1a"
                "z",
         {x127}},
        {"code page bytes",
         "\xd1"
         "and\xfa\r\n\x80",
         {QString::fromUtf16(u"\u00d1and\u00fa"), QString::fromUtf16(u"\u20ac")}},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        writeBytes("in.txt", c.bytes);
        for (const Reading how : {Reading::Streamed, Reading::Loaded, Reading::FromBytes})
            EXPECT_EQ(readAllLines("in.txt", how), c.lines) << "reading " << static_cast<int>(how);
    }
}

TEST_F(TextFileTest, WritesRightAlignedThroughTheCodePage)
{
    const struct {
        QString text;
        int width;
        QByteArray bytes;
    } cases[] = {
        {"abc", 6, "   abc"},
        {"abc", 3, "abc"},
        {"abc", 2, "abc"},
        {"abc", 0, "abc"},
        {"", 3, "   "},
        {"abc", -4, "abc"},
        {QString::fromUtf16(u"\u00d1and\u00fa"), 6,
         " \xd1"
         "and\xfa"},
        {QString::fromUtf16(u"\u0100"), 0, "A"},
        {QString::fromUtf16(u"\U0001F600"), 2, " ?"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        TextFile v;
        BindTextFile(v, path("out.txt"));
        CreateTextFile(v);
        CheckIo();
        WriteText(v, c.text, c.width);
        WriteLineBreak(v);
        CheckIo();
        CloseTextFile(v);
        CheckIo();
        EXPECT_EQ(readBytes("out.txt"), c.bytes + "\r\n");
    }
}

TEST_F(TextFileTest, BytesReachTheDiskWhenTheBufferFillsAndOnClose)
{
    TextFile v;
    BindTextFile(v, path("out.txt"));
    CreateTextFile(v);
    CheckIo();
    WriteText(v, QString(127, 'a'));
    EXPECT_EQ(sizeOnDisk("out.txt"), 0);
    WriteText(v, "b");
    EXPECT_EQ(sizeOnDisk("out.txt"), 128);
    WriteText(v, QString(300, 'c'));
    EXPECT_EQ(sizeOnDisk("out.txt"), 384);
    WriteLineBreak(v);
    CheckIo();
    EXPECT_EQ(sizeOnDisk("out.txt"), 384);
    CloseTextFile(v);
    CheckIo();
    EXPECT_EQ(readBytes("out.txt"), QByteArray(127, 'a') + "b" + QByteArray(300, 'c') + "\r\n");
}

TEST_F(TextFileTest, ReopeningWritesOutTheBufferFirst)
{
    writeBytes("out.txt", "old contents\r\n");
    TextFile v;
    BindTextFile(v, path("out.txt"));
    CreateTextFile(v);
    CheckIo();
    WriteText(v, "first");
    OpenTextForAppending(v);
    CheckIo();
    EXPECT_EQ(readBytes("out.txt"), "first");
    WriteText(v, "second");
    WriteLineBreak(v);
    CheckIo();
    OpenTextForAppending(v);
    CheckIo();
    WriteText(v, "third", 7);
    OpenTextForReading(v);
    CheckIo();
    EXPECT_EQ(ReadLineText(v), "firstsecond");
    SkipPastLineEnd(v);
    EXPECT_EQ(ReadLineText(v), "  third");
    SkipPastLineEnd(v);
    EXPECT_TRUE(AtTextEnd(v));
    CloseTextFile(v);
    CheckIo();
}

TEST_F(TextFileTest, AppendingKeepsEndOfFileMarks)
{
    writeBytes("out.txt", "ab\r\n\x1a");
    TextFile v;
    BindTextFile(v, path("out.txt"));
    OpenTextForAppending(v);
    CheckIo();
    WriteText(v, "cd");
    CloseTextFile(v);
    CheckIo();
    EXPECT_EQ(readBytes("out.txt"), "ab\r\n\x1a"
                                    "cd");
}

TEST_F(TextFileTest, DestroyingAnOpenFileWritesItOut)
{
    {
        TextFile v;
        BindTextFile(v, path("out.txt"));
        CreateTextFile(v);
        CheckIo();
        WriteText(v, "kept");
    }
    EXPECT_EQ(readBytes("out.txt"), "kept");
}

TEST_F(TextFileTest, FailedOpensGiveTheDesktopCodes)
{
    writeBytes("plain.txt", "x");
    ASSERT_TRUE(QDir(dir.path()).mkdir("folder"));
    const struct {
        const char *what;
        void (*open)(TextFile &);
        QString name;
        int code;
    } cases[] = {
        {"read a missing file", OpenTextForReading, "missing.txt", 2},
        {"load a missing file", LoadTextFile, "missing.txt", 2},
        {"load in a missing folder", LoadTextFile, "nofolder/a.txt", 3},
        {"load a folder", LoadTextFile, "folder", 5},
        {"append to a missing file", OpenTextForAppending, "missing.txt", 2},
        {"read in a missing folder", OpenTextForReading, "nofolder/a.txt", 3},
        {"create in a missing folder", CreateTextFile, "nofolder/a.txt", 3},
        {"create below a plain file", CreateTextFile, "plain.txt/a.txt", 3},
        {"read a folder", OpenTextForReading, "folder", 5},
        {"create over a folder", CreateTextFile, "folder", 5},
        {"append to a folder", OpenTextForAppending, "folder", 5},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        TextFile v;
        BindTextFile(v, path(c.name));
        EXPECT_EQ(codeOf([&] { c.open(v); }), c.code);
        EXPECT_FALSE(v.isOpen());
    }
    // A file that opens but cannot be read (the first bytes of the process's own memory are
    // never mapped) is a read fault, and loading it leaves nothing open.
    TextFile v;
    BindTextFile(v, QStringLiteral("/proc/self/mem"));
    EXPECT_EQ(codeOf([&] { LoadTextFile(v); }), 30);
    EXPECT_FALSE(v.isOpen());
}

TEST_F(TextFileTest, ErrorMessagesAsTheClerkSeesThem)
{
    TextFile v;
    BindTextFile(v, path("nofolder/a.txt"));
    CreateTextFile(v);
    try {
        CheckIo();
        FAIL() << "no error raised";
    } catch (const IoError &e) {
        EXPECT_EQ(DefaultErrorBoxText(e.message()), "Invalid file name - %s.");
    }
    EXPECT_NO_THROW(CheckIo()) << "the check clears the code";
}

TEST_F(TextFileTest, OperationsInTheWrongModeAreRefused)
{
    writeBytes("in.txt", "ab\r\n");
    enum Setup { Closed, Reading, Writing };
    const struct {
        const char *what;
        Setup setup;
        std::function<void(TextFile &)> operation;
        int code;
    } cases[] = {
        {"read from a closed file", Closed, [](TextFile &v) { ReadLineText(v); }, 103},
        {"skip in a closed file", Closed, SkipPastLineEnd, 103},
        {"end of a closed file", Closed, [](TextFile &v) { EXPECT_TRUE(AtTextEnd(v)); }, 103},
        {"write to a closed file", Closed, [](TextFile &v) { WriteText(v, "x", 0); }, 103},
        {"line break in a closed file", Closed, WriteLineBreak, 103},
        {"close a closed file", Closed, CloseTextFile, 103},
        {"read from a file being written", Writing, [](TextFile &v) { ReadLineText(v); }, 104},
        {"skip in a file being written", Writing, SkipPastLineEnd, 104},
        {"end of a file being written", Writing, [](TextFile &v) { EXPECT_TRUE(AtTextEnd(v)); }, 104},
        {"write to a file being read", Reading, [](TextFile &v) { WriteText(v, "x", 0); }, 105},
        {"line break in a file being read", Reading, WriteLineBreak, 105},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        TextFile v;
        if (c.setup == Reading) {
            BindTextFile(v, path("in.txt"));
            OpenTextForReading(v);
        } else if (c.setup == Writing) {
            BindTextFile(v, path("out.txt"));
            CreateTextFile(v);
        }
        ASSERT_EQ(TakeIoError(), 0);
        EXPECT_EQ(codeOf([&] { c.operation(v); }), c.code);
    }
}

TEST_F(TextFileTest, AnErrorThatEndsAHandlerClosesTheFile)
{
    writeBytes("decl.txt", "one\r\ntwo\r\nthree\r\n");
    TextFile ff;
    BindTextFile(ff, path("decl.txt"));
    OpenTextForReading(ff);
    CheckIo();
    EXPECT_EQ(ReadLineText(ff), "one");
    SkipPastLineEnd(ff);
    // The reload stops at a line it cannot convert, with a read left unchecked.
    ReadLineText(ff);
    WriteLineBreak(ff);
    CloseTextFileQuietly(ff);
    EXPECT_FALSE(ff.isOpen());
    EXPECT_NO_THROW(CheckIo());

    EXPECT_EQ(readAllLines("decl.txt"), QStringList({"one", "two", "three"}));

    TextFile f;
    BindTextFile(f, path("decl.txt"));
    CreateTextFile(f);
    CheckIo();
    WriteText(f, "new");
    CloseTextFileQuietly(f);
    EXPECT_EQ(readBytes("decl.txt"), "new");
    CloseTextFileQuietly(f); // closing a closed variable is harmless here
}

TEST_F(TextFileTest, AFullDiskIsReportedOnWrite)
{
    if (!QFileInfo::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    TextFile v;
    BindTextFile(v, "/dev/full");
    OpenTextForAppending(v);
    CheckIo();
    WriteText(v, QString(100, 'a'));
    EXPECT_EQ(TakeIoError(), 0) << "nothing is written before the buffer fills";
    EXPECT_EQ(codeOf([&] {
                  WriteText(v, QString(100, 'b'));
                  WriteLineBreak(v);
              }),
              101);
    WriteText(v, "c");
    EXPECT_EQ(codeOf([&] { CloseTextFile(v); }), 101) << "the close writes out the rest";
    EXPECT_FALSE(v.isOpen());
}

// Runs the body in a child process with the given credentials and limits and
// returns what the child reports through its exit status (255 when it could not
// take them on).
int inChild(const std::function<int()> &body)
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(body());
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

int openAsNobody(void (*open)(TextFile &), const QString &name)
{
    return inChild([&] {
        if (::getuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0))
            return 255;
        TextFile v;
        BindTextFile(v, name);
        open(v);
        return TakeIoError();
    });
}

TEST_F(TextFileTest, AccessDeniedWhereTheClerkMayNotWrite)
{
    ASSERT_TRUE(QDir(dir.path()).mkdir("locked"));
    writeBytes("secret.txt", "x");
    // The child, as nobody, must reach the folder of the temporary directory.
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), 0755), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(path("locked")).constData(), 0555), 0);
    ASSERT_EQ(::chmod(QFile::encodeName(path("secret.txt")).constData(), 0), 0);

    const struct {
        const char *what;
        void (*open)(TextFile &);
        QString name;
    } cases[] = {
        {"create in a read-only folder", CreateTextFile, "locked/decl.txt"},
        {"read an unreadable file", OpenTextForReading, "secret.txt"},
        {"append to an unwritable file", OpenTextForAppending, "secret.txt"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.what);
        const int code = openAsNobody(c.open, path(c.name));
        if (code == 255)
            GTEST_SKIP() << "cannot drop privileges here";
        EXPECT_EQ(code, 5);
    }
    EXPECT_EQ(IoError(5).message(), "File access denied");
}

TEST_F(TextFileTest, TooManyOpenFiles)
{
    writeBytes("in.txt", "x");
    const QString name = path("in.txt");
    const int code = inChild([&] {
        // Leave no descriptor free for the open.
        const int spare = ::open("/dev/null", O_RDONLY);
        if (spare < 0)
            return 255;
        const rlimit limit{static_cast<rlim_t>(spare), static_cast<rlim_t>(spare)};
        if (::setrlimit(RLIMIT_NOFILE, &limit) != 0)
            return 255;
        TextFile v;
        BindTextFile(v, name);
        OpenTextForReading(v);
        return TakeIoError();
    });
    if (code == 255)
        GTEST_SKIP() << "cannot lower the descriptor limit";
    EXPECT_EQ(code, 4);
}

} // namespace

namespace {
// A larger buffer changes how often the disk is reached, never the bytes: lines longer than
// the buffer, lines ending exactly at its edge, and a file many buffers long.
TEST_F(TextFileTest, ALargerBufferReadsAndWritesTheSameBytes)
{
    const QString longLine(200, 'x');
    QStringList lines;
    for (int i = 0; i < 3000; ++i)
        lines << (i % 7 == 0 ? longLine : QString::number(i));
    for (const int size : {TextFile::BufferSize, 256, LongFileBuffer}) {
        SCOPED_TRACE(size);
        TextFile v;
        BindTextFile(v, path("big.txt"));
        SetTextBuffer(v, size);
        CreateTextFile(v);
        for (const QString &line : lines) {
            WriteText(v, line);
            WriteLineBreak(v);
        }
        CloseTextFile(v);
        CheckIo();
        EXPECT_EQ(readBytes("big.txt"), lines.join(QStringLiteral("\r\n")).toLatin1() + "\r\n");

        // Read as it goes, then loaded whole; the variable writes through its own buffer again after.
        for (void (*open)(TextFile &) : {OpenTextForReading, LoadTextFile}) {
            QStringList read;
            open(v);
            while (!AtTextEnd(v)) {
                read << ReadLineText(v);
                SkipPastLineEnd(v);
            }
            CloseTextFile(v);
            CheckIo();
            EXPECT_EQ(read, lines);
        }
        CreateTextFile(v);
        WriteText(v, lines.first());
        CloseTextFile(v);
        CheckIo();
        EXPECT_EQ(readBytes("big.txt"), lines.first().toLatin1());
    }
}
} // namespace
