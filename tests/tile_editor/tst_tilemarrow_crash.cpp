#include "Journal.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>

using namespace Qt::StringLiterals;

namespace {

// Runs xdotool; its output, trimmed, or nothing when it failed.
QString xdo(const QStringList &args, bool *ok = nullptr)
{
    // The X server refuses a connection now and then under load: asked again.
    for (int attempt = 0;; ++attempt) {
        QProcess p;
        p.start(u"xdotool"_s, args);
        const bool done = p.waitForFinished(20000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
        if (!done && attempt < 3 && p.readAllStandardError().contains("open display"))
            continue;
        if (ok)
            *ok = done;
        return done ? QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed() : QString();
    }
}

// Asks again and again until the answer comes or the program under test is clearly stuck.
template<typename Ask>
auto waitFor(Ask ask) -> decltype(ask())
{
    QDeadlineTimer deadline(60000);
    for (;;) {
        auto answer = ask();
        if (answer || deadline.hasExpired())
            return answer;
        QThread::msleep(100);
    }
}

struct Window
{
    QString id;
    QString title;
    int width = 0;
};

// The visible windows of a process.
QList<Window> windowsOf(qint64 pid)
{
    QList<Window> out;
    const QString ids = xdo({u"search"_s, u"--onlyvisible"_s, u"--pid"_s, QString::number(pid), u"--name"_s, u".*"_s});
    for (const QString &id : ids.split(u'\n', Qt::SkipEmptyParts)) {
        Window w{id, xdo({u"getwindowname"_s, id}), 0};
        for (const QString &line : xdo({u"getwindowgeometry"_s, u"--shell"_s, id}).split(u'\n'))
            if (line.startsWith(u"WIDTH="_s))
                w.width = line.mid(6).toInt();
        out.append(w);
    }
    return out;
}

std::optional<Window> windowTitled(qint64 pid, const QString &title)
{
    for (const Window &w : windowsOf(pid))
        if (w.title == title)
            return w;
    return std::nullopt;
}

bool type(const QString &window, const QStringList &keys)
{
    bool ok = false;
    xdo({u"windowfocus"_s, u"--sync"_s, window}, &ok);
    if (!ok)
        return false;
    xdo(QStringList{u"key"_s, u"--delay"_s, u"40"_s} + keys, &ok);
    return ok;
}

} // namespace

// tilemarrow as the user runs it: edits made, the program killed, started again, the edits
// recovered and saved, and the file compared with the same edits saved without a crash.
class tst_tilemarrow_crash : public QObject
{
    Q_OBJECT

    QTemporaryDir m_game;
    QString m_program;

    // The edits: types given with digits and Return, the selection moved with the arrows, an
    // undo, and a type given after it.
    const QStringList m_edits{u"3"_s, u"Return"_s, u"Right"_s, u"1"_s, u"2"_s, u"Return"_s, u"Down"_s,
                              u"5"_s, u"Return"_s, u"ctrl+z"_s, u"Left"_s, u"7"_s, u"Return"_s};

    // Starts the program and waits for its main window. A program that could not reach the
    // X server (which refuses a connection now and then under load) is started again.
    std::optional<Window> launch(QProcess &process)
    {
        for (int attempt = 0; attempt < 3; ++attempt) {
            process.setProgram(m_program);
            process.setWorkingDirectory(m_game.path());
            process.start();
            if (!process.waitForStarted(30000))
                return std::nullopt;
            bool ended = false;
            const std::optional<Window> main = waitFor([&]() -> std::optional<Window> {
                if (process.state() == QProcess::NotRunning || process.waitForFinished(0)) {
                    ended = true;
                    return Window{};
                }
                std::optional<Window> found;
                for (const Window &w : windowsOf(process.processId()))
                    if (w.title.startsWith(u"Vantaro Tileset Editor"_s) && (!found || w.width > found->width))
                        found = w;
                return found && found->width > 300 ? found : std::nullopt;
            });
            if (!ended)
                return main;
            qWarning() << "tilemarrow ended at start:" << process.readAllStandardError();
        }
        return std::nullopt;
    }

