#include "VirtualJoystick.h"

#include "input/DXJoystick.h"

#include <QTest>

using keyvane::DXJoystick;

class tst_joystick : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The scaling on its own, at the points where the rule changes.
    void axisScale()
    {
        QCOMPARE(DXJoystick::scaleAxis(0), 5000);
        // Dead zone: |v| <= 3276.7 on the right, 3276.8 on the left.
        QCOMPARE(DXJoystick::scaleAxis(3276), 5000);
        QCOMPARE(DXJoystick::scaleAxis(-3276), 5000);
        QCOMPARE(DXJoystick::scaleAxis(-3277), 5000);
        // Saturation at 95 %: 31128.65 on the right, 31129.6 on the left.
        QCOMPARE(DXJoystick::scaleAxis(31129), 10000);
        QCOMPARE(DXJoystick::scaleAxis(32767), 10000);
        QCOMPARE(DXJoystick::scaleAxis(-31130), 0);
        QCOMPARE(DXJoystick::scaleAxis(-32768), 0);
        // Linear between: 5000 + (v - D) * 5000 / (S - D), rounded half away from zero.
        QCOMPARE(DXJoystick::scaleAxis(17203), 7500);   // 7500.06
        QCOMPARE(DXJoystick::scaleAxis(-17203), 2500);  // 2500.04
        QCOMPARE(DXJoystick::scaleAxis(30000), 9797);   // 9797.38
        QCOMPARE(DXJoystick::scaleAxis(31128), 10000);  // 9999.88
        QCOMPARE(DXJoystick::scaleAxis(4000), 5130);    // 5129.85
        QCOMPARE(DXJoystick::scaleAxis(-4000), 4870);   // 4870.17
        // Exact halves (with a centre off zero) round up, on both sides.
        QCOMPARE(DXJoystick::scaleAxis(18538, -961), 7813);   // 7812.5
        QCOMPARE(DXJoystick::scaleAxis(-12604, -768), 3413);  // 3412.5
        QCOMPARE(DXJoystick::scaleAxis(-5397, -448), 4688);   // 4687.5
        // Monotonic over the whole range.
        int last = -1;
        for (int raw = -32768; raw <= 32767; raw += 7) {
            const int v = DXJoystick::scaleAxis(raw);
            QVERIFY(v >= last);
            last = v;
        }
    }

    void noJoystickAnswersNothing()
    {
        SKIP_IF_REAL_JOYSTICK();
        DXJoystick j;
        j.Initialize();
        QVERIFY(!j.JoystickPresent());
        QCOMPARE(j.ButtonCount(), 0);
        j.Update();
        QCOMPARE(j.XAxis(), 0);
        QCOMPARE(j.YAxis(), 0);
        for (int b = -1; b <= 33; ++b)
            QVERIFY(!j.ButtonDown(b));
    }

    void virtualJoystick()
    {
        SKIP_IF_REAL_JOYSTICK();
        VirtualJoystick stick(4);
        QVERIFY2(stick.ok(), qPrintable(stick.error()));
        DXJoystick j;
        j.Initialize();
        QVERIFY(j.JoystickPresent());
        QCOMPARE(j.ButtonCount(), 4);

        const std::pair<int, int> positions[] = {
            {0, 0},          // centre
            {2000, 0},       // inside the dead zone
            {-3276, 0},      // its edge
            {3277, 0},       // just past it: 0.05 rounds to 0
            {17203, 2500},   // half way
            {-17203, -2500},
            {31129, 5000},   // at saturation
            {31500, 5000},   // past it
            {32767, 5000},   // full right / down
            {-32768, -5000}, // full left / up
        };
        for (const auto &[raw, expected] : positions) {
            stick.axis(0, raw);
            stick.axis(1, -raw - 1);
            j.Update();
            QCOMPARE(j.XAxis(), expected);
            QCOMPARE(j.YAxis(), raw == 0 ? 0 : -expected);
        }

        stick.button(0, true);
        stick.button(3, true);
        QVERIFY(!j.ButtonDown(1));  // not polled yet
        j.Update();
        QVERIFY(j.ButtonDown(1));
        QVERIFY(!j.ButtonDown(2));
        QVERIFY(!j.ButtonDown(3));
        QVERIFY(j.ButtonDown(4));
        QVERIFY(!j.ButtonDown(0));
        QVERIFY(!j.ButtonDown(5));
        stick.button(0, false);
        j.Update();
        QVERIFY(!j.ButtonDown(1));
        QVERIFY(j.ButtonDown(4));
    }

    void unpluggedKeepsTheLastPoll()
    {
        SKIP_IF_REAL_JOYSTICK();
        DXJoystick j;
        {
            VirtualJoystick stick(2);
            QVERIFY(stick.ok());
            j.Initialize();
            stick.axis(0, -32768);
            stick.button(1, true);
            j.Update();
            QCOMPARE(j.XAxis(), -5000);
        }
        j.Update();
        QVERIFY(j.JoystickPresent());
        QCOMPARE(j.XAxis(), -5000);
        QVERIFY(j.ButtonDown(2));
    }
};

QTEST_GUILESS_MAIN(tst_joystick)
#include "tst_joystick.moc"
