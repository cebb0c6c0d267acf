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

} // namespace vtfile
