#include <QTest>
class Placeholder : public QObject { Q_OBJECT private Q_SLOTS: void nothing() {} };
QTEST_APPLESS_MAIN(Placeholder)
#include "tst_gifwriter.moc"
