#pragma once

#include "Journal.h"

#include <QDebug>
#include <QString>

// A journal as read back once every record handed to the writing thread is written.
inline vt::JournalContents drainedJournal(const QString &path)
{
    vt::JournalWriter::drain();
    vt::JournalContents contents;
    if (const vt::Status s = vt::readJournal(path, contents); !s.ok())
        qWarning() << s.error();
    return contents;
}
