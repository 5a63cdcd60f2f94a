#include "scli.h"

#include <QCoreApplication>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("spoolbox-cli"));
    QTextStream out(stdout);
    QTextStream err(stderr);
    SCli cli(out, err);
    const int result = cli.run(app.arguments().mid(1));
    out.flush();
    err.flush();
    return result;
}
