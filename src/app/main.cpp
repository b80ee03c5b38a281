#include <QApplication>
#include <QMainWindow>

#include "app/QtPlatform.h"
#include "db/CDB.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    CQtPlatform platform;
    SetPlatform(&platform);
    QMainWindow frame;
    frame.setWindowTitle(QString(" - Orvantis - ") + ORVANTIS_VERSION);
    frame.setMinimumSize(400, 200);
    frame.show();
    int nResult = app.exec();
    SetPlatform(nullptr);
    return nResult;
}
