#include "declaration/kept_copies.h"

#include "common/errors.h"
#include "tests/support/qt_print.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <functional>

#include <sys/stat.h>
#include <unistd.h>

namespace {
const QString Base = QStringLiteral("17300415");
const QDateTime Written(QDate(2026, 12, 9), QTime(10, 31, 5));
const QString Stem = QStringLiteral("17300415 2026-12-09 10.31.05");

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeAll(const QString &path, const QByteArray &bytes, const QDateTime &when = Written)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(when, QFileDevice::FileModificationTime));
}

// A listing whose last page names the fingerprint of a declaration of these bytes.
QByteArray listingOf(const QByteArray &declared)
{
    const QByteArray sha = QCryptographicHash::hash(declared, QCryptographicHash::Sha256).toHex();
    return "%PDF (Archivo 17300415.txt: 1 retenci\363n, total 1.00, SHA-256 " + sha.left(16) + ") Tj";
}
const QByteArray Earlier = "EARLIER\r\r\n";

ino_t inode(const QString &path)
{
    struct stat info;
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

QStringList entries(const QString &folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System | QDir::Hidden,
                                  QDir::Name);
}

class Kept : public ::testing::Test {
public:
    QString path(const QString &name) const { return root + QLatin1Char('/') + name; }
    QString declaration() const { return path(Base + ".txt"); }
    QString listing() const { return path(QStringLiteral("program/") + Base + ".pdf"); }
    QString kept(const QString &name) const { return path(QStringLiteral("anteriores/") + name); }

    void SetUp() override { fresh(); }
    // A folder of its own for the next case, with the program folder in it.
    void fresh()
    {
        root = dir.filePath(QString::number(++cases));
        ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("program"))));
    }

    QTemporaryDir dir;
    QString root;
    int cases = 0;
};
} // namespace

TEST(KeptStem, SortsByTime)
{
    EXPECT_EQ(keptStem(Base, Written), Stem);
    EXPECT_EQ(keptStem(Base, Written, 2), Stem + "_2");
    EXPECT_EQ(keptStem(QStringLiteral("17A00415"), QDateTime(QDate(2027, 1, 2), QTime(3, 4, 5))),
              QStringLiteral("17A00415 2027-01-02 03.04.05"));
    // Names of one base name sort as their times do, a second one of the same second after it.
    QStringList names{keptStem(Base, Written.addSecs(60)) + ".txt", keptStem(Base, Written, 2) + ".txt",
                      keptStem(Base, Written) + ".txt", keptStem(Base, Written.addDays(-40)) + ".txt"};
    names.sort();
    EXPECT_EQ(names, (QStringList{keptStem(Base, Written.addDays(-40)) + ".txt", Stem + ".txt",
                                  Stem + "_2.txt", keptStem(Base, Written.addSecs(60)) + ".txt"}));
}

