// The message a fresh process of the program shows after a crash: the dying
// process starts it (CCrashInfo::StartMessageProcess) with the report's path.
#include <QApplication>
#include <QGuiApplication>
#include <cstdio>
#include <cstring>
#include <memory>

#include "app/CCrashInfo.h"
#include "app/CrashParts.h"
#include "app/QtPlatform.h"
#include "platform/Cp1252.h"
#include "platform/Platform.h"

using namespace crash;

namespace {
constexpr const char* kSupportAddress = "support@orvantis.example";
}  // namespace

std::string CrashMessageText(const std::string& strProgramName, const std::string& strReportPath) {
    return strProgramName + " hat ein Problem festgestellt und muss beendet werden.\r\r\r\r" +
           "Bitte senden Sie die Datei: \r\r    " + strReportPath + "\r\r" +
           "die die Fehlerbeschreibung enthält an:\r\r    " + kSupportAddress + "\r\r" + "\r\r" +
           "Sie helfen uns damit diese Programm zu verbessen, \r\r" + "Vielen Dank.\r\r";
}

namespace {
// a lone "\r" breaks the line in the message; Qt breaks at "\n"
std::string LineBreaks(std::string strText) {
    for (char& c : strText)
        if (c == '\r') c = '\n';
    return strText;
}
}  // namespace

void ShowCrashMessage(const std::string& strProgramName, const std::string& strReportPath) {
    const std::string strText = LineBreaks(CrashMessageText(strProgramName, strReportPath));
    GetPlatform().MessageBox(Ansi(strText.c_str()), std::string(), EMsgIcon::Stop, EMsgButtons::Ok);
}

int RunCrashMessageIfAsked(int argc, char** argv) {
    if (argc < 3 || std::strcmp(argv[1], kMessageOption) != 0) return -1;
    // a fault of this process is not the one to report
    UninstallCrashHandlers();
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    std::string strProgram = GetProgramPath();
    strProgram = strProgram.empty() ? BaseName(argv[0]) : BaseName(strProgram.c_str());
    const std::string strReport = argv[2];

    int nArgc = 1;
    char* args[] = {argv[0], nullptr};
    std::unique_ptr<QApplication> pApp;
    if (!QCoreApplication::instance()) pApp = std::make_unique<QApplication>(nArgc, args);
    const QString strPlatform = QGuiApplication::platformName();
    if (strPlatform == "offscreen" || strPlatform == "minimal") {
        // nobody would see the box
        const std::string strText = LineBreaks(CrashMessageText(strProgram, strReport));
        std::fwrite(strText.data(), 1, strText.size(), stderr);
        std::fflush(stderr);
        return 0;
    }
    CQtPlatform platform;
    SetPlatform(&platform);
    ShowCrashMessage(strProgram, strReport);
    SetPlatform(nullptr);
    return 0;
}
