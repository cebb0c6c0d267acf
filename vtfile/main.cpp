#include "Tool.h"

#include <QCoreApplication>
#include <QTextStream>

#include <cstdio>

namespace {

// Qt's own notes about the session it runs in are no business of the tool's output.
void quietHandler(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (message.startsWith(QLatin1String("QStandardPaths:")))
        return;
    if (type != QtDebugMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

int main(int argc, char **argv)
{
    qInstallMessageHandler(quietHandler);
    // No verb needs a screen or a platform: even drawing a picture works on QImage alone
    // (the tag sheet draws its numbers with its own pixel face, not a font).
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return vtfile::run(QCoreApplication::arguments().mid(1), out, err);
}
