#include "CheckReport.h"

#include <QStringList>
#include <QTextStream>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace vtfile {

namespace {

QString placeText(const Place &p)
{
    QStringList parts;
    if (p.world)
        parts << u"world %1"_s.arg(p.world);
    if (p.level)
        parts << u"level %1 \"%2\""_s.arg(p.level).arg(p.levelName);
    if (p.node)
        parts << u"node %1"_s.arg(p.node);
    if (p.enemy)
        parts << u"enemy %1 \"%2\""_s.arg(p.enemy).arg(p.enemyType);
    return parts.isEmpty() ? QString() : u" ("_s + parts.join(u", "_s) + u')';
}

const char *severityName(Severity s)
{
    switch (s) {
    case Severity::Problem: return "problem";
    case Severity::Warning: return "warning";
    case Severity::Unreadable: return "unreadable";
    }
    return "";
}

// A JSON string: the text is UTF-16, the stream writes it as UTF-8.
void jsonString(QTextStream &out, const QString &s)
{
    out << '"';
    qsizetype plain = 0;
    for (qsizetype i = 0; i < s.size(); ++i) {
        const char16_t c = s[i].unicode();
        if (c >= 0x20 && c != u'"' && c != u'\\')
            continue;
        out << QStringView(s).sliced(plain, i - plain);
        plain = i + 1;
        switch (c) {
        case u'"': out << "\\\""; break;
        case u'\\': out << "\\\\"; break;
        case u'\n': out << "\\n"; break;
        case u'\r': out << "\\r"; break;
        case u'\t': out << "\\t"; break;
        default: out << u"\\u%1"_s.arg(int(c), 4, 16, QChar(u'0'));
        }
    }
    out << QStringView(s).sliced(plain) << '"';
}

void jsonFinding(QTextStream &out, const Finding &f)
{
    out << "{\"severity\": \"" << severityName(f.severity) << "\", \"file\": ";
    jsonString(out, f.file);
    const Place &p = f.place;
    if (p.world)
        out << ", \"world\": " << p.world;
    if (p.level) {
        out << ", \"level\": " << p.level << ", \"levelName\": ";
        jsonString(out, p.levelName);
    }
    if (p.node)
        out << ", \"node\": " << p.node;
    if (p.enemy) {
        out << ", \"enemy\": " << p.enemy << ", \"enemyType\": ";
        jsonString(out, p.enemyType);
    }
    if (p.cell)
        out << ", \"cell\": [" << p.cell->x() << ", " << p.cell->y() << ']';
    out << ", \"message\": ";
    jsonString(out, f.message);
    if (!f.fix.isEmpty()) {
        out << ", \"fix\": ";
        jsonString(out, f.fix);
    }
    out << '}';
}

// Problems before warnings, each group in the order found.
template<typename Each>
void inReportOrder(const CheckReport &report, Each each)
{
    for (const Finding &f : report.findings)
        if (f.severity != Severity::Warning)
            each(f);
    for (const Finding &f : report.findings)
        if (f.severity == Severity::Warning)
            each(f);
}

} // namespace

void CheckReport::add(Severity severity, const QString &file, const QString &message, const QString &fix,
                      const Place &place)
{
    findings.push_back(Finding{severity, file, place, message, fix});
}

qsizetype CheckReport::count(Severity severity) const
{
    return std::count_if(findings.begin(), findings.end(),
                         [severity](const Finding &f) { return f.severity == severity; });
}

int CheckReport::exitStatus(bool strict) const
{
    int status = 0;
    for (const Finding &f : findings) {
        if (f.severity == Severity::Unreadable)
            return 2;
        if (f.severity == Severity::Problem || strict)
            status = 1;
    }
    return status;
}

QString findingLine(const Finding &f)
{
    QString line = f.file + placeText(f.place) + u": "_s + f.message;
    if (!f.fix.isEmpty())
        line += u"; fix: "_s + f.fix;
    return line;
}

void writeText(const CheckReport &report, QTextStream &out)
{
    inReportOrder(report, [&out](const Finding &f) {
        if (f.severity == Severity::Warning)
            out << "warning: ";
        out << findingLine(f) << '\n';
    });
}

void writeJson(const CheckReport &report, QTextStream &out)
{
    out << "{\n  \"findings\": [";
    bool first = true;
    inReportOrder(report, [&](const Finding &f) {
        out << (first ? "\n    " : ",\n    ");
        first = false;
        jsonFinding(out, f);
    });
    out << (first ? "],\n" : "\n  ],\n");
    out << "  \"counts\": {\"problems\": " << report.count(Severity::Problem)
        << ", \"warnings\": " << report.count(Severity::Warning)
        << ", \"unreadable\": " << report.count(Severity::Unreadable) << "}\n}\n";
}

} // namespace vtfile