// What is there before the generation, and what the kept folder holds after keeping it: a second
// name of the same file, never a changed one, and the earlier files still in their places.
TEST_F(Kept, WhatThereIsIsKeptUnderItsTime)
{
    const struct {
        const char *name;
        std::function<void(Kept &)> prepare;
        QStringList kept; // the kept folder's names afterwards; empty: no folder
        bool sameFile;    // the kept declaration is a second name of the earlier one
    } cases[] = {
        {"nothing there", [](Kept &) {}, {}, false},
        {"the declaration alone",
         [](Kept &t) { writeAll(t.declaration(), "EARLIER\r\r\n"); },
         {Stem + ".txt"},
         true},
        {"the declaration and its listing",
         [](Kept &t) {
             writeAll(t.declaration(), Earlier);
             writeAll(t.listing(), listingOf(Earlier), Written.addSecs(2));
         },
         {Stem + ".pdf", Stem + ".txt"},
         true},
        {"the declaration and another declaration's listing of its name",
         [](Kept &t) {
             writeAll(t.declaration(), Earlier);
             writeAll(t.listing(), listingOf("ANOTHER FOLDER'S\r\r\n"), Written.addSecs(2));
         },
         {Stem + ".txt"},
         true},
        {"a listing alone, of a declaration elsewhere",
         [](Kept &t) { writeAll(t.listing(), listingOf(Earlier)); },
         {},
         false},
        {"a name taken by another file of the same second",
         [](Kept &t) {
             QDir(t.root).mkdir("anteriores");
             writeAll(t.kept(Stem + ".txt"), "OTHER\r\r\n");
             writeAll(t.declaration(), "EARLIER\r\r\n");
         },
         {Stem + ".txt", Stem + "_2.txt"},
         true},
        {"a copy an interrupted generation made already",
         [](Kept &t) {
             writeAll(t.declaration(), "EARLIER\r\r\n");
             QDir(t.root).mkdir("anteriores");
             ASSERT_EQ(::link(QFile::encodeName(t.declaration()).constData(),
                              QFile::encodeName(t.kept(Stem + ".txt")).constData()),
                       0);
         },
         {Stem + ".txt"},
         true},
        {"a link under the declaration's name",
         [](Kept &t) {
             writeAll(t.path("elsewhere"), "NOT MINE");
             ASSERT_TRUE(QFile::link(t.path("elsewhere"), t.declaration()));
         },
         {},
         false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        fresh();
        c.prepare(*this);
        const QByteArray declared = readAll(declaration());
        KeptDeclaration k = keepEarlierDeclaration(declaration(), listing(), Base);
        EXPECT_EQ(entries(path("anteriores")), c.kept);
        EXPECT_EQ(readAll(declaration()), declared) << "the earlier declaration stays in its place";
        if (c.sameFile) {
            EXPECT_EQ(inode(k.file), inode(declaration()));
            EXPECT_EQ(readAll(k.file), "EARLIER\r\r\n");
        }
        if (!k.listing.isEmpty()) {
            EXPECT_EQ(readAll(k.listing), listingOf(Earlier));
            EXPECT_EQ(QFileInfo(k.listing).fileName(), QFileInfo(k.filePlace).completeBaseName() + ".pdf");
        }
    }
}

// Undoing takes away only what the keeping made, and the kept folder it made when it is empty.
TEST_F(Kept, UndoTakesAwayOnlyWhatItMade)
{
    writeAll(declaration(), Earlier);
    writeAll(listing(), listingOf(Earlier));
    KeptDeclaration first = keepEarlierDeclaration(declaration(), listing(), Base);
    first.undo();
    EXPECT_FALSE(QFileInfo::exists(path("anteriores")));
    EXPECT_EQ(readAll(declaration()), "EARLIER\r\r\n");
    EXPECT_EQ(readAll(listing()), listingOf(Earlier));

    // A copy found there is not the undo's to take away, nor is the folder that holds it.
    KeptDeclaration made = keepEarlierDeclaration(declaration(), listing(), Base);
    KeptDeclaration found = keepEarlierDeclaration(declaration(), listing(), Base);
    EXPECT_EQ(found.file, made.file);
    found.undo();
    EXPECT_EQ(entries(path("anteriores")), (QStringList{Stem + ".pdf", Stem + ".txt"}));

    // The new listing could not be written: the earlier one leaves the new one's place, kept.
    made.dropEarlierListing(listing());
    EXPECT_FALSE(QFileInfo::exists(listing()));
    EXPECT_EQ(readAll(made.listing), listingOf(Earlier));
}

// A kept folder that is not a real folder of the clerk's is refused before anything is kept:
// nothing is written through a link planted under its name.
TEST_F(Kept, AKeptFolderThatIsNoRealFolderIsRefused)
{
    const struct {
        const char *name;
        std::function<void(Kept &)> plant;
    } cases[] = {
        {"a link to another folder",
         [](Kept &t) {
             QDir(t.root).mkdir("victim");
             ASSERT_TRUE(QFile::link(t.path("victim"), t.path("anteriores")));
         }},
        {"a plain file", [](Kept &t) { writeAll(t.path("anteriores"), "FILE"); }},
        {"a dangling link",
         [](Kept &t) { ASSERT_TRUE(QFile::link(t.path("nowhere"), t.path("anteriores"))); }},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        fresh();
        writeAll(declaration(), "EARLIER\r\r\n");
        c.plant(*this);
        try {
            keepEarlierDeclaration(declaration(), listing(), Base);
            ADD_FAILURE() << "not refused";
        } catch (const FileError &e) {
            EXPECT_TRUE(e.message().contains("no es una carpeta suya")) << e.message().toStdString();
            EXPECT_TRUE(e.message().contains("la anterior sigue como estaba")) << e.message().toStdString();
        }
        EXPECT_EQ(entries(path("victim")), QStringList());
        EXPECT_FALSE(QFileInfo::exists(path("nowhere")));
        EXPECT_EQ(readAll(declaration()), "EARLIER\r\r\n");
    }
}
