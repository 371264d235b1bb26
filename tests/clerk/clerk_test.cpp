// The program as the ordinary users of an office machine run it, with /tmp/firebird as Debian's
// server package leaves it (firebird:firebird, 0770): a clerk outside group firebird, a clerk in
// it, and a neighbour who plants links and folders where the clerk works. The test runs as root
// and takes each step as one of them through setpriv; run by anyone else it is skipped.

#include "db/engine.h"
#include "declaration/reten_store.h"
#include "tests/support/qt_print.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <grp.h>
#include <iterator>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
struct Account {
    QString name;
    uid_t uid = 0;
    gid_t gid = 0;
};

struct Outcome {
    int exitCode = -1;
    QString output; // standard output and error together
};

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

void writeAll(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly))
        file.write(bytes);
}

Outcome runAsRoot(const QString &program, const QStringList &args)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    p.closeWriteChannel();
    if (!p.waitForFinished(240000))
        p.kill();
    p.waitForFinished();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, QString::fromLocal8Bit(p.readAll())};
}

// The account, made when missing; false when it cannot be had.
bool account(const char *name, bool inFirebirdGroup, Account &a)
{
    if (!::getpwnam(name)) {
        QStringList args{QStringLiteral("--no-create-home"), QStringLiteral("--shell"),
                         QStringLiteral("/bin/sh")};
        if (inFirebirdGroup)
            args << QStringLiteral("--groups") << QStringLiteral("firebird");
        runAsRoot(QStringLiteral("useradd"), args << QLatin1String(name));
    } else if (inFirebirdGroup) {
        runAsRoot(QStringLiteral("usermod"),
                  {QStringLiteral("-aG"), QStringLiteral("firebird"), QLatin1String(name)});
    }
    const passwd *p = ::getpwnam(name);
    if (!p)
        return false;
    a = Account{QLatin1String(name), p->pw_uid, p->pw_gid};
    return true;
}

const QString Declaration = QStringLiteral("17300415.txt");
const QString Listing = QStringLiteral("17300415.pdf");

class AsClerk : public testing::Test {
protected:
    void SetUp() override
    {
        if (::geteuid() != 0)
            GTEST_SKIP() << "only root can act as the office's users";
        const group *firebird = ::getgrnam("firebird");
        const passwd *engine = ::getpwnam("firebird");
        ASSERT_TRUE(firebird && engine) << "no firebird account (scripts/setup installs the server package)";
        const uid_t engineUid = engine->pw_uid;
        const gid_t engineGid = firebird->gr_gid;
        ASSERT_TRUE(account("retclerk", false, clerk_) && account("retgroup", true, member_) &&
                    account("retneighbour", false, neighbour_));
        // The machine's lock folder as Debian's package leaves it.
        QDir().mkpath(QStringLiteral("/tmp/firebird"));
        ASSERT_EQ(::chown("/tmp/firebird", engineUid, engineGid), 0);
        ASSERT_EQ(::chmod("/tmp/firebird", 0770), 0);

        // Copies of the programs where every user reaches them: the build folder may not be.
        ASSERT_TRUE(base_.isValid());
        ::chmod(qPrintable(base_.path()), 0755);
        QDir().mkpath(path(QStringLiteral("bin")));
        for (const char *program : {GENERATION_CHILD, GENERATION_SOAK, CREATE_DATABASE_TOOL, RETEN_PEER,
                                    RETEN_SQL, CERTIFICATES_CHILD}) {
            const QString from = QString::fromLocal8Bit(program);
            ASSERT_TRUE(QFile::copy(from, bin(QFileInfo(from).fileName())));
        }
        for (const Account &a : {clerk_, member_, neighbour_}) {
            const QString home = this->home(a);
            QDir().mkpath(home + QStringLiteral("/work"));
            runAsRoot(QStringLiteral("chown"),
                      {QStringLiteral("-R"), QStringLiteral("%1:%2").arg(a.uid).arg(a.gid), home});
            ::chmod(qPrintable(home), 0700);
        }
    }

    QString path(const QString &name) const { return base_.filePath(name); }
    QString bin(const QString &name) const { return path(QStringLiteral("bin/") + name); }
    QString home(const Account &a) const { return path(QStringLiteral("home-") + a.name); }
    QString database(const Account &a) const { return home(a) + QStringLiteral("/RETENCIONES.FDB"); }

