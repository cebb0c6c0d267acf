#include "Tool.h"

#include <QGuiApplication>
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
    // Pictures need QtGui but never a screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    return vtfile::run(QCoreApplication::arguments().mid(1), out, err);
}
