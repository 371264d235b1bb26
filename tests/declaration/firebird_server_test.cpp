#include "declaration/declaration_generation.h"
#include "tests/declaration/generation_fixture.h"

#include "common/errors.h"
#include "common/text_file.h"
#include "db/database_settings.h"
#include "db/engine.h"
#include "declaration/report_layout.h"
#include "declaration/reten_store.h"
#include "tests/support/qt_print.h"
#include "tests/support/scripted_dialogs.h"

#include <QImage>
#include <QProcess>
#include <QStandardPaths>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {
const QString ServerUser = QStringLiteral("SYSDBA");
const QString ServerPassword = QStringLiteral("vordelsam");

// A loopback port nobody listens on now.
int freePort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr *>(&address), &length) == 0)
        port = ntohs(address.sin_port);
    ::close(s);
    return port;
}

bool accepts(int port)
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    const bool connected = ::connect(s, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0;
    ::close(s);
    return connected;
}

// A Firebird server of the test's own: its configuration, security database, lock folder and
// databases in one temporary folder, on a free loopback port. It is stopped when the object
// goes, and dies with the test process should that end first.
class FirebirdServer {
public:
    FirebirdServer()
    {
        const QString executable = QStandardPaths::findExecutable(
            QStringLiteral("firebird"),
            {QStringLiteral("/usr/sbin"), QStringLiteral("/usr/lib/firebird/3.0/bin")});
        if (executable.isEmpty() || !folder_.isValid()) {
            error_ = QStringLiteral("no Firebird server program (scripts/setup installs it)");
            return;
        }
        port_ = freePort();
        QDir(folder_.path()).mkpath(QStringLiteral("root"));
        QDir(folder_.path()).mkpath(QStringLiteral("lock"));
        QFile conf(folder_.filePath(QStringLiteral("root/firebird.conf")));
        conf.open(QIODevice::WriteOnly);
        conf.write(
            QStringLiteral("ServerMode = Super\nRemoteServicePort = %1\nRemoteBindAddress = 127.0.0.1\n"
                           "SecurityDatabase = %2\ninclude $(install)/firebird.conf\n")
                .arg(port_)
                .arg(folder_.filePath(QStringLiteral("security3.fdb")))
                .toLocal8Bit());
        conf.close();
        // The engine loads its character sets from "$(root)/intl", and not through a link.
        const QString install = firebirdInstallFolder();
        QDir(folder_.path()).mkpath(QStringLiteral("root/intl"));
        for (const QFileInfo &file : QDir(install + QStringLiteral("/intl")).entryInfoList(QDir::Files))
            QFile::copy(file.canonicalFilePath(),
                        folder_.filePath(QStringLiteral("root/intl/") + file.fileName()));

        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("FIREBIRD"), folder_.filePath(QStringLiteral("root")));
        environment.insert(QStringLiteral("FIREBIRD_LOCK"), folder_.filePath(QStringLiteral("lock")));

        // The security database, made by the embedded engine under the server's configuration.
        QProcess isql;
        isql.setProcessEnvironment(environment);
        isql.setProcessChannelMode(QProcess::MergedChannels);
        isql.start(QStringLiteral("isql-fb"), {QStringLiteral("-q")});
        isql.write(QStringLiteral("create database '%1' user '%2';\ncreate user %2 password '%3';\ncommit;\n")
                       .arg(folder_.filePath(QStringLiteral("security3.fdb")), ServerUser, ServerPassword)
                       .toLocal8Bit());
        isql.closeWriteChannel();
        isql.waitForFinished(60000);
        if (isql.exitCode() != 0) {
            error_ = QStringLiteral("security database: ") + QString::fromLocal8Bit(isql.readAll());
            return;
        }

        server_.setProcessEnvironment(environment);
        server_.setProcessChannelMode(QProcess::MergedChannels);
        server_.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGKILL); });
        server_.start(executable, {});
        if (!server_.waitForStarted(10000)) {
            error_ = QStringLiteral("server did not start");
            return;
        }
        for (int i = 0; i < 200 && !accepts(port_); ++i)
            ::usleep(50000);
        if (!accepts(port_))
            error_ = QStringLiteral("server does not listen: ") + QString::fromLocal8Bit(server_.readAll());
    }
    ~FirebirdServer()
    {
        if (server_.state() == QProcess::NotRunning)
            return;
        ::kill(pid_t(server_.processId()), SIGTERM);
        if (!server_.waitForFinished(10000)) {
            ::kill(pid_t(server_.processId()), SIGKILL);
            server_.waitForFinished(10000);
        }
    }

    const QString &error() const { return error_; }
    // The connection string of a database file in the server's folder.
    QString database(const QString &file) const
    {
        return QStringLiteral("127.0.0.1/%1:%2").arg(port_).arg(folder_.filePath(file));
    }

