#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QStringView>

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
    explicit JsonWriter(QByteArray &out);

    // key: the member's name inside an object (plain ASCII); nullptr inside an array and for
    // the document itself.
    void beginObject(const char *key = nullptr);
    void beginArray(const char *key = nullptr);
    void end();

    void number(const char *key, qint64 value);
    void boolean(const char *key, bool value);
    // A text of the files: windows-1252 bytes.
    void text(const char *key, QByteArrayView windows1252);
    void string(const char *key, QStringView value);
    void latin1(const char *key, QByteArrayView value);

    // An array item given as compact JSON of ASCII characters (a row of cells): append it to
    // the returned array, then call endRaw(). Its array goes one item per line.
    QByteArray &beginRaw();
    void endRaw();

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
    };

    bool direct() const { return m_undecided.empty(); }
    void prefix(const char *key);
    int addPending(const char *key, bool container, bool isArray);
    void closePending(int node);
    void begin(const char *key, bool isArray);
    void settle();
    void expandOutermost();
    void print(int node, int indent);
    int indent() const { return int(2 * m_expanded.size()); }
    void clearPending();
    template <class Write>
    void scalar(const char *key, Write write);

    QByteArray &m_out;
    std::vector<Open> m_expanded;  // containers written one member per line, outermost first

    // The undecided containers and everything in them, in document order.
    QByteArray m_text;
    qint64 m_units = 0;
    std::vector<Pending> m_nodes;
    std::vector<int> m_undecided;  // the open ones, outermost first
    int m_raw = -1;  // the pending row being written
};

} // namespace vtfile
