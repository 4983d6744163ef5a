// talvora-initdb: creates the encrypted case database that the program opens.
#include "app/ResetCode.h"
#include "platform/CipherDriver.h"
#include "platform/DatabaseKey.h"
#include "tools/CaseDatabaseInit.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QTextStream>

#include <termios.h>
#include <unistd.h>

namespace
{

const char* const createUsage =
    "usage: talvora-initdb create <path> [--admin NAME] [--password]\n"
    "  --password reads the administrator's password from standard input\n";

// One line of standard input; at a terminal it is asked for without echo, so the password shows
// neither on the screen nor in the process list or the shell's history.
QString readPassword()
{
    const bool terminal = isatty(STDIN_FILENO);
    termios saved{};
    if (terminal) {
        QTextStream(stderr) << "Administrator's password: " << Qt::flush;
        tcgetattr(STDIN_FILENO, &saved);
        termios quiet = saved;
        quiet.c_lflag &= ~tcflag_t(ECHO);
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &quiet);
    }
    QTextStream in(stdin);
    const QString line = in.readLine();
    if (terminal) {
        tcsetattr(STDIN_FILENO, TCSAFLUSH, &saved);
        QTextStream(stderr) << "\n";
    }
    return line;
}

int createCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Create a new, empty case database."));
    parser.addPositionalArgument(QStringLiteral("path"), QStringLiteral("database file to create"));
    parser.addOption({QStringLiteral("admin"), QStringLiteral("administrator's user name"),
                      QStringLiteral("name"), QStringLiteral("admin")});
    parser.addOption({QStringLiteral("password"),
                      QStringLiteral("read the administrator's password from standard input "
                                     "(no password when omitted)")});
    parser.process(arguments);
    QTextStream err(stderr);
    if (parser.positionalArguments().size() != 1) {
        err << createUsage;
        return 2;
    }
    const QString path = parser.positionalArguments().first();
    QString password;
    if (parser.isSet(QStringLiteral("password"))) {
        password = readPassword();
        if (password.isEmpty()) {
            err << "talvora-initdb: no password was given on standard input\n";
            return 1;
        }
    }
    QString error;
    if (!createCaseDatabase(path, databaseKeyFor(builtInSiteName()), parser.value("admin"),
                            password, &error)) {
        err << "talvora-initdb: " << error << "\n";
        return 1;
    }
    QTextStream(stdout) << "Created " << path << " with administrator " << parser.value("admin")
                        << "\n";
    return 0;
}

const char* const resetCodeUsage = "usage: talvora-initdb reset-code <path> <user name>\n";

// For when no administrator can sign in to make the code on the account page.
int resetCodeCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Make a one-time code that clears a user's forgotten password at log-in; "
                       "it replaces any earlier code of that user."));
    parser.addPositionalArgument(QStringLiteral("path"), QStringLiteral("case database"));
    parser.addPositionalArgument(QStringLiteral("user"),
                                 QStringLiteral("user name, exactly as it is stored"));
    parser.process(arguments);
    QTextStream err(stderr);
    const QStringList positional = parser.positionalArguments();
    if (positional.size() != 2) {
        err << resetCodeUsage;
        return 2;
    }
    const QString path = positional.at(0);
    if (!QFileInfo(path).isFile()) {
        err << "talvora-initdb: " << path << " does not exist\n";
        return 1;
    }
    registerCipherDriver();
    const QString connectionName = QStringLiteral("talvora_initdb_reset_code");
    const QDateTime now = QDateTime::currentDateTimeUtc();
    QString code;
    QString error;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QLatin1String(cipherDriverName), connectionName);
        db.setDatabaseName(path);
        db.setPassword(databaseKeyFor(builtInSiteName()));
        if (db.open())
            code = ResetCode::issueForUser(db, positional.at(1), now, &error);
        else
            error = db.lastError().text();
        db.close();
    }
    QSqlDatabase::removeDatabase(connectionName);
    if (code.isEmpty()) {
        err << "talvora-initdb: " << error << "\n";
        return 1;
    }
    QTextStream(stdout) << code << "\n";
    err << "It clears the password of " << positional.at(1) << " once, until "
        << now.addSecs(ResetCode::lifetimeSeconds).toString(Qt::ISODate)
        << ", while the account stays unchanged.\n";
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments();
    const QString command = arguments.value(1);
    if (command == QLatin1String("create")) {
        arguments.removeAt(1);
        return createCommand(arguments);
    }
    if (command == QLatin1String("reset-code")) {
        arguments.removeAt(1);
        return resetCodeCommand(arguments);
    }
    QTextStream(stderr) << resetCodeUsage;
    QTextStream(stderr) << createUsage;
    return 2;
}
