#include <QApplication>
#include <QCoreApplication>
#include <cstdio>
#include <cstring>

#include "app/CCrashInfo.h"
#include "app/COrvantisApp.h"
#include "app/DemoDatabase.h"
#include "app/QtPlatform.h"
#include "db/CDB.h"
#include "protect/ui/PasswordPrompt.h"

namespace {
const char* const kUsage =
    "Aufruf: orvantis [DATEI.tov]\n"
    "       orvantis --demo-path | --prepare-demo ORDNER\n"
    "Wissensdatenbank aus Ordnern und Einträgen.\n"
    "\n"
    "  DATEI.tov              öffnet diese Datenbank, sonst die zuletzt offene\n"
    "  --demo-path            gibt den Pfad der Beispieldatenbank aus\n"
    "  --prepare-demo ORDNER  legt die Beispieldatenbank aus ORDNER/Beispiel.txt an\n"
    "  -h, --help             diese Hilfe\n"
    "  --version              Programmversion\n"
    "\n"
    "Dazu kommen die Optionen jedes Qt-Programms, etwa -platform.\n"
    "Ausführlich: man orvantis; für Skripte gibt es orvantis-cli.\n";

// --help and --version answer without a window, so they work without a display.
int RunInfoOptionIfAsked(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        bool bHelp = std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0;
        bool bVersion = std::strcmp(argv[i], "--version") == 0;
        if (!bHelp && !bVersion) continue;
        if (bHelp)
            std::fputs(kUsage, stdout);
        else
            std::printf("orvantis %s\n", ORVANTIS_VERSION);
        return std::fflush(stdout) == 0 && !std::ferror(stdout) ? 0 : 1;
    }
    return -1;
}
}  // namespace

int main(int argc, char** argv) {
    // a process started only to tell the user about a crash report
    if (int nCrash = RunCrashMessageIfAsked(argc, argv); nCrash >= 0) return nCrash;

    if (int nInfo = RunInfoOptionIfAsked(argc, argv); nInfo >= 0) return nInfo;

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
    // lets the desktop match the window to orvantis.desktop and its icon
    QGuiApplication::setDesktopFileName(QStringLiteral("orvantis"));
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