private:
    QTemporaryDir folder_;
    QProcess server_;
    int port_ = 0;
    QString error_;
};

class ScopedVariable {
public:
    ScopedVariable(const char *name, const QString &value) : name_(name), previous_(qgetenv(name))
    {
        qputenv(name, value.toLocal8Bit());
    }
    ~ScopedVariable() { qputenv(name_, previous_); }

private:
    const char *name_;
    QByteArray previous_;
};
} // namespace

// An office's database on a Firebird server: created by the create-database tool from the
// connection string, found by the program through RETENCIONES_DATABASE, filled by a generation
// of a clerk who attaches as the user RETENCIONES made the README's way (not the owner), and
// read back through the server.
TEST_F(GenerationTest, GenerationOnAFirebirdServer)
{
    FirebirdServer server;
    ASSERT_TRUE(server.error().isEmpty()) << server.error().toStdString();
    const QString database = server.database(QStringLiteral("RETENCIONES.FDB"));
    ScopedVariable variable("RETENCIONES_DATABASE", database);

    QProcess tool;
    tool.setProcessChannelMode(QProcess::MergedChannels);
    tool.start(QStringLiteral(CREATE_DATABASE_TOOL), {});
    ASSERT_TRUE(tool.waitForFinished(60000));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAll().toStdString();

    QProcess isql;
    isql.setProcessChannelMode(QProcess::MergedChannels);
    isql.start(QStringLiteral("isql-fb"), {QStringLiteral("-q"), QStringLiteral("-user"), ServerUser,
                                           QStringLiteral("-password"), ServerPassword, database});
    isql.write("create user RETENCIONES password 'otra-clave'; commit;\n");
    isql.closeWriteChannel();
    ASSERT_TRUE(isql.waitForFinished(60000));
    ASSERT_EQ(isql.exitCode(), 0) << isql.readAll().toStdString();
    ScopedVariable user("RETENCIONES_USER", QStringLiteral("RETENCIONES"));
    ScopedVariable password("RETENCIONES_PASSWORD", QStringLiteral("otra-clave"));

    const DatabaseSettings settings = readDatabaseSettings();
    ASSERT_EQ(settings.path, database);
    ASSERT_EQ(settings.userName, QStringLiteral("RETENCIONES"));
    RetenStore store(settings.path, settings.userName, settings.password);
    ASSERT_TRUE(store.connect());
    GridModel grid;
    grid.append(
        cells("11", "05/03/2017", "12400.00", "62", QStringLiteral("FERRETERÍA ÑANDÚ"), "30-12345678-9"));
    grid.append(cells("12", "06/03/2017", "200.00", "1", QStringLiteral("OTRO"), "20-11111111-1"));
    ReportDefinition report =
        ListingReport(QImage(232, 107, QImage::Format_RGB32), QImage(213, 107, QImage::Format_RGB32));
    TextFile f;
    ScriptedDialogs dialogs;
    dialogs.confirmations.push_back(true);
    const DeclarationHeader header{QStringLiteral("415"), QStringLiteral("3"), QStringLiteral("2017"),
                                   QStringLiteral("30-70000001-2"), QStringLiteral("AGENTE")};
    ASSERT_TRUE(DeclarationGeneration(store, report, f, dialogs).run(header, grid, programFolder()));

    Connection connection(database, ServerUser, ServerPassword);
    Transaction transaction(connection);
    Query q(transaction);
    q.setSql(QStringLiteral(
        "select nrocom, razon, periodo, mon$remote_protocol from reten "
        "cross join mon$attachments where mon$attachment_id = current_connection order by jid"));
    q.open();
    QStringList rows;
    while (q.next())
        rows << q.text(0).trimmed() + QLatin1Char('|') + q.text(1).trimmed() + QLatin1Char('|') +
                    q.text(2).trimmed() + QLatin1Char('|') + q.text(3).trimmed();
    EXPECT_EQ(rows, (QStringList{QStringLiteral("11|FERRETERÍA ÑANDÚ|3/2017|TCPv4"),
                                 QStringLiteral("12|OTRO|3/2017|TCPv4")}));
}

// A server that cannot be reached is a missing database: nothing at start-up, the client's
// error at the first statement of CONFIRMA.
TEST_F(GenerationTest, UnreachableServerIsAMissingDatabase)
{
    RetenStore store(QStringLiteral("127.0.0.1/%1:/srv/RETENCIONES.FDB").arg(freePort()));
    EXPECT_FALSE(store.connect());
    try {
        store.clear();
        ADD_FAILURE() << "no error";
    } catch (const DatabaseError &e) {
        EXPECT_TRUE(e.message().startsWith(QLatin1String("Unable to complete network request to host")))
            << e.message().toStdString();
    }
}
