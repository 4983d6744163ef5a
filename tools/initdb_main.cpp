// talvora-initdb: creates the encrypted case database that the program opens.
#include "app/ResetCode.h"
#include "platform/CipherDriver.h"
#include "platform/DatabaseKey.h"
#include "tools/CaseDatabaseInit.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QTextStream>

namespace
{

const char* const createUsage =
    "usage: talvora-initdb create <path> [--admin NAME] [--password PASSWORD]\n";

int createCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Create a new, empty case database."));
    parser.addPositionalArgument(QStringLiteral("path"), QStringLiteral("database file to create"));
    parser.addOption({QStringLiteral("admin"), QStringLiteral("administrator's user name"),
                      QStringLiteral("name"), QStringLiteral("admin")});
    parser.addOption({QStringLiteral("password"),
                      QStringLiteral("administrator's password (none when omitted)"),
                      QStringLiteral("password")});
    parser.process(arguments);
    QTextStream err(stderr);
    if (parser.positionalArguments().size() != 1) {
        err << createUsage;
        return 2;
    }
    const QString path = parser.positionalArguments().first();
    QString error;
    if (!createCaseDatabase(path, databaseKeyFor(builtInSiteName()), parser.value("admin"),
                            parser.value("password"), &error)) {
        err << "talvora-initdb: " << error << "\n";
        return 1;
    }
    QTextStream(stdout) << "Created " << path << " with administrator " << parser.value("admin")
                        << "\n";
    return 0;
}

const char* const resetCodeUsage = "usage: talvora-initdb reset-code <path> <user name>\n";

// The code that clears the account's forgotten password at log-in; it needs the database key,
// so only this tool (or the program itself) can make it.
int resetCodeCommand(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Print the code that clears a user's forgotten password at log-in."));
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
    const QString key = databaseKeyFor(builtInSiteName());
    QString code;
    QString error;
    {
        QSqlDatabase db =
            QSqlDatabase::addDatabase(QLatin1String(cipherDriverName), connectionName);
        db.setDatabaseName(path);
        db.setPassword(key);
        if (db.open())
            code = ResetCode::forUser(db, key, positional.at(1), &error);
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
