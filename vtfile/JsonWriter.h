#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

#include <cstring>
#include <functional>
#include <limits>
#include <span>
#include <string>
#include <vector>

namespace vtfile {

// Writes JSON text straight into a byte array (UTF-8), laid out for people: a container that
// fits on one line (its compact text at most 96 columns from its indentation, counted in
// UTF-16 units) goes on one line, any other one member per line, two more spaces in; an array
// that holds ready-made rows (an area's grid) always goes one row per line.
//
// Whether a container fits is known only once it is complete or has grown too long, so the
// writer keeps the text of the containers still undecided apart: never much more than a line,
// whatever the size of the document.
class JsonWriter
{
public:
    using Sink = std::function<bool(QByteArrayView)>;

    explicit JsonWriter(QByteArray &out);
    // Hands the text to `sink` in pieces of a few mebibytes as it is made, so that a large
    // document is never held whole; a sink that returns false is given nothing more.
    explicit JsonWriter(Sink sink);
    ~JsonWriter();
    JsonWriter(const JsonWriter &) = delete;
    JsonWriter &operator=(const JsonWriter &) = delete;

    // Ends the document with a line ending and hands over (or leaves in `out`) exactly the
    // text written; false when the sink refused a piece.
    bool finish();

    // How a container is laid out. Fit waits to see whether it fits on one line; OneLine and
    // Lines say beforehand what Fit would decide, for a container whose width the format
    // bounds (a pipe's three numbers, a level's sixteen pipes), and spare the writer the wait.
    // Debug builds check that a container said to fit on one line does.
    enum class Layout { Fit, OneLine, Lines };

    // A member's name (plain ASCII) and its length, counted where the name is written.
    struct Key
    {
        constexpr Key(const char *n) : name(n), size(n ? qsizetype(std::char_traits<char>::length(n)) : 0) {}
        constexpr Key(std::nullptr_t) {}
        const char *name = nullptr;
        qsizetype size = 0;
    };

    // key: the member's name inside an object (plain ASCII); nullptr inside an array and for
    // the document itself.
    void beginObject(Key key = nullptr, Layout layout = Layout::Fit);
    void beginArray(Key key = nullptr, Layout layout = Layout::Fit);
    void end();

    void number(Key key, qint64 value);
    // An object of whole numbers said to fit on one line (Layout::OneLine), in one call.
    void numbers(Key key, std::span<const Key> names, const qint64 *values);
    void boolean(Key key, bool value);
    // A text of the files: windows-1252 bytes.
    void text(Key key, QByteArrayView windows1252);
    void string(Key key, QStringView value);
    void latin1(Key key, QByteArrayView value);

    // An array item given as compact JSON of ASCII characters (a row of cells), written by the
    // caller into room for at most maxSize bytes; endRaw takes where it ended. Its array goes
    // one item per line.
    char *beginRaw(qsizetype maxSize);
    void endRaw(char *end);

    // Appends into a byte array whose size runs ahead of the text: room is made in large steps
    // and written through a pointer, not by a call into the array for each piece.
    class Bytes
    {
    public:
        explicit Bytes(QByteArray &array, const Sink *sink = nullptr);
        char *room(qsizetype n)
        {
            if (m_capacity - m_size < n)
                grow(n);
            return m_base + m_size;
        }
        void done(const char *end) { m_size = end - m_base; }
        void append(const char *s, qsizetype n)
        {
            std::memcpy(room(n), s, std::size_t(n));
            m_size += n;
        }
        void append(char c)
        {
            *room(1) = c;
            ++m_size;
        }
        qsizetype size() const { return m_size; }
        qint64 total() const { return m_handedOn + m_size; }  // with what the sink took
        const char *data() const { return m_base; }
        void clear() { m_size = 0; }
        // Leaves the array holding what is written, or hands the rest to the sink.
        bool finish();

    private:
        void grow(qsizetype n);
        bool flush();

        QByteArray &m_array;
        const Sink *m_sink;
        bool m_sinkTook = true;
        qint64 m_handedOn = 0;
        char *m_base = nullptr;
        qsizetype m_size = 0;
        qsizetype m_capacity = 0;
    };

private:
    struct Pending
    {
        qsizetype key = -1;  // where its "name": starts, when it is a member
        qsizetype begin = 0, end = 0;  // its compact text
        qint64 unitsBegin = 0, unitsEnd = 0;
        int next = 0;  // the node after its subtree
        int count = 0;  // items so far, for a container
        bool container = false, isArray = false, holdsRaw = false;
    };
    struct Open
    {
        bool isArray;
        int count;
        bool oneLine;  // said to fit: its items follow each other on its line
        qint64 start;  // where it began, for the check of what it said
    };

    bool direct() const { return m_undecided.empty(); }
    void prefix(Key key);
    int addPending(Key key, bool container, bool isArray);
    void closePending(int node);
    void begin(Key key, bool isArray, Layout layout);
    // Lays out the outermost undecided container as soon as it cannot fit any more.
    void settle()
    {
        if (m_units > m_limit)
            settleNow();
    }
    void settleNow();
    void updateLimit();
    void expandOutermost();
    void print(int node, int indent);
    int indent() const { return int(2 * m_expanded.size()); }
    void clearPending();
    template <class Write>
    void scalar(Key key, Write write);

    Sink m_sink;
    QByteArray m_outArray;  // the pieces on their way to the sink
    Bytes m_out;
    bool m_finished = false;
    std::vector<Open> m_expanded;  // containers written one member per line, outermost first

    // The undecided containers and everything in them, in document order.
    QByteArray m_textArray;
    Bytes m_text;
    qint64 m_units = 0;
    std::vector<Pending> m_nodes;
    std::vector<int> m_undecided;  // the open ones, outermost first
    // Past this many units the outermost undecided container cannot fit on its line.
    qint64 m_limit = std::numeric_limits<qint64>::max();
    int m_raw = -1;  // the pending row being written
};

} // namespace vtfile
