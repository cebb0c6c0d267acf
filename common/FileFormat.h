#pragma once

#include "FileIO.h"
#include "Status.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

// Every file format of the game folder has the same shape:
//
//     vt::Status encode(const M &model, QByteArray &out);   // out set only on success
//     vt::Status decode(QByteArrayView bytes, M &model);    // as each format documents
//
// beside a FileFormat that says what the format is. loadFile and saveFile join the two to
// the house's file functions, so that every format reads and writes files the same way and
// says so in the same words.

namespace vt {

struct FileFormat
{
    enum class Reading {
        Head,   // the layout describes a bounded number of bytes; bytes past them are ignored
        Whole,  // the whole file is the format; a file larger than maxSize is refused
    };

    const char *name;       // "area": the word --type and the JSON "format" member use
    const char *extension;  // "qzl", without the dot
    qint64 maxSize;         // the most bytes a reader takes
    Reading reading;
    OldTail saveTail;       // what a save leaves of a longer old file
    const char *shortFile;  // what a file shorter than its layout means, for people
    // For a format whose header gives the size of what follows: the header's length, and the
    // bytes the whole layout takes according to it (at most maxSize). Without one, a Head
    // read takes maxSize bytes.
    qsizetype headerSize = 0;
    qint64 (*sizeFromHeader)(QByteArrayView header) = nullptr;

    // "an area file", "a map file", ...
    QString file() const;
    // ".qzl", and "*.qzl" for listing and file dialogs.
    QString suffix() const { return u'.' + QLatin1StringView(extension); }
    QString pattern() const { return u'*' + suffix(); }
};

// The bytes of the file the format's reader takes: the head its layout describes, or the
// whole file within maxSize. The message names the path.
Status readFormatFile(const FileFormat &format, const QString &path, QByteArray &bytes);

// The one wording of a format's refusal: "Cannot read PATH: why" / "Cannot save PATH: why".
Status cannotRead(const QString &path, const Status &why);
Status cannotSave(const QString &path, const Status &why);

template <class M>
using Decoder = Status (*)(QByteArrayView, M &);
template <class M>
using Encoder = Status (*)(const M &, QByteArray &);

// Reads the file and decodes it into model; what model holds after a failure is what the
// format's decode leaves (most leave it as it was).
template <class M>
Status loadFile(const FileFormat &format, Decoder<M> decode, const QString &path, M &model)
{
    QByteArray bytes;
    if (Status s = readFormatFile(format, path, bytes); !s)
        return s;
    if (Status s = decode(bytes, model); !s)
        return cannotRead(path, s);
    return Status::success();
}

// Encodes model and replaces the file atomically (see replaceFile); a model the format
// cannot hold leaves the old file untouched.
template <class M>
Status saveFile(const FileFormat &format, Encoder<M> encode, const M &model, const QString &path,
                const QString &confineTo = QString())
{
    QByteArray bytes;
    if (Status s = encode(model, bytes); !s)
        return cannotSave(path, s);
    return replaceFile(path, bytes, format.saveTail, confineTo);
}

} // namespace vt