    QStringList environment(const Account &a, const QStringList &extra) const
    {
        return QStringList{QStringLiteral("HOME=") + home(a),
                           QStringLiteral("PATH=/usr/sbin:/usr/bin:/sbin:/bin"),
                           QStringLiteral("LANG=C.UTF-8"), QStringLiteral("QT_QPA_PLATFORM=offscreen")} +
               extra;
    }
    QStringList asUser(const Account &a, const QStringList &command, const QStringList &extra = {}) const
    {
        return QStringList{QStringLiteral("--reuid=%1").arg(a.uid), QStringLiteral("--regid=%1").arg(a.gid),
                           QStringLiteral("--init-groups"), QStringLiteral("env"), QStringLiteral("-i")} +
               environment(a, extra) + command;
    }
    Outcome run(const Account &a, const QStringList &command, const QStringList &extra = {}) const
    {
        return runAsRoot(QStringLiteral("setpriv"), asUser(a, command, extra));
    }

    Outcome createDatabase(const Account &a) const
    {
        return run(a,
                   {bin(QStringLiteral("create_database")), database(a), bin(QStringLiteral("reten.sql"))});
    }
    // A declaration of 500 rows made by the account in `folder` (the listing goes there too).
    Outcome generate(const Account &a, const QString &folder, const QString &tag,
                     const QStringList &extra = {}) const
    {
        return run(a,
                   {bin(QStringLiteral("generation_child")), QStringLiteral("generate"), database(a), folder,
                    folder, tag},
                   extra);
    }
    QStringList reten(const Account &a) const
    {
        const Outcome r =
            run(a, {bin(QStringLiteral("generation_child")), QStringLiteral("reten"), database(a)});
        return r.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

    QTemporaryDir base_;
    Account clerk_, member_, neighbour_;
};

// Another program on the database: the store of reten_peer, run by root or by an account.
class Peer {
public:
    Peer(const QStringList &command)
    {
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        process_.start(command.first(), command.mid(1));
        process_.waitForStarted(10000);
    }
    ~Peer()
    {
        process_.closeWriteChannel();
        if (!process_.waitForFinished(20000))
            process_.kill();
        process_.waitForFinished();
    }
    QString run(const char *command)
    {
        process_.write(QByteArray(command) + '\n');
        while (!process_.canReadLine())
            if (!process_.waitForReadyRead(30000))
                return QStringLiteral("no answer");
        return QString::fromUtf8(process_.readLine()).trimmed();
    }

private:
    QProcess process_;
};

Outcome gbak(const QString &database, const QString &backup)
{
    QFile::remove(backup);
    return runAsRoot(QStringLiteral("gbak"),
                     {QStringLiteral("-b"), QStringLiteral("-user"), RetenStore::UserName,
                      QStringLiteral("-password"), RetenStore::Password, database, backup});
}
} // namespace

// Outside group firebird the clerk's engine opens the database for itself alone: root's engine
// (a backup, a second program) and his are refused while the other holds the file, with a
// message that says why, and nothing he declared is lost.
TEST_F(AsClerk, OutsideTheGroupTheDatabaseIsHisAlone)
{
    ASSERT_EQ(createDatabase(clerk_).exitCode, 0);
    const QString work = home(clerk_) + QStringLiteral("/work");
    Outcome made = generate(clerk_, work, QStringLiteral("A"));
    ASSERT_EQ(made.exitCode, 0) << made.output.toStdString();
    const QByteArray declared = readAll(work + QLatin1Char('/') + Declaration);
    ASSERT_EQ(declared.size(), 500 * 198);
    ASSERT_EQ(reten(clerk_).size(), 500);

    {
        Peer root({QStringLiteral(RETEN_PEER), database(clerk_)});
        ASSERT_EQ(root.run("finish"), QStringLiteral("ok"));
        const Outcome refused = generate(clerk_, work, QStringLiteral("B"));
        EXPECT_NE(refused.exitCode, 0);
        EXPECT_TRUE(refused.output.contains(openElsewhereText(true))) << refused.output.toStdString();
        EXPECT_EQ(readAll(work + QLatin1Char('/') + Declaration), declared);
    }
    {
        Peer his(QStringList{QStringLiteral("setpriv")} +
                 asUser(clerk_, {bin(QStringLiteral("reten_peer")), database(clerk_)}));
        ASSERT_EQ(his.run("clear"), QStringLiteral("ok"));
        const Outcome backup = gbak(database(clerk_), path(QStringLiteral("backup.fbk")));
        EXPECT_NE(backup.exitCode, 0);
        EXPECT_TRUE(backup.output.contains(QLatin1String("already opened"))) << backup.output.toStdString();
    }
    const Outcome backup = gbak(database(clerk_), path(QStringLiteral("backup.fbk")));
    EXPECT_EQ(backup.exitCode, 0) << backup.output.toStdString();
    made = generate(clerk_, work, QStringLiteral("B"));
    EXPECT_EQ(made.exitCode, 0) << made.output.toStdString();
    EXPECT_EQ(reten(clerk_).size(), 500);
}

