#include "documents/SkinDocument.h"

#include "support/RawFiles.h"
#include "support/SpyArgs.h"

#include "FileIO.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace skinloft;

namespace {

QByteArray skinBytes(std::initializer_list<std::pair<int, QByteArray>> fields)
{
    EnemySkin skin;
    for (const auto &[i, name] : fields)
        skin.Fields[size_t(i)] = name;
    QByteArray out;
    [[maybe_unused]] const vt::Status s = mEnemySkinFile::encode(skin, out);
    return out;
}

QList<int> enemies(const QSignalSpy &spy)
{
    QList<int> out;
    for (const QList<QVariant> &args : spy)
        out.append(args.at(0).toInt());
    return out;
}

} // namespace

// The enemy skin document on its own, without windows.
class tst_skindocument : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path(const char *name) const { return m_dir.filePath(QString::fromLatin1(name)); }

private Q_SLOTS:
    void cleanup() { vt::setReplaceFaultForTesting(std::nullopt); }

    void eachChoiceIsOneStepThatUndoesAndRedoes()
    {
        SkinDocument doc;
        QSignalSpy changed(&doc, &SkinDocument::enemyGraphicChanged);
        QSignalSpy modified(&doc, &SkinDocument::modifiedChanged);
        QVERIFY(!doc.isModified());
        QVERIFY(doc.setEnemyGraphic(3, "shell.bmp"));
        QVERIFY(doc.setEnemyGraphic(24, "block.gif"));
        QVERIFY(!doc.setEnemyGraphic(24, "block.gif"));  // already so: no step
        QVERIFY(!doc.setEnemyGraphic(25, "x.bmp"));
        QVERIFY(!doc.setEnemyGraphic(-1, "x.bmp"));
        QCOMPARE(doc.undoStack()->count(), 2);
        QCOMPARE(doc.undoStack()->text(0), QStringLiteral("Graphic"));
        QCOMPARE(enemies(changed), (QList<int>{3, 24}));
        QCOMPARE(flags(modified), QList<bool>{true});

        changed.clear();
        doc.undoStack()->undo();
        QCOMPARE(doc.CurrentSkin().Fields[24], QByteArray());
        QCOMPARE(doc.CurrentSkin().Fields[3], QByteArray("shell.bmp"));
        doc.undoStack()->undo();
        QCOMPARE(doc.CurrentSkin(), EnemySkin());
        QVERIFY(!doc.isModified());  // back to the empty skin of the start
        QCOMPARE(enemies(changed), (QList<int>{24, 3}));
        QCOMPARE(flags(modified), (QList<bool>{true, false}));

        doc.undoStack()->redo();
        QCOMPARE(doc.CurrentSkin().Fields[3], QByteArray("shell.bmp"));
        QVERIFY(doc.isModified());
        QCOMPARE(flags(modified), (QList<bool>{true, false, true}));
    }

    void aWholeLoadIsSavedAndAFailedOneChangesNothing()
    {
        writeRaw(path("whole.qze"), skinBytes({{0, "walker.bmp"}, {7, "wisp.gif"}}));
        SkinDocument doc;
        doc.setEnemyGraphic(1, "plant.bmp");
        QSignalSpy replaced(&doc, &SkinDocument::documentReplaced);
        QSignalSpy named(&doc, &SkinDocument::fileNameChanged);
        QSignalSpy modified(&doc, &SkinDocument::modifiedChanged);

        QVERIFY(!doc.load(path("missing.qze")).ok());
        QCOMPARE(doc.CurrentSkin().Fields[1], QByteArray("plant.bmp"));
        QVERIFY(doc.isModified());
        QCOMPARE(doc.undoStack()->count(), 1);
        QCOMPARE(replaced.count() + named.count() + modified.count(), 0);

        QVERIFY(doc.load(path("whole.qze")).ok());
        QCOMPARE(doc.CurrentSkin().Fields[0], QByteArray("walker.bmp"));
        QCOMPARE(doc.CurrentSkin().Fields[1], QByteArray());
        QCOMPARE(doc.CurrentSkin().Fields[7], QByteArray("wisp.gif"));
        QVERIFY(!doc.isModified());
        QVERIFY(!doc.undoStack()->canUndo());
        QCOMPARE(doc.fileName(), path("whole.qze"));
        QCOMPARE(replaced.count(), 1);
        QCOMPARE(named.count(), 1);
        QCOMPARE(flags(modified), QList<bool>{false});
    }

    // A file cut inside a field gives what it holds, but saving would not give it back.
    void aPartLoadIsUnsavedUntilSaved()
    {
        QByteArray cut = skinBytes({{0, "walker.bmp"}, {1, "plant.bmp"}});
        cut.truncate(2 + 10 + 2 + 4);
        writeRaw(path("cut.qze"), cut);
        SkinDocument doc;
        QSignalSpy modified(&doc, &SkinDocument::modifiedChanged);
        QVERIFY(!doc.load(path("cut.qze")).ok());
        QCOMPARE(doc.CurrentSkin().Fields[0], QByteArray("walker.bmp"));
        QCOMPARE(doc.CurrentSkin().Fields[1], QByteArray());
        QVERIFY(doc.isModified());
        QVERIFY(!doc.undoStack()->canUndo());
        QCOMPARE(doc.fileName(), path("cut.qze"));
        QCOMPARE(flags(modified), QList<bool>{true});

        // Choosing and taking back a graphic leaves it unsaved still.
        doc.setEnemyGraphic(2, "beetle.bmp");
        doc.undoStack()->undo();
        QVERIFY(doc.isModified());

        QVERIFY(doc.save(path("mended.qze")).ok());
        QVERIFY(!doc.isModified());
        QCOMPARE(readRaw(path("mended.qze")), skinBytes({{0, "walker.bmp"}}));
        QCOMPARE(flags(modified), (QList<bool>{true, false}));
    }

    void savingMarksSavedOnlyWhenTheFileIsWritten()
    {
        writeRaw(path("old.qze"), skinBytes({{5, "penguin.bmp"}}));
        SkinDocument doc;
        doc.setEnemyGraphic(0, "walker.bmp");
        QSignalSpy modified(&doc, &SkinDocument::modifiedChanged);

        vt::setReplaceFaultForTesting(5);
        QVERIFY(!doc.save(path("old.qze")).ok());
        vt::setReplaceFaultForTesting(std::nullopt);
        QVERIFY(doc.isModified());
        QVERIFY(doc.fileName().isEmpty());
        QCOMPARE(readRaw(path("old.qze")), skinBytes({{5, "penguin.bmp"}}));
        QCOMPARE(modified.count(), 0);

        QVERIFY(doc.save(path("old.qze")).ok());
        QVERIFY(!doc.isModified());
        QCOMPARE(doc.fileName(), path("old.qze"));
        // The old file was one byte longer: that byte stays past the skin.
        QCOMPARE(readRaw(path("old.qze")), skinBytes({{0, "walker.bmp"}}) + '\0');

        // Undone past the save is a change again; redone to it, saved again.
        doc.undoStack()->undo();
        QVERIFY(doc.isModified());
        doc.undoStack()->redo();
        QVERIFY(!doc.isModified());
        QCOMPARE(flags(modified), (QList<bool>{false, true, false}));
    }
};

QTEST_GUILESS_MAIN(tst_skindocument)
#include "tst_skindocument.moc"
