#include "platform/JournalGuard.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#define SQLITE_HAS_CODEC 1
#include <sqlite3.h>

#include <benchmark/benchmark.h>

#include <cerrno>
#include <map>
#include <memory>

#include <fcntl.h>

namespace
{
// A ward's folder: the database beside other files of the ward's, exported reports say.
class WardFolder
{
public:
    explicit WardFolder(int otherFiles)
    {
        for (int file = 0; file < otherFiles; ++file)
            QFile(m_dir.filePath(QStringLiteral("report-%1.pdf").arg(file)))
                .open(QIODevice::WriteOnly);
        const QByteArray path = QFile::encodeName(m_dir.filePath(QStringLiteral("ward.db")));
        sqlite3_open_v2(path.constData(), &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        JournalGuard::vfsName());
        const QByteArray key("bench-key");
        sqlite3_key(m_db, key.constData(), key.size());
        sqlite3_exec(m_db,
                     "CREATE TABLE cases (id INTEGER PRIMARY KEY, dose REAL);"
                     "INSERT INTO cases (dose) VALUES (1000);",
                     nullptr, nullptr, nullptr);
    }
    ~WardFolder() { sqlite3_close(m_db); }
    WardFolder(const WardFolder&) = delete;
    WardFolder& operator=(const WardFolder&) = delete;

    bool save() const
    {
        return sqlite3_exec(m_db, "BEGIN; UPDATE cases SET dose = dose + 1; COMMIT;", nullptr,
                            nullptr, nullptr) == SQLITE_OK;
    }

private:
    QTemporaryDir m_dir;
    sqlite3* m_db = nullptr;
};

// Folders are kept for the process: making a hundred thousand files is no part of a save.
const WardFolder& wardFolderWith(int otherFiles)
{
    static std::map<int, std::unique_ptr<WardFolder>> folders;
    std::unique_ptr<WardFolder>& folder = folders[otherFiles];
    if (!folder)
        folder = std::make_unique<WardFolder>(otherFiles);
    return *folder;
}

// As on a network share or a FUSE mount, which make no nameless files.
int noNamelessFiles(const char* path, int flags, mode_t mode)
{
    if ((flags & O_TMPFILE) == O_TMPFILE) {
        errno = EOPNOTSUPP;
        return -1;
    }
    return ::open(path, flags, mode);
}

// One save of a case: its journal made, written and removed. Arguments: the other files in the
// folder; 1 where journals are born under a birth name.
void BM_SaveBesideOtherFiles(benchmark::State& state)
{
    const JournalGuard::BirthCalls system = JournalGuard::birthCalls();
    if (state.range(1))
        JournalGuard::birthCalls().open = noNamelessFiles;
    const WardFolder& folder = wardFolderWith(int(state.range(0)));
    for (auto _ : state)
        if (!folder.save())
            state.SkipWithError("the save failed");
    JournalGuard::birthCalls() = system;
}
BENCHMARK(BM_SaveBesideOtherFiles)
    ->ArgsProduct({{0, 100000}, {0, 1}})
    ->ArgNames({"others", "birth"})
    ->Unit(benchmark::kMillisecond);
} // namespace