// In group firebird the clerk shares the file with root's engine: the backup runs beside his
// program, and a generation of another program makes his wait with the message that says so.
TEST_F(AsClerk, InTheGroupTheDatabaseIsShared)
{
    ASSERT_EQ(createDatabase(member_).exitCode, 0);
    const QString work = home(member_) + QStringLiteral("/work");
    {
        Peer root({QStringLiteral(RETEN_PEER), database(member_)});
        ASSERT_EQ(root.run("clear"), QStringLiteral("ok"));
        ASSERT_EQ(root.run("reserve"), QStringLiteral("ok"));
        const Outcome refused = generate(member_, work, QStringLiteral("A"));
        EXPECT_NE(refused.exitCode, 0);
        EXPECT_TRUE(refused.output.contains(RetenStore::busyText())) << refused.output.toStdString();
        EXPECT_FALSE(QFileInfo::exists(work + QLatin1Char('/') + Declaration));
        ASSERT_EQ(root.run("finish"), QStringLiteral("ok"));
        const Outcome made = generate(member_, work, QStringLiteral("A"));
        EXPECT_EQ(made.exitCode, 0) << made.output.toStdString();
    }
    Peer his(QStringList{QStringLiteral("setpriv")} +
             asUser(member_, {bin(QStringLiteral("reten_peer")), database(member_)}));
    ASSERT_EQ(his.run("finish"), QStringLiteral("ok"));
    const Outcome backup = gbak(database(member_), path(QStringLiteral("backup.fbk")));
    EXPECT_EQ(backup.exitCode, 0) << backup.output.toStdString();
    EXPECT_EQ(reten(member_).size(), 500);
}

// The short kill soak, as the clerk outside the group.
TEST_F(AsClerk, KilledGenerationsLoseNothing)
{
    const Outcome soak =
        run(clerk_,
            {bin(QStringLiteral("generation_soak")), QStringLiteral("--kills"), QStringLiteral("3"),
             QStringLiteral("--terms"), QStringLiteral("1")},
            {QStringLiteral("RETENCIONES_SOAK_CHILD=") + bin(QStringLiteral("generation_child")),
             QStringLiteral("RETENCIONES_SOAK_CREATE_DATABASE=") + bin(QStringLiteral("create_database")),
             QStringLiteral("RETENCIONES_SOAK_SQL=") + bin(QStringLiteral("reten.sql"))});
    EXPECT_EQ(soak.exitCode, 0) << soak.output.toStdString();
}

// The neighbour plants links under every name the generation might use, in the shared folder
// where the clerk declares, pointing at the clerk's own files. None of them is written through;
// where the folder lets the clerk replace the neighbour's link, the declaration is made, and
// where it does not (the sticky bit), the clerk is told and nothing is committed.
TEST_F(AsClerk, PlantedLinksChangeNothingOfTheClerks)
{
    ASSERT_EQ(createDatabase(clerk_).exitCode, 0);
    const struct {
        const char *name;
        mode_t mode;
        bool declared;
    } cases[] = {{"shared folder", 0777, true}, {"shared folder with the sticky bit", 01777, false}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString office = path(QStringLiteral("office-%1").arg(c.mode, 0, 8));
        ASSERT_TRUE(QDir().mkpath(office));
        ::chmod(qPrintable(office), c.mode);
        QStringList victims;
        for (const QString &name : {Declaration, Declaration + QStringLiteral(".tmp"), Listing}) {
            const QString victim = home(clerk_) + QStringLiteral("/victim-") + name;
            writeAll(victim, "MINE");
            ::chown(qPrintable(victim), clerk_.uid, clerk_.gid);
            victims << victim;
            ASSERT_EQ(run(neighbour_, {QStringLiteral("ln"), QStringLiteral("-s"), victim,
                                       office + QLatin1Char('/') + name})
                          .exitCode,
                      0);
        }
        const Outcome made = generate(clerk_, office, QStringLiteral("A"));
        for (const QString &victim : victims)
            EXPECT_EQ(readAll(victim), "MINE") << victim.toStdString();
        EXPECT_EQ(made.exitCode == 0, c.declared) << made.output.toStdString();
        struct stat info;
        const QString declaration = office + QLatin1Char('/') + Declaration;
        ASSERT_EQ(::lstat(qPrintable(declaration), &info), 0);
        if (c.declared) {
            EXPECT_TRUE(S_ISREG(info.st_mode) && info.st_uid == clerk_.uid);
            EXPECT_EQ(readAll(declaration).size(), 500 * 198);
            EXPECT_EQ(reten(clerk_).size(), 500);
            ASSERT_EQ(::lstat(qPrintable(office + QLatin1Char('/') + Listing), &info), 0);
            EXPECT_TRUE(S_ISREG(info.st_mode) && info.st_uid == clerk_.uid);
        } else {
            EXPECT_TRUE(S_ISLNK(info.st_mode));
            EXPECT_TRUE(made.output.contains(QLatin1String("File access denied")))
                << made.output.toStdString();
            EXPECT_EQ(reten(clerk_), QStringList());
        }
        EXPECT_EQ(
            QDir(office).entryList({Declaration + QStringLiteral(".*.tmp")}, QDir::Files | QDir::System),
            QStringList());
    }
}

