#pragma once

#include <QPoint>
#include <QString>

#include <optional>
#include <vector>

class QTextStream;

namespace vtfile {

enum class Severity {
    Problem,     // a broken file or reference
    Warning,     // legal, but worth knowing (a listed world not created yet)
    Unreadable,  // a file whose bytes could not be had at all
};

// Where in a file a finding lies; 0 or empty where it says nothing.
struct Place
{
    qint64 world = 0;   // line of Worlds.inf, from 1
    qint64 level = 0;   // level number of a world details file, from 1
    QString levelName;
    int node = 0;       // world map node, from 1
    int enemy = 0;      // enemy type of a skin, from 1
    QString enemyType;
    std::optional<QPoint> cell;  // [column, row] of an area; the message says it in words
    // Which of a level's details the finding is about, where it is one (the reports do not
    // print it: the message names it; the world editor leads to where it is chosen).
    enum class Detail { None, AreaFile, Tileset, EnemySkin, Backdrop, Music };
    Detail detail = Detail::None;
};

struct Finding
{
    Severity severity = Severity::Problem;
    QString file;
    Place place;
    QString message;
    QString fix;  // what mends it, where that is plain
};

// What checking found, in the order found.
struct CheckReport
{
    std::vector<Finding> findings;

    void add(Severity severity, const QString &file, const QString &message, const QString &fix = QString(),
             const Place &place = Place());
    qsizetype count(Severity severity) const;
    // 2 when a file could not be read at all, 1 for a problem (or, with strict, a warning),
    // else 0.
    int exitStatus(bool strict) const;
};

// "file (level 2 "Name"): message; fix: ..." as the text report prints it.
QString findingLine(const Finding &finding);

// One line per finding: problems (unreadable files among them) first, then warnings, each
// starting "warning: ".
void writeText(const CheckReport &report, QTextStream &out);

// The report as one JSON object (see JSON.md, "check --json").
void writeJson(const CheckReport &report, QTextStream &out);

} // namespace vtfile
