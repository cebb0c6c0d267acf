#include "AsStored.h"

#include "JsonReader.h"
#include "JsonWriter.h"

#include <cstring>
#include <limits>
#include <vector>

using namespace Qt::StringLiterals;

namespace vtfile {

namespace {

const JsonName kStoredMembers[] = {"patches", "length", "trailing"};
const JsonName kPatchMembers[] = {"offset", "written", "stored"};

QByteArray hex(QByteArrayView b)
{
    return b.toByteArray().toHex();
}

QByteArray hexBytes(JsonReader &in, const JsonValue &v)
{
    const QString s = in.string(v);
    if (in.bad())
        return {};
    for (const QChar c : s) {
        if (!c.isDigit() && !(c.toLower() >= u'a' && c.toLower() <= u'f')) {
            in.fail(v, u"expected hexadecimal digits"_s);
            return {};
        }
    }
    if (s.size() % 2) {
        in.fail(v, u"expected an even number of hexadecimal digits"_s);
        return {};
    }
    return QByteArray::fromHex(s.toLatin1());
}

} // namespace

void writeStoredDifferences(JsonWriter &out, QByteArrayView written, QByteArrayView file)
{
    struct Run
    {
        qsizetype offset, size;
    };
    std::vector<Run> patches;
    const qsizetype common = std::min(written.size(), file.size());
    constexpr qsizetype kBlock = 256;  // most files differ nowhere: compared a block at a time
    for (qsizetype i = 0; i < common;) {
        if (const qsizetype n = std::min(kBlock, common - i);
            std::memcmp(written.data() + i, file.data() + i, size_t(n)) == 0) {
            i += n;
            continue;
        }
        while (written[i] == file[i])
            ++i;
        qsizetype end = i;
        while (end < common && written[end] != file[end])
            ++end;
        patches.push_back({i, end - i});
        i = end;
    }
    if (patches.empty() && file.size() == written.size())
        return;
    out.beginObject("asStored");
    if (!patches.empty()) {
        out.beginArray("patches");
        for (const Run &p : patches) {
            out.beginObject();
            out.number("offset", p.offset);
            out.latin1("written", hex(written.sliced(p.offset, p.size)));
            out.latin1("stored", hex(file.sliced(p.offset, p.size)));
            out.end();
        }
        out.end();
    }
    if (file.size() < written.size())
        out.number("length", file.size());
    if (file.size() > written.size())
        out.latin1("trailing", hex(file.sliced(written.size())));
    out.end();
}

void applyStored(JsonReader &in, JsonObject &document, QByteArray &bytes)
{
    const JsonValue v = in.optional(document, "asStored");
    if (!v.present() || in.bad())
        return;
    JsonObject o = in.object(v, kStoredMembers);
    if (const JsonValue pv = in.optional(o, "patches"); pv.present()) {
        JsonArray patches = in.array(pv, 0, std::numeric_limits<int>::max());
        JsonValue item;
        while (in.next(patches, item)) {
            JsonObject patch = in.object(item, kPatchMembers);
            const qint64 offset = in.number(patch, "offset", 0, bytes.size());
            const QByteArray written = hexBytes(in, in.member(patch, "written"));
            const QByteArray stored = hexBytes(in, in.member(patch, "stored"));
            in.done(patch);
            if (in.bad())
                return;
            if (written.size() != stored.size())
                in.fail(item, u"\"written\" and \"stored\" differ in length"_s);
            else if (QByteArrayView(bytes).sliced(offset).first(std::min(written.size(), bytes.size() - offset)) != written)
                in.fail(item, u"the bytes at offset %1 are no longer %2 (an edit moved them): remove this patch"_s
                                  .arg(offset)
                                  .arg(QString::fromLatin1(hex(written))));
            else
                bytes.replace(offset, stored.size(), stored);
        }
    }
    if (const JsonValue lv = in.optional(o, "length"); lv.present()) {
        const qint64 length = in.number(lv, 0, bytes.size());
        if (!in.bad())
            bytes.truncate(length);
    }
    if (const JsonValue tv = in.optional(o, "trailing"); tv.present()) {
        const QByteArray tail = hexBytes(in, tv);
        if (!in.bad())
            bytes.append(tail);
    }
    in.done(o);
}

} // namespace vtfile
