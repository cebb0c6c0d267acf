// skinloft's enemy list drawn with 25 names of the longest a skin can hold (65535
// characters), beside the floor of the same list with 25 names of 100 characters, which are
// cut to fit as well, in the same run.
#include "RecordingReporter.h"

#include "skin_editor/windows/frmMain.h"

#include "Dialogs.h"
#include "FileIO.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QListWidget>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

// Answers the Load dialog with one file; every other question with its first choice.
class OneFileDialogs final : public vt::Dialogs
{
public:
    QString file;
    Answer question(QWidget *, const QString &, const QString &, Buttons, Icon) override { return Answer::No; }
    std::optional<QString> inputText(QWidget *, const QString &, const QString &, const QString &) override
    {
        return std::nullopt;
    }
    std::optional<QString> openFile(QWidget *, const QString &, const QString &, const QString &,
                                    const QString &) override
    {
        return file;
    }
    std::optional<QString> saveFile(QWidget *, const QString &, const QString &, const QString &,
                                    const QString &) override
    {
        return std::nullopt;
    }
    int execDialog(QDialog &) override { return 0; }
};

struct Editor
{
    QTemporaryDir dir;
    OneFileDialogs dialogs;
    std::unique_ptr<skinloft::frmMain> w;

    explicit Editor(qsizetype nameLength)
    {
        QByteArray bytes;
        for (int i = 0; i < skinloft::kEnemyTypeCount; ++i) {
            const QByteArray name = QByteArray(nameLength - 4, char('a' + i)) + ".bmp";
            bytes.append(char(name.size() & 0xff)).append(char(name.size() >> 8)).append(name);
        }
        dialogs.file = dir.filePath(QStringLiteral("skin.qze"));
        if (!vt::replaceFile(dialogs.file, bytes).ok()) {
            std::fprintf(stderr, "cannot write the skin\n");
            std::exit(1);
        }
        w = std::make_unique<skinloft::frmMain>(dir.path(), dialogs);
        w->start();
        w->mnuLoad->trigger();
        if (w->document().CurrentSkin().Fields[0].size() != nameLength) {
            std::fprintf(stderr, "the skin did not load\n");
            std::exit(1);
        }
    }
};

void drawList(benchmark::State &state, qsizetype nameLength)
{
    Editor editor(nameLength);
    QWidget *list = editor.w->lstEnemies->viewport();
    for (auto _ : state) {
        const QPixmap drawn = list->grab();
        benchmark::DoNotOptimize(drawn.cacheKey());
    }
}

void OverlongNames(benchmark::State &state) { drawList(state, 100); }
void LongestNames(benchmark::State &state) { drawList(state, 65535); }

BENCHMARK(OverlongNames)->Unit(benchmark::kMillisecond)->MinTime(0.3);
BENCHMARK(LongestNames)->Unit(benchmark::kMillisecond)->MinTime(0.3);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    RecordingReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("skinloft enemy list, 25 names of 65535 characters", "LongestNames", "OverlongNames", 1.3);
    benchmark::Shutdown();
    return 0;
}