    // Ctrl+S, and the file name typed into the save dialog.
    bool saveAs(qint64 pid, const QString &main, const QString &file)
    {
        if (!type(main, {u"ctrl+s"_s}))
            return false;
        const std::optional<Window> dialog =
            waitFor([&] { return windowTitled(pid, u"Save Tile Information File"_s); });
        if (!dialog)
            return false;
        bool ok = false;
        xdo({u"windowfocus"_s, u"--sync"_s, dialog->id}, &ok);
        xdo({u"type"_s, u"--delay"_s, u"20"_s, file}, &ok);
        return ok && type(dialog->id, {u"Return"_s})
               && waitFor([&] { return QFile(file).size() == 2 + 4 * 3; });
    }

    static void end(QProcess &process)
    {
        process.kill();  // SIGKILL: no chance to tidy up
        process.waitForFinished(30000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(u"xdotool"_s).isEmpty())
            QSKIP("xdotool is needed to type into the program");
        // The program's folder is its game folder: a copy of its own, beside a tileset.
        m_program = m_game.filePath(u"tilemarrow"_s);
        QVERIFY(QFile::copy(QStringLiteral(VT_TILEMARROW), m_program));
        QVERIFY(QFile::setPermissions(m_program, QFile::permissions(m_program) | QFile::ExeOwner));
        QImage tiles(4 * 32, 3 * 32, QImage::Format_RGB32);
        tiles.fill(qRgb(90, 140, 60));
        QVERIFY(tiles.save(m_game.filePath(u"tiledata.bmp"_s), "BMP"));
    }

    void recoveredEditsSaveAsIfThereHadBeenNoCrash()
    {
        const QString recovery = vt::recoveryFolder(m_game.path());

        // Without a crash.
        QProcess plain;
        std::optional<Window> main = launch(plain);
        QVERIFY(main);
        QVERIFY(type(main->id, m_edits));
        const QString normal = m_game.filePath(u"Normal.qzt"_s);
        QVERIFY(saveAs(plain.processId(), main->id, normal));
        // The journal goes just after the file is in place: the program is killed only then.
        const auto journalGone = [&] { return QDir(recovery).entryList(QDir::Files).isEmpty(); };
        QVERIFY(waitFor(journalGone));
        end(plain);
        QCOMPARE(QDir(recovery).entryList(QDir::Files), QStringList());  // saved: nothing left

        // Killed with the edits unsaved: the journal holds them.
        QProcess killed;
        main = launch(killed);
        QVERIFY(main);
        QVERIFY(type(main->id, m_edits));
        const auto journal = waitFor([&]() -> std::optional<QString> {
            // Not journalsOf: the running program holds its journal.
            const QStringList found = QDir(recovery).entryList({u"tilemarrow-*.journal"_s}, QDir::Files);
            vt::JournalContents c;
            const QString at = found.size() == 1 ? QDir(recovery).filePath(found[0]) : QString();
            if (!at.isEmpty() && vt::readJournal(at, c).ok() && c.edits() == 4 && c.records.size() == 5)
                return at;
            return std::nullopt;
        });
        QVERIFY2(journal, "the journal never held the edits");
        ::kill(pid_t(killed.processId()), SIGKILL);
        killed.waitForFinished(30000);
        QVERIFY(QFile::exists(*journal));

        // Started again: asked, recovered, saved.
        QProcess again;
        main = launch(again);
        QVERIFY(main);
        const std::optional<Window> question = waitFor([&]() -> std::optional<Window> {
            for (const Window &w : windowsOf(again.processId()))
                if (w.title == u"Vantaro Tileset Editor"_s && w.id != main->id)
                    return w;
            return std::nullopt;
        });
        QVERIFY2(question, "no recovery question");
        QVERIFY(type(question->id, {u"Return"_s}));  // Recover is the default
        QVERIFY(waitFor([&] { return windowTitled(again.processId(), u"Vantaro Tileset Editor*"_s).has_value(); }));
        const QString recovered = m_game.filePath(u"Recovered.qzt"_s);
        QVERIFY(saveAs(again.processId(), main->id, recovered));
        QVERIFY(waitFor(journalGone));
        end(again);

        QFile a(normal), b(recovered);
        QVERIFY(a.open(QIODevice::ReadOnly) && b.open(QIODevice::ReadOnly));
        const QByteArray saved = a.readAll();
        QCOMPARE(b.readAll(), saved);
        QCOMPARE(saved.at(2), char(3));  // (0, 0) was given a type: the edits were made
        QCOMPARE(QDir(recovery).entryList(QDir::Files), QStringList());
    }
};

QTEST_GUILESS_MAIN(tst_tilemarrow_crash)
#include "tst_tilemarrow_crash.moc"
