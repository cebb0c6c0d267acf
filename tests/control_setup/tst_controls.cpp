#include "input/mInput.h"
#include "support/Encoded.h"

#include "support/RawFiles.h"

#include "FileIO.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace keyvane;
using namespace keyvane::mInput;

namespace {

const QByteArray kDefaultBytes =
    QByteArray::fromHex("2A 39 2C 2D 0E 19 02 03 01 04 05 06 CB CD D0 C8 01 C4 09 AC 0D");

// One distinct value per field, 0x10 + its offset in the file, so that a field written at
// the wrong place shows.
ControlConfig distinctConfig()
{
    ControlConfig c;
    c.KeyRunCarry = 0x10;
    c.KeyUsePowerup = 0x11;
    c.KeyJump = 0x12;
    c.KeyReleaseItem = 0x13;
    c.KeyExitLevel = 0x14;
    c.KeyPause = 0x15;
    c.JoyRunCarry = 0x16;
    c.JoyUsePowerup = 0x17;
    c.JoyJump = 0x18;
    c.JoyReleaseItem = 0x19;
    c.JoyExitLevel = 0x1a;
    c.JoyPause = 0x1b;
    c.KeyLeft = 0x1c;
    c.KeyRight = 0x1d;
    c.KeyDown = 0x1e;
    c.KeyUp = 0x1f;
    c.bOther = 0x20;
    c.iSensX = -2;      // FE FF: the sign survives
    c.iSensY = 0x4321;  // 21 43
    return c;
}

} // namespace

class tst_controls : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void defaultsAreTheDocumentedBytes()
    {
        ControlConfig c = distinctConfig();
        SetDefaultControls(c);
        QCOMPARE(encoded(encode, c), kDefaultBytes);
        QCOMPARE(encoded(encode, ControlConfig{}), kDefaultBytes);
    }

    void eachFieldHasItsOwnOffset()
    {
        const ControlConfig c = distinctConfig();
        const QByteArray bytes = encoded(encode, c);
        QCOMPARE(bytes.size(), kControlFileSize);
        QCOMPARE(bytes.first(17), QByteArray::fromHex("101112131415161718191a1b1c1d1e1f20"));
        QCOMPARE(bytes.mid(17), QByteArray::fromHex("feff 2143"));

        ControlConfig back;
        QVERIFY(decode(bytes + "trailing", back));
        QCOMPARE(back, c);
    }

    void missingFileGivesDefaultsAndShortFileKeepsWhatItHolds()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Controls.qzc"));
        ControlConfig c = distinctConfig();
        QVERIFY(!LoadControls(c, path).ok());
        QCOMPARE(c, ControlConfig{});
        QVERIFY(!QFile::exists(path));

        // A short file keeps the fields it holds; only the missing ones get their defaults.
        const ControlConfig distinct = distinctConfig();
        writeRaw(path, encoded(encode, distinct).first(14));
        c = distinctConfig();
        const vt::Status s = LoadControls(c, path);
        QVERIFY(!s.ok());
        QVERIFY(s.error().contains(QStringLiteral("too short")));
        ControlConfig expected;
        expected.KeyRunCarry = distinct.KeyRunCarry;
        expected.KeyUsePowerup = distinct.KeyUsePowerup;
        expected.KeyJump = distinct.KeyJump;
        expected.KeyReleaseItem = distinct.KeyReleaseItem;
        expected.KeyExitLevel = distinct.KeyExitLevel;
        expected.KeyPause = distinct.KeyPause;
        expected.JoyRunCarry = distinct.JoyRunCarry;
        expected.JoyUsePowerup = distinct.JoyUsePowerup;
        expected.JoyJump = distinct.JoyJump;
        expected.JoyReleaseItem = distinct.JoyReleaseItem;
        expected.JoyExitLevel = distinct.JoyExitLevel;
        expected.JoyPause = distinct.JoyPause;
        expected.KeyLeft = distinct.KeyLeft;
        expected.KeyRight = distinct.KeyRight;
        QCOMPARE(c, expected);

        // 20 bytes: every field but the Y sensitivity, whose half byte is not a value.
        ControlConfig twenty;
        QVERIFY(!decode(encoded(encode, distinct).first(20), twenty));
        QCOMPARE(twenty.iSensX, distinct.iSensX);
        QCOMPARE(twenty.bOther, distinct.bOther);
        QCOMPARE(twenty.iSensY, ControlConfig{}.iSensY);
    }

    void saveAndLoadRoundTripKeepingTheOldTail()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("Controls.qzc"));
        QVERIFY(SaveControls(ControlConfig{}, path).ok());
        QCOMPARE(readRaw(path), kDefaultBytes);

        writeRaw(path, QByteArray(21, '\x77') + "tail");
        QVERIFY(SaveControls(distinctConfig(), path).ok());
        QCOMPARE(readRaw(path), encoded(encode, distinctConfig()) + "tail");
        ControlConfig c;
        QVERIFY(LoadControls(c, path).ok());
        QCOMPARE(c, distinctConfig());  // bOther included: written back as read

        vt::setReplaceFaultForTesting(5);
        const vt::Status failed = SaveControls(ControlConfig{}, path);
        vt::setReplaceFaultForTesting(std::nullopt);
        QVERIFY(!failed.ok());
        QCOMPARE(readRaw(path), encoded(encode, distinctConfig()) + "tail");
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("Controls.qzc")});
    }
};

QTEST_APPLESS_MAIN(tst_controls)
#include "tst_controls.moc"
