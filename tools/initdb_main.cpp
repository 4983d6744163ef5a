// talvora-initdb: creates the encrypted case database that the program opens.
#include "platform/DatabaseKey.h"
#include "tools/CaseDatabaseInit.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QTextStream>

namespace
{

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
        err << "usage: talvora-initdb create <path> [--admin NAME] [--password PASSWORD]\n";
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
    QTextStream(stderr) << "usage: talvora-initdb create <path> [--admin NAME] [--password PW]\n";
    return 2;
}
