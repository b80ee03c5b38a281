#include <QApplication>
#include <QCoreApplication>

#include "app/CCrashInfo.h"
#include "app/COrvantisApp.h"
#include "app/DemoDatabase.h"
#include "app/QtPlatform.h"
#include "protect/ui/PasswordPrompt.h"

int main(int argc, char** argv) {
    // a process started only to tell the user about a crash report
    if (int nCrash = RunCrashMessageIfAsked(argc, argv); nCrash >= 0) return nCrash;

    // options for scripts: no window, no display needed
    for (int i = 1; i < argc; ++i) {
        QString str = QString::fromLocal8Bit(argv[i]);
        if (str == QLatin1String("--demo-path") || str == QLatin1String("--prepare-demo")) {
            QCoreApplication core(argc, argv);
            CQtPlatform platform;
            SetPlatform(&platform);
            int nResult = RunDemoOption(QCoreApplication::arguments().mid(1));
            SetPlatform(nullptr);
            return nResult;
        }
    }

    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QString::fromUtf8(SETTINGS_ORGANIZATION));
    QCoreApplication::setApplicationName(QString::fromUtf8(SETTINGS_APPLICATION));
    InstallToolkitTranslation(&app);
    CQtPlatform platform;
    SetPlatform(&platform);
    // protected databases ask for their password with the dialog
    InstallPasswordPrompt();
    int nResult = 1;
    {
        COrvantisApp orvantis(QCoreApplication::applicationFilePath().toStdString(),
                              QCoreApplication::arguments().mid(1));
        if (orvantis.InitInstance()) {
            TriggerTestCrashIfAsked();
            nResult = app.exec();
        }
    }
    SetPlatform(nullptr);
    return nResult;
}