// Lock folders the neighbour planted are never used, and the clerk's own private folder is
// refused with a message when it is not his alone.
TEST_F(AsClerk, PlantedLockFoldersAreNeverUsed)
{
    ASSERT_EQ(createDatabase(clerk_).exitCode, 0);
    const QString work = home(clerk_) + QStringLiteral("/work");
    const QString own = home(clerk_) + QStringLiteral("/.cache/Retenciones/firebird-lock");
    const QString planted = QStringLiteral("/tmp/firebird-%1").arg(clerk_.uid);
    const QString runtime = path(QStringLiteral("neighbour-run"));
    const struct {
        const char *name;
        std::function<void()> prepare;
        QStringList environment;
        const char *refusal; // nullptr: the declaration is made
    } cases[] = {
        {"the folder of the old name, made by the neighbour and open to all",
         [&] {
             run(neighbour_,
                 {QStringLiteral("sh"), QStringLiteral("-c"), QStringLiteral("mkdir -m 0777 ") + planted});
         },
         {},
         nullptr},
        {"a runtime folder of the neighbour's",
         [&] {
             run(neighbour_,
                 {QStringLiteral("sh"), QStringLiteral("-c"), QStringLiteral("mkdir -m 0777 ") + runtime});
         },
         {QStringLiteral("XDG_RUNTIME_DIR=") + runtime},
         nullptr},
        {"his own lock folder, open to others",
         [&] {
             run(clerk_, {QStringLiteral("chmod"), QStringLiteral("0755"), own});
         },
         {},
         "no es una carpeta propia"},
        {"a file under its name",
         [&] {
             run(clerk_, {QStringLiteral("sh"), QStringLiteral("-c"),
                          QStringLiteral("rm -rf %1 && touch %1").arg(own)});
         },
         {},
         "no es una carpeta propia"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        c.prepare();
        const Outcome made = generate(clerk_, work, QStringLiteral("A"), c.environment);
        if (c.refusal) {
            EXPECT_NE(made.exitCode, 0);
            EXPECT_TRUE(made.output.contains(QLatin1String(c.refusal))) << made.output.toStdString();
        } else {
            EXPECT_EQ(made.exitCode, 0) << made.output.toStdString();
        }
        EXPECT_EQ(QDir(planted).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
                  QStringList());
        EXPECT_EQ(QDir(runtime).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
                  QStringList());
    }
    QDir(planted).removeRecursively();
}

// The machine's lock folder is shared only when it is a real folder of root's or the engine's
// that only they and group firebird may write; otherwise the clerk's engine opens the database
// for itself alone, with its lock files in his private folder, and the shared folder is never
// made. The folder is given through FIREBIRD_LOCK, held to the same rules as /tmp/firebird, in a
// folder open to all like /tmp, so that the machine's own is left alone.
TEST_F(AsClerk, OnlyATrustworthyMachineLockFolderIsShared)
{
    ASSERT_EQ(createDatabase(member_).exitCode, 0);
    const QString work = home(member_) + QStringLiteral("/work");
    const QString locks = path(QStringLiteral("locks"));
    ASSERT_TRUE(QDir().mkpath(locks));
    ::chmod(qPrintable(locks), 01777);
    const QString shared = locks + QStringLiteral("/firebird");
    const QString his = path(QStringLiteral("neighbours-locks"));
    const QString own = home(member_) + QStringLiteral("/.cache/Retenciones/firebird-lock");
    const group *firebird = ::getgrnam("firebird");
    const passwd *engine = ::getpwnam("firebird");
    ASSERT_TRUE(firebird && engine);
    const uid_t engineUid = engine->pw_uid;
    const gid_t engineGid = firebird->gr_gid;
    auto folder = [](const QString &p, mode_t mode, uid_t uid, gid_t gid) {
        QDir().mkpath(p);
        ::chown(qPrintable(p), uid, gid);
        ::chmod(qPrintable(p), mode);
    };
    const struct {
        const char *name;
        std::function<void()> prepare;
        bool shared;
    } cases[] = {
        {"as Debian leaves it", [&] { folder(shared, 0770, engineUid, engineGid); }, true},
        {"missing", [] {}, false},
        {"his own, for group firebird", [&] { folder(shared, 0770, member_.uid, engineGid); }, false},
        {"the engine's, writable by a group of others", [&] { folder(shared, 0770, engineUid, 100); }, false},
        {"a link the neighbour planted to his folder",
         [&] {
             run(neighbour_, {QStringLiteral("ln"), QStringLiteral("-s"), his, shared});
         },
         false},
        {"a folder the neighbour made, open to all",
         [&] {
             run(neighbour_, {QStringLiteral("mkdir"), QStringLiteral("-m"), QStringLiteral("0777"), shared});
         },
         false},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        runAsRoot(QStringLiteral("rm"), {QStringLiteral("-rf"), shared, his, own});
        folder(his, 0777, neighbour_.uid, neighbour_.gid);
        c.prepare();
        const Outcome made =
            generate(member_, work, QStringLiteral("A"), {QStringLiteral("FIREBIRD_LOCK=") + shared});
        EXPECT_EQ(made.exitCode, 0) << made.output.toStdString();
        EXPECT_EQ(QFileInfo::exists(own), !c.shared);
        EXPECT_EQ(QDir(his).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System), QStringList());
        if (!c.shared && QFileInfo(shared).isDir()) {
            EXPECT_EQ(QDir(shared).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
                      QStringList());
        }
        if (std::string(c.name) == "missing") {
            EXPECT_FALSE(QFileInfo::exists(shared));
        }
    }

    // The neighbour keeps planting links and folders under the name, and taking them away again,
    // while the clerk declares: his lock files never land in the neighbour's folders, which is
    // what keeps a planted folder from being taken away.
    runAsRoot(QStringLiteral("rm"), {QStringLiteral("-rf"), shared, his});
    folder(his, 0777, neighbour_.uid, neighbour_.gid);
    const QString stop = path(QStringLiteral("stop"));
    QProcess planter;
    planter.start(
        QStringLiteral("setpriv"),
        asUser(neighbour_, {QStringLiteral("sh"), QStringLiteral("-c"),
                            QStringLiteral("while [ ! -e %1 ]; do ln -s %2 %3; rm -f %3; mkdir -m 0777 %3; "
                                           "rmdir %3; done 2>/dev/null")
                                .arg(stop, his, shared)}));
    ASSERT_TRUE(planter.waitForStarted());
    for (int i = 0; i < 4; ++i) {
        const Outcome made =
            generate(member_, work, QStringLiteral("A"), {QStringLiteral("FIREBIRD_LOCK=") + shared});
        EXPECT_EQ(made.exitCode, 0) << made.output.toStdString();
    }
    writeAll(stop, "");
    planter.waitForFinished(10000);
    EXPECT_EQ(QDir(his).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System), QStringList());
    EXPECT_EQ(QDir(shared).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System), QStringList());
    EXPECT_EQ(reten(member_).size(), 500);
    runAsRoot(QStringLiteral("rm"), {QStringLiteral("-rf"), shared, his, stop});
}

