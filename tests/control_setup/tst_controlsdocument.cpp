#include "documents/ControlsDocument.h"

#include "support/RawFiles.h"

#include "FileIO.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace keyvane;

namespace {

const QByteArray kDefaultBytes =
    QByteArray::fromHex("2A 39 2C 2D 0E 19 02 03 01 04 05 06 CB CD D0 C8 01 C4 09 AC 0D");

// The last value each modifiedChanged carried, in order.
QList<bool> modifiedFlags(const QSignalSpy &spy)
{
    QList<bool> out;
    for (const QList<QVariant> &args : spy)
        out.append(args.at(0).toBool());
    return out;
}

QList<int> firstInts(const QSignalSpy &spy)
{
    QList<int> out;
    for (const QList<QVariant> &args : spy)
        out.append(args.at(0).toInt());
    return out;
}

} // namespace

// The controls document on its own, without windows.
class tst_controlsdocument : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString file() const { return m_dir.filePath(QStringLiteral("Controls.qzc")); }

private Q_SLOTS:
    void init() { QFile::remove(file()); }
    void cleanup() { vt::setReplaceFaultForTesting(std::nullopt); }

    void aMissingFileLoadsAsSavedDefaults()
    {
        ControlsDocument doc;
        QSignalSpy replaced(&doc, &ControlsDocument::documentReplaced);
        QSignalSpy named(&doc, &ControlsDocument::fileNameChanged);
        doc.setKey(0, 30);  // an edit before loading is replaced whole
        QVERIFY(!doc.load(file()).ok());
        QCOMPARE(doc.gControls(), ControlConfig{});
        QVERIFY(!doc.isModified());
        QCOMPARE(replaced.count(), 1);
        QCOMPARE(named.count(), 1);
        QCOMPARE(doc.fileName(), file());
        QVERIFY(!QFile::exists(file()));  // reading never creates it
    }

    void editsSayWhichActionOrAxisChanged()
    {
        ControlsDocument doc;
        (void)doc.load(file());
        QSignalSpy keys(&doc, &ControlsDocument::actionKeyChanged);
        QSignalSpy buttons(&doc, &ControlsDocument::joyButtonChanged);
        QSignalSpy axes(&doc, &ControlsDocument::sensitivityChanged);

        QVERIFY(doc.setKey(9, 30));
        QCOMPARE(doc.gControls().KeyRight, 30);
        QVERIFY(doc.setJoyButton(5, 9));
        QCOMPARE(doc.gControls().JoyPause, 9);
        QVERIFY(doc.setSensitivity(1, 1200));
        QCOMPARE(doc.gControls().iSensY, 1200);
        QCOMPARE(firstInts(keys), QList<int>{9});
        QCOMPARE(firstInts(buttons), QList<int>{5});
        QCOMPARE(firstInts(axes), QList<int>{1});

        // What changes nothing says nothing.
        QVERIFY(!doc.setKey(9, 30));
        QVERIFY(!doc.setKey(10, 30));
        QVERIFY(!doc.setKey(-1, 30));
        QVERIFY(!doc.setJoyButton(6, 1));  // the directions have no button
        QVERIFY(!doc.setSensitivity(2, 100));
        QVERIFY(!doc.setSensitivity(1, 1200));
        QCOMPARE(keys.count() + buttons.count() + axes.count(), 3);

        // A threshold beyond the stick's reach is brought into it.
        QVERIFY(doc.setSensitivity(0, 9000));
        QCOMPARE(doc.gControls().iSensX, ControlsDocument::kMaxThreshold);
        QVERIFY(doc.setSensitivity(0, -5));
        QCOMPARE(doc.gControls().iSensX, 0);
    }

    void modifiedFollowsTheDifferenceFromTheFile()
    {
        ControlsDocument doc;
        (void)doc.load(file());
        QSignalSpy modified(&doc, &ControlsDocument::modifiedChanged);
        doc.setKey(0, 30);
        doc.setKey(1, 31);
        QVERIFY(doc.isModified());
        doc.setKey(0, ControlConfig{}.KeyJump);
        QVERIFY(doc.isModified());
        doc.setKey(1, ControlConfig{}.KeyRunCarry);  // all back as loaded
        QVERIFY(!doc.isModified());
        doc.setKey(1, 31);  // a second change after that counts again
        QCOMPARE(modifiedFlags(modified), (QList<bool>{true, false, true}));
    }

    void savingMarksSavedOnlyWhenTheFileIsWritten()
    {
        writeRaw(file(), kDefaultBytes + "tail");
        ControlsDocument doc;
        QVERIFY(doc.load(file()).ok());
        doc.setKey(0, 30);
        QSignalSpy modified(&doc, &ControlsDocument::modifiedChanged);

        vt::setReplaceFaultForTesting(5);
        QVERIFY(!doc.save().ok());
        vt::setReplaceFaultForTesting(std::nullopt);
        QVERIFY(doc.isModified());
        QCOMPARE(readRaw(file()), kDefaultBytes + "tail");
        QCOMPARE(modified.count(), 0);

        QVERIFY(doc.save().ok());
        QVERIFY(!doc.isModified());
        QCOMPARE(modifiedFlags(modified), QList<bool>{false});
        QByteArray expected = kDefaultBytes + "tail";
        expected[2] = char(30);
        QCOMPARE(readRaw(file()), expected);

        // Loading over edits gives the file's record, saved.
        doc.setSensitivity(0, 100);
        QVERIFY(doc.load(file()).ok());
        QVERIFY(!doc.isModified());
        QCOMPARE(doc.gControls().KeyJump, 30);
        QCOMPARE(doc.gControls().iSensX, 2500);
        QCOMPARE(modifiedFlags(modified), (QList<bool>{false, true, false}));
    }

    void thresholdsOutsideTheBarsAreBroughtInAsAChange()
    {
        QByteArray bytes = kDefaultBytes;
        bytes.replace(17, 4, QByteArray::fromHex("3075 9cff"));  // X 30000, Y -100
        writeRaw(file(), bytes);
        ControlsDocument doc;
        QVERIFY(doc.load(file()).ok());
        QCOMPARE(doc.gControls().iSensX, 30000);  // kept until the bars are shown
        QVERIFY(!doc.isModified());
        QSignalSpy axes(&doc, &ControlsDocument::sensitivityChanged);

        const QList<ControlsDocument::SensitivityClamp> clamped = doc.clampSensitivities();
        QCOMPARE(clamped.size(), 2);
        QCOMPARE(clamped[0].axis, 0);
        QCOMPARE(clamped[0].from, 30000);
        QCOMPARE(clamped[0].to, 5000);
        QCOMPARE(clamped[1].axis, 1);
        QCOMPARE(clamped[1].from, -100);
        QCOMPARE(clamped[1].to, 0);
        QCOMPARE(firstInts(axes), (QList<int>{0, 1}));
        QVERIFY(doc.isModified());
        QVERIFY(doc.clampSensitivities().isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_controlsdocument)
#include "tst_controlsdocument.moc"
