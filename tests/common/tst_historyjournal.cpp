// A history followed into a journal and replayed from it, on a document of one line of text
// whose steps set one character: whatever the history did (steps, undos, redos, a branch, a
// limit that drops its oldest steps), the replayed history stands where it stood.
#include "HistoryJournal.h"
#include "Journal.h"

#include <QTemporaryDir>
#include <QTest>
#include <QUndoStack>

using namespace Qt::StringLiterals;

namespace {

struct Line
{
    QByteArray text = "..........";
};

class SetChar final : public QUndoCommand
{
public:
    SetChar(Line &line, int at, char before, char after) : m_line(line), m_at(at), m_before(before), m_after(after) {}
    void undo() override { m_line.text[m_at] = m_before; }
    void redo() override { m_line.text[m_at] = m_after; }
    QByteArray bytes() const { return QByteArray::number(m_at) + ' ' + m_before + m_after; }

    static SetChar *from(Line &line, const QByteArray &bytes)
    {
        const QList<QByteArray> parts = bytes.split(' ');
        if (parts.size() != 2 || parts[1].size() != 2)
            return nullptr;
        return new SetChar(line, parts[0].toInt(), parts[1][0], parts[1][1]);
    }

private:
    Line &m_line;
    int m_at;
    char m_before, m_after;
};

struct Document
{
    Line line;
    QUndoStack stack;
    vt::JournalWriter writer;
    vt::HistoryJournal history;

    explicit Document(const QString &folder)
        : writer(folder, u"test"_s, u"line"_s),
          history(stack, writer, [](const QUndoCommand &c) {
              return [bytes = static_cast<const SetChar &>(c).bytes()] { return bytes; };
          })
    {
        history.setOrigin(vt::JournalOrigin{});
    }

    void set(int at, char c) { stack.push(new SetChar(line, at, line.text[at], c)); }
};

} // namespace

class tst_historyjournal : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The records' checksum is the standard CRC-32C, whole or in pieces, at any alignment.
    void recordsAreCheckedWithCrc32c()
    {
        QCOMPARE(vt::crc32c("123456789"), 0xE3069283u);
        QCOMPARE(vt::crc32c("6789", vt::crc32c("12345")), 0xE3069283u);
        const QByteArray padded = "x123456789abcdefghijklmnop";
        QCOMPARE(vt::crc32c(QByteArrayView(padded).sliced(1, 9)), 0xE3069283u);
        QCOMPARE(vt::crc32c(""), 0u);
    }

    void theReplayedHistoryStandsWhereTheRecordedOneStood()
    {
        QTemporaryDir dir;
        Document doc(dir.path());
        doc.stack.setUndoLimit(4);  // the oldest steps go as new ones come
        const char *word = "journaled";
        for (int i = 0; i < 9; ++i)
            doc.set(i, word[i]);
        doc.stack.undo();
        doc.stack.undo();
        doc.set(8, '!');  // a branch: the undone steps go
        doc.stack.undo();
        doc.stack.redo();
        doc.stack.undo();
        for (int i = 0; i < 3; ++i)
            doc.set(i, 'X');
        doc.stack.undo();
        QCOMPARE(doc.stack.count(), 4);
        vt::JournalWriter::drain();

        vt::JournalContents journal;
        QVERIFY(vt::readJournal(doc.writer.path(), journal));
        QVERIFY(!journal.damaged);
        Line replayed;
        QUndoStack stack;
        bool complete = false;
        vt::HistoryJournal::replay(
            stack, journal.records, [&](const QByteArray &b) { return SetChar::from(replayed, b); },
            [&](QUndoCommand *c) { stack.push(c); }, &complete);
        QVERIFY(complete);
        QCOMPARE(replayed.text, doc.line.text);
        QCOMPARE(stack.index() - stack.count(), doc.stack.index() - doc.stack.count());
        // Every step the limited history still has undoes the same way.
        while (doc.stack.canUndo()) {
            doc.stack.undo();
            stack.undo();
            QCOMPARE(replayed.text, doc.line.text);
        }
    }

    void aReturnToTheStartDeletesTheJournalAndALaterStepBeginsOne()
    {
        QTemporaryDir dir;
        Document doc(dir.path());
        doc.set(0, 'a');
        const QString path = doc.writer.path();
        vt::JournalWriter::drain();
        QVERIFY(QFile::exists(path));
        doc.stack.undo();
        QVERIFY(!doc.writer.isOpen());
        vt::JournalWriter::drain();
        QVERIFY(!QFile::exists(path));
        doc.stack.redo();  // the same step again: the journal holds it from the start
        vt::JournalWriter::drain();
        vt::JournalContents journal;
        QVERIFY(vt::readJournal(doc.writer.path(), journal));
        QCOMPARE(journal.edits(), 1);
    }
};

QTEST_GUILESS_MAIN(tst_historyjournal)
#include "tst_historyjournal.moc"