// The engine's configuration (which says what plugins it loads) and the private lock folder
// are kept only where nobody else can swap a folder on the way: with his home in a folder
// others may write, the clerk's program uses his session's runtime folder when he has one,
// and otherwise refuses, in Spanish, naming the folder, and writes nothing there. A clerk who
// shares the machine's lock folder falls back on the installation's configuration.
TEST_F(AsClerk, TheEnginesConfigurationIsKeptWhereNobodyElseCanSwapIt)
{
    ASSERT_EQ(createDatabase(clerk_).exitCode, 0);
    ASSERT_EQ(createDatabase(member_).exitCode, 0);
    const QString open = path(QStringLiteral("open-homes"));
    const QString sticky = path(QStringLiteral("sticky-homes"));
    const QString runtime = path(QStringLiteral("run-%1").arg(clerk_.uid));
    auto folder = [](const QString &p, mode_t mode, const Account &a) {
        QDir().mkpath(p);
        ::chown(qPrintable(p), a.uid, a.gid);
        ::chmod(qPrintable(p), mode);
    };
    const struct {
        const char *name;
        const Account *who;
        QString home;
        QStringList environment;
        const char *refusal; // nullptr: the declaration is made
    } cases[] = {
        {"home in a folder open to all",
         &clerk_,
         open + QStringLiteral("/clerk"),
         {},
         "puede cambiar la carpeta"},
        {"the same, with a runtime folder of his",
         &clerk_,
         open + QStringLiteral("/clerk"),
         {QStringLiteral("XDG_RUNTIME_DIR=") + runtime},
         nullptr},
        {"cache in a folder open to all",
         &clerk_,
         home(clerk_),
         {QStringLiteral("XDG_CACHE_HOME=") + open + QStringLiteral("/cache")},
         "puede cambiar la carpeta"},
        {"home in a sticky folder", &clerk_, sticky + QStringLiteral("/clerk"), {}, nullptr},
        {"home in a folder open to all, sharing the machine's lock folder",
         &member_,
         open + QStringLiteral("/member"),
         {},
         nullptr},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        runAsRoot(QStringLiteral("rm"), {QStringLiteral("-rf"), open, sticky, runtime});
        folder(open, 0777, {QStringLiteral("root"), 0, 0});
        folder(sticky, 01777, {QStringLiteral("root"), 0, 0});
        folder(runtime, 0700, clerk_);
        folder(c.home, 0700, *c.who);
        folder(open + QStringLiteral("/cache"), 0700, *c.who);
        const QString work = home(*c.who) + QStringLiteral("/work");
        const Outcome made = generate(*c.who, work, QStringLiteral("A"),
                                      QStringList{QStringLiteral("HOME=") + c.home} + c.environment);
        if (c.refusal) {
            EXPECT_NE(made.exitCode, 0);
            EXPECT_TRUE(made.output.contains(QString::fromUtf8(c.refusal)) && made.output.contains(open))
                << made.output.toStdString();
        } else {
            EXPECT_EQ(made.exitCode, 0) << made.output.toStdString();
        }
        // Nothing of the engine's under a folder another user could swap.
        EXPECT_FALSE(QFileInfo::exists(c.home + QStringLiteral("/.cache/Retenciones/firebird")) &&
                     c.home.startsWith(open));
        EXPECT_EQ(QDir(open + QStringLiteral("/cache")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
                  QStringList());
    }
    runAsRoot(QStringLiteral("rm"), {QStringLiteral("-rf"), open, sticky, runtime});
}

// Before his earlier declaration is replaced it is kept in the folder anteriores beside it, which
// must be a real folder of his: one he cannot make, one the neighbour made in the shared folder,
// or a link the neighbour planted there stops the generation before anything is written, with
// the reason, and nothing goes into anybody else's folder.
TEST_F(AsClerk, TheEarlierDeclarationIsKeptOnlyInAFolderOfHisOwn)
{
    ASSERT_EQ(createDatabase(clerk_).exitCode, 0);
    const QString elsewhere = home(clerk_) + QStringLiteral("/elsewhere");
    ASSERT_EQ(run(clerk_, {QStringLiteral("mkdir"), elsewhere}).exitCode, 0);
    const struct {
        const char *name;
        mode_t mode;                                  // of the folder where he declares
        std::function<void(const QString &)> prepare; // given that folder, after declaration A
        const char *refusal;                          // nullptr: B is declared and A kept
    } cases[] = {
        {"his own folder", 0755, [](const QString &) {}, nullptr},
        {"a folder he cannot write", 0555, [](const QString &) {}, "No se puede crear la carpeta"},
        {"anteriores made by the neighbour in a shared folder", 0777,
         [&](const QString &office) {
             run(neighbour_, {QStringLiteral("mkdir"), QStringLiteral("-m"), QStringLiteral("0777"),
                              office + QStringLiteral("/anteriores")});
         },
         "no es una carpeta suya"},
        {"anteriores a link the neighbour planted to his own folder", 0777,
         [&](const QString &office) {
             run(neighbour_, {QStringLiteral("ln"), QStringLiteral("-s"), elsewhere,
                              office + QStringLiteral("/anteriores")});
         },
         "no es una carpeta suya"},
    };
    int n = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const QString office = path(QStringLiteral("declares-%1").arg(++n));
        ASSERT_TRUE(QDir().mkpath(office));
        ::chown(qPrintable(office), clerk_.uid, clerk_.gid);
        ::chmod(qPrintable(office), 0755);
        const Outcome first = generate(clerk_, office, QStringLiteral("A"));
        ASSERT_EQ(first.exitCode, 0) << first.output.toStdString();
        const QByteArray declared = readAll(office + QLatin1Char('/') + Declaration);
        ::chmod(qPrintable(office), c.mode);
        c.prepare(office);

        const Outcome second = generate(clerk_, office, QStringLiteral("B"));
        const QStringList kept = QDir(office + QStringLiteral("/anteriores")).entryList(QDir::Files);
        if (c.refusal) {
            EXPECT_NE(second.exitCode, 0);
            EXPECT_TRUE(second.output.contains(QString::fromUtf8(c.refusal))) << second.output.toStdString();
            EXPECT_TRUE(second.output.contains(QStringLiteral("la anterior sigue como estaba")))
                << second.output.toStdString();
            EXPECT_EQ(readAll(office + QLatin1Char('/') + Declaration), declared);
            EXPECT_EQ(kept, QStringList());
            EXPECT_EQ(reten(clerk_), QStringList());
        } else {
            EXPECT_EQ(second.exitCode, 0) << second.output.toStdString();
            ASSERT_EQ(kept.size(), 2);
            EXPECT_EQ(readAll(office + QStringLiteral("/anteriores/") +
                              kept.filter(QStringLiteral(".txt")).value(0)),
                      declared);
            EXPECT_NE(readAll(office + QLatin1Char('/') + Declaration), declared);
        }
        EXPECT_EQ(QDir(elsewhere).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    }
}

// In a shared folder without the sticky bit the neighbour may rename the clerk's anteriores: he
// exchanges it with a link to another folder of the clerk's, over and over, while the clerk
// corrects his declaration. Every generation either keeps the earlier declaration in the real
// folder it checked or stops with the reason; nothing ever goes through the link.
TEST_F(AsClerk, ASwappedAnterioresChangesNothing)
{
    ASSERT_EQ(createDatabase(clerk_).exitCode, 0);
    const QString office = path(QStringLiteral("swapped"));
    ASSERT_TRUE(QDir().mkpath(office));
    ::chmod(qPrintable(office), 0777);
    const QString elsewhere = home(clerk_) + QStringLiteral("/elsewhere");
    ASSERT_EQ(run(clerk_, {QStringLiteral("mkdir"), elsewhere}).exitCode, 0);
    ASSERT_EQ(generate(clerk_, office, QStringLiteral("A")).exitCode, 0);
    const QString kept = office + QStringLiteral("/anteriores");
    const QString link = office + QStringLiteral("/x");
    ASSERT_EQ(run(clerk_, {QStringLiteral("mkdir"), kept}).exitCode, 0);
    ASSERT_EQ(run(neighbour_, {QStringLiteral("ln"), QStringLiteral("-s"), elsewhere, link}).exitCode, 0);

    // The neighbour's loop: renameat2(RENAME_EXCHANGE) of the two names, until stopped.
    QProcess loop;
    loop.start(QStringLiteral("setpriv"),
               asUser(neighbour_, {QStringLiteral("/usr/bin/python3"), QStringLiteral("-c"),
                                   QStringLiteral("import ctypes, sys\n"
                                                  "libc = ctypes.CDLL(None, use_errno=True)\n"
                                                  "a, b = sys.argv[1].encode(), sys.argv[2].encode()\n"
                                                  "while True:\n"
                                                  "    libc.renameat2(-100, a, -100, b, 2)\n"),
                                   kept, link}));
    ASSERT_TRUE(loop.waitForStarted(10000));
    int declared = 0;
    const char *tags[] = {"B", "C", "D", "E", "F", "G"};
    for (const char *tag : tags) {
        const Outcome made = generate(clerk_, office, QLatin1String(tag));
        if (made.exitCode == 0)
            ++declared;
        else
            EXPECT_TRUE(made.output.contains(QLatin1String("no es una carpeta suya")))
                << made.output.toStdString();
    }
    loop.kill();
    loop.waitForFinished();

    EXPECT_EQ(QDir(elsewhere).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System),
              QStringList());
    // The real folder, under whichever name the loop left it: one kept declaration per one made.
    const QString real = QFileInfo(kept).isSymLink() ? link : kept;
    EXPECT_EQ(QDir(real).entryList({QStringLiteral("*.txt")}, QDir::Files).size(), declared);
    std::printf("%d of %zu generations made while anteriores was being exchanged for a link\n", declared,
                std::size(tags));
}

