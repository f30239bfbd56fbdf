#include "common/file_privacy.h"
#include "station/gate_window.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    keepNewFilesPrivate();
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Gate Access"));
    GateWindow window;
    window.show();
    return app.exec();
}
