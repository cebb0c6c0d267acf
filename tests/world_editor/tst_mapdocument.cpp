// The map document without windows: edits as steps, what its signals carry, modified state.
#include "documents/MapDocument.h"

#include <QFile>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

using namespace tessaforge;

class tst_mapdocument : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void editsAreStepsThatSayWhichNodesChanged()
    {
        MapDocument doc;
        QSignalSpy nodes(&doc, &MapDocument::nodesChanged);
        QVERIFY(doc.edit(QStringLiteral("Add Node"), [](oWorldMap &m) { (void)m.AddNode(5, 6, true); }, 1, 2));
        QVERIFY(doc.edit(QStringLiteral("Link Up"), [](oWorldMap &m) { m.setUpNode(1, 2); }, 1, 1));
        // A value the node holds already is no step.
        QVERIFY(!doc.edit(QStringLiteral("Link Up"), [](oWorldMap &m) { m.setUpNode(1, 2); }, 1, 1));
        QCOMPARE(doc.undoStack()->count(), 2);
        QCOMPARE(nodes.count(), 2);
        QCOMPARE(nodes.at(0).at(0).value<QList<qint32>>(), QList<qint32>{2});
        QCOMPARE(nodes.at(0).at(1).toInt(), 2);

        doc.undoStack()->undo();
        QCOMPARE(doc.worldMap().UpNode(1), quint8(0));
        QCOMPARE(nodes.last().at(0).value<QList<qint32>>(), QList<qint32>{1});
        doc.undoStack()->undo();
        QCOMPARE(doc.worldMap().nodeCount(), 1);
        QCOMPARE(nodes.last().at(1).toInt(), 1);  // shows the node the step was made at
        QVERIFY(!doc.isModified());
        doc.undoStack()->redo();
        QCOMPARE(doc.worldMap().nodeCount(), 2);
        QCOMPARE(doc.worldMap().xPos(2), qint16(5));
    }

    void savedLoadedAndUndoneBackToTheFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Worldmap.qzm"));
        MapDocument doc;
        QSignalSpy modified(&doc, &MapDocument::modifiedChanged);
        QVERIFY(doc.edit(QStringLiteral("Move Node"), [](oWorldMap &m) { m.moveNode(1, 7, 8); }, 1, 1));
        QVERIFY(doc.isModified());
        QVERIFY(doc.save(path, dir.path()).ok());
        QVERIFY(!doc.isModified());
        QVERIFY(doc.edit(QStringLiteral("Pass Thru"), [](oWorldMap &m) { m.setPassThru(1, true); }, 1, 1));
        doc.undoStack()->undo();
        QVERIFY(!doc.isModified());
        QCOMPARE(modified.count(), 4);  // changed, saved, changed, back at the save

        // A damaged file leaves the open map and its history as they were.
        QFile damaged(dir.filePath(QStringLiteral("bad.qzm")));
        QVERIFY(damaged.open(QIODevice::WriteOnly));
        damaged.write("\x05", 1);
        damaged.close();
        QVERIFY(!doc.load(damaged.fileName()).ok());
        QCOMPARE(doc.worldMap().xPos(1), qint16(7));
        QCOMPARE(doc.undoStack()->count(), 2);

        QVERIFY(doc.load(path).ok());
        QCOMPARE(doc.worldMap().xPos(1), qint16(7));
        QCOMPARE(doc.undoStack()->count(), 0);
        QVERIFY(!doc.isModified());
        doc.reset();
        QCOMPARE(doc.worldMap().xPos(1), qint16(100));
    }
};

QTEST_GUILESS_MAIN(tst_mapdocument)
#include "tst_mapdocument.moc"