// The certificates go only into a folder `constancias` of the clerk's own, and a neighbour who swaps
// it for a link to the declaration's folder while the clerk makes them changes nothing: each run
// writes into the folder it checked, or is refused; the listing beside the declaration is never
// touched.
TEST_F(AsClerk, CertificatesOnlyInTheClerksOwnFolderWhateverIsSwappedIn)
{
    ASSERT_EQ(createDatabase(clerk_).exitCode, 0);
    const QString office = path(QStringLiteral("certificates-office"));
    ASSERT_TRUE(QDir().mkpath(office));
    ::chown(qPrintable(office), clerk_.uid, clerk_.gid);
    ::chmod(qPrintable(office), 0755);
    ASSERT_EQ(generate(clerk_, office, QStringLiteral("A")).exitCode, 0);
    ::chmod(qPrintable(office), 0777);
    const QString declaration = office + QLatin1Char('/') + Declaration;
    const QByteArray listing = readAll(office + QLatin1Char('/') + Listing);
    const QString sha256 = QString::fromLatin1(
        QCryptographicHash::hash(readAll(declaration), QCryptographicHash::Sha256).toHex());
    const QStringList write{bin(QStringLiteral("certificates_child")), QStringLiteral("write"), declaration,
                            sha256};

    // The neighbour's own folder under the name is refused.
    ASSERT_EQ(run(neighbour_, {QStringLiteral("mkdir"), QStringLiteral("-m"), QStringLiteral("0777"),
                               office + QStringLiteral("/constancias")})
                  .exitCode,
              0);
    const Outcome refused = run(clerk_, write);
    EXPECT_EQ(refused.exitCode, 3) << refused.output.toStdString();
    EXPECT_TRUE(refused.output.contains(QStringLiteral("no es una carpeta suya")))
        << refused.output.toStdString();
    EXPECT_EQ(QDir(office + QStringLiteral("/constancias")).entryList(QDir::Files), QStringList());
    ASSERT_EQ(run(neighbour_, {QStringLiteral("rmdir"), office + QStringLiteral("/constancias")}).exitCode,
              0);

    // The clerk's own folder, and the neighbour's loop exchanging it with a link to the office.
    ASSERT_EQ(run(clerk_, write).exitCode, 0);
    ASSERT_EQ(run(neighbour_,
                  {QStringLiteral("ln"), QStringLiteral("-s"), office, office + QStringLiteral("/swap")})
                  .exitCode,
              0);
    QProcess swapper;
    swapper.setProcessChannelMode(QProcess::MergedChannels);
    swapper.start(
        QStringLiteral("setpriv"),
        asUser(neighbour_, {bin(QStringLiteral("certificates_child")), QStringLiteral("swap"), office,
                            QStringLiteral("constancias"), QStringLiteral("swap"), QStringLiteral("6")}));
    ASSERT_TRUE(swapper.waitForStarted());
    int made = 0, refusedRuns = 0;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 5000) {
        const Outcome r = run(clerk_, write);
        ASSERT_TRUE(r.exitCode == 0 || r.exitCode == 3) << r.output.toStdString();
        ++(r.exitCode == 0 ? made : refusedRuns);
    }
    ASSERT_TRUE(swapper.waitForFinished(30000));
    const QByteArray swaps = swapper.readAll();
    EXPECT_EQ(swapper.exitCode(), 0) << swaps.toStdString();
    std::printf("certificates made %d, refused %d, %s", made, refusedRuns, swaps.constData());
    EXPECT_GT(made + refusedRuns, 0);
    EXPECT_EQ(readAll(office + QLatin1Char('/') + Listing), listing);
    EXPECT_EQ(QDir(office).entryList(QDir::Files), (QStringList{Listing, Declaration}));
    // The real folder, under whichever name the loop left it, holds the certificates alone.
    const QString real = QFileInfo(office + QStringLiteral("/constancias")).isSymLink()
                             ? office + QStringLiteral("/swap")
                             : office + QStringLiteral("/constancias");
    EXPECT_EQ(QDir(real).entryList(QDir::Files), QStringList{Listing});
}
