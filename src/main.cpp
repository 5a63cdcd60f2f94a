#include "app/sapplication.h"

int main(int argc, char* argv[])
{
    SApplication app(argc, argv);
    QApplication::setQuitOnLastWindowClosed(true);
    QCoreApplication::setAttribute(Qt::AA_NativeWindows, true);
    return app.execSingleInstance();
}
