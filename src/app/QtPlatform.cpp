#include "app/QtPlatform.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTranslator>
#include <QUrl>

#include "app/CHelpWindow.h"
#include "edit/LinkTarget.h"
#include "ui/QtText.h"
#include "ui/WaitPump.h"

namespace {
QString SettingsKey(const std::string& strSection, const std::string& strEntry) {
    return QString::fromStdString(strSection) + '/' + QString::fromStdString(strEntry);
}

}  // namespace

QString QtFileFilter(const std::string& strFilter) {
    QStringList parts = FromAnsi(strFilter).split('|', Qt::SkipEmptyParts);
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList arrPatterns = parts[i + 1].split(';', Qt::SkipEmptyParts);
        // "*.*" is every file on Windows; here it would miss names without a dot
        for (QString& strPattern : arrPatterns)
            if (strPattern.trimmed() == QLatin1String("*.*")) strPattern = QStringLiteral("*");
        // the dialog filters by what stands in the parentheses of the name
        QString strName = parts[i];
        const QString strShown = arrPatterns.join(' ');
        const qsizetype nOpen = strName.lastIndexOf('(');
        if (nOpen >= 0 && strName.endsWith(')'))
            strName = strName.left(nOpen + 1) + strShown + ')';
        else
            strName += QStringLiteral(" (") + strShown + ')';
        filters << strName;
    }
    return filters.join(QStringLiteral(";;"));
}

QTranslator* InstallToolkitTranslation(QCoreApplication* pApp) {
    // the toolkit's own dialogs (files, printing, page set-up) in German like the rest
    auto* pTranslator = new QTranslator(pApp);
    if (!pTranslator->load(QLocale(QLocale::German, QLocale::Germany), QStringLiteral("qtbase"), QStringLiteral("_"),
                           QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(pTranslator)) {
        delete pTranslator;
        return nullptr;
    }
    return pTranslator;
}

QString MessageBoxText(const std::string& strAnsi) {
    QString str = FromAnsi(strAnsi);
    static const QRegularExpression reMark(QStringLiteral(" ([?!]+)(?=\\s|$)"));
    str.replace(reMark, QStringLiteral("\u00A0\\1"));
    return str;
}

CQtPlatform::CQtPlatform()
    : m_pSettings(std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope, SETTINGS_ORGANIZATION,
                                              SETTINGS_APPLICATION)) {}

CQtPlatform::~CQtPlatform() = default;

EMsgResult CQtPlatform::MessageBox(const std::string& strText, const std::string& strCaption, EMsgIcon eIcon,
                                   EMsgButtons eButtons) {
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    switch (eIcon) {
        case EMsgIcon::Exclamation: icon = QMessageBox::Warning; break;
        case EMsgIcon::Information: icon = QMessageBox::Information; break;
        case EMsgIcon::Question: icon = QMessageBox::Question; break;
        case EMsgIcon::Stop: icon = QMessageBox::Critical; break;
        case EMsgIcon::None: break;
    }
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
    if (eButtons == EMsgButtons::YesNo) buttons = QMessageBox::Yes | QMessageBox::No;
    if (eButtons == EMsgButtons::OkCancel) buttons = QMessageBox::Ok | QMessageBox::Cancel;
    if (eButtons == EMsgButtons::YesNoCancel) buttons = QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    QString strCaptionQ = strCaption.empty() ? QStringLiteral("Orvantis") : FromAnsi(strCaption);
    QMessageBox box(icon, strCaptionQ, MessageBoxText(strText), buttons, QApplication::activeWindow());
    if (auto* pYes = box.button(QMessageBox::Yes)) pYes->setText("&Ja");
    if (auto* pNo = box.button(QMessageBox::No)) pNo->setText("&Nein");
    if (auto* pCancel = box.button(QMessageBox::Cancel)) pCancel->setText("Abbrechen");
    // a wait cursor in force must not hide the arrow over the box
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    int nResult = box.exec();
    QApplication::restoreOverrideCursor();
    switch (nResult) {
        case QMessageBox::Yes: return EMsgResult::Yes;
        case QMessageBox::No: return EMsgResult::No;
        case QMessageBox::Cancel: return EMsgResult::Cancel;
        default:
            if (eButtons == EMsgButtons::YesNoCancel) return EMsgResult::Cancel;
            return eButtons == EMsgButtons::YesNo ? EMsgResult::No : EMsgResult::Ok;
    }
}

void CQtPlatform::BeginWaitCursor() {
    QApplication::setOverrideCursor(Qt::WaitCursor);
}

void CQtPlatform::EndWaitCursor() {
    QApplication::restoreOverrideCursor();
}

void CQtPlatform::BeginWaitForOthers() {
    BeginWaitCursor();
    BeginWaitingForOthers();
}

void CQtPlatform::EndWaitForOthers() {
    EndWaitingForOthers();
    EndWaitCursor();
}

void CQtPlatform::Sleep(int nMilliseconds) {
    if (IsWaitingForOthers())
        PumpWhileWaiting(nMilliseconds);
    else
        CPosixPlatform::Sleep(nMilliseconds);
}

int CQtPlatform::GetProfileInt(const std::string& strSection, const std::string& strEntry, int nDefault) {
    bool bOk = false;
    int n = m_pSettings->value(SettingsKey(strSection, strEntry)).toInt(&bOk);
    return bOk ? n : nDefault;
}

bool CQtPlatform::WriteProfileInt(const std::string& strSection, const std::string& strEntry, int nValue) {
    m_pSettings->setValue(SettingsKey(strSection, strEntry), nValue);
    return true;
}

std::string CQtPlatform::GetProfileString(const std::string& strSection, const std::string& strEntry,
                                          const std::string& strDefault) {
    QVariant v = m_pSettings->value(SettingsKey(strSection, strEntry));
    return v.isValid() ? v.toString().toStdString() : strDefault;
}

bool CQtPlatform::WriteProfileString(const std::string& strSection, const std::string& strEntry,
                                     const std::string& strValue) {
    m_pSettings->setValue(SettingsKey(strSection, strEntry), QString::fromStdString(strValue));
    return true;
}

bool CQtPlatform::FileDialog(bool bOpen, const std::string& strTitle, const std::string& strFilter,
                             const std::string& strDefExt, const std::string& strPresetName,
                             const std::string& strInitialDir, std::string& strResult) {
    QFileDialog dlg(QApplication::activeWindow(), FromAnsi(strTitle));
    dlg.setNameFilter(QtFileFilter(strFilter));
    dlg.setAcceptMode(bOpen ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dlg.setFileMode(bOpen ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
    dlg.setOption(QFileDialog::ReadOnly, false);
    if (!strDefExt.empty()) dlg.setDefaultSuffix(FromAnsi(strDefExt));
    if (!strInitialDir.empty()) dlg.setDirectory(QString::fromStdString(strInitialDir));
    if (!strPresetName.empty()) dlg.selectFile(FromAnsi(strPresetName));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
    strResult = QFileInfo(dlg.selectedFiles().first()).absoluteFilePath().toStdString();
    return true;
}

bool CQtPlatform::BrowseFolder(const std::string& strTitle, const std::string& strInitial, std::string& strResult) {
    QString strDir = QFileDialog::getExistingDirectory(QApplication::activeWindow(), FromAnsi(strTitle),
                                                       QString::fromStdString(strInitial));
    if (strDir.isEmpty()) return false;
    strResult = QDir::cleanPath(strDir).toStdString();
    return true;
}

int ResolveLinkTarget(const QString& strTarget, QUrl& url) {
    QString str = strTarget.trimmed();
    static const QRegularExpression reScheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:"));
    static const QRegularExpression reMail(QStringLiteral("^[^\\s/\\\\@:]+@[^\\s/\\\\@:]+\\.[^\\s/\\\\@:]+$"));
    if (str.startsWith(QLatin1String("www."), Qt::CaseInsensitive)) {
        url = QUrl(QStringLiteral("http://") + str);  // what the Windows shell does with www. addresses
        return 0;
    }
    if (reMail.match(str).hasMatch()) {
        url = QUrl(QStringLiteral("mailto:") + str);
        return 0;
    }
    QString strPath = str;
    if (reScheme.match(str).hasMatch()) {
        url = QUrl(str);
        if (!url.isLocalFile()) return 0;
        strPath = url.toLocalFile();
    }
    QFileInfo info(strPath);
    if (!info.exists()) return QFileInfo(info.absolutePath()).isDir() ? SE_ERR_FNF : SE_ERR_PNF;
    if (!info.isReadable()) return SE_ERR_ACCESSDENIED;
    url = QUrl::fromLocalFile(info.absoluteFilePath());
    return 0;
}

SLinkProgram LinkProgram(const std::string& strPath) {
    // a launcher is started as the desktop starts one from its menu
    if (QString::fromStdString(strPath).endsWith(QLatin1String(".desktop"), Qt::CaseInsensitive))
        return {QStringLiteral("gio"), {QStringLiteral("launch"), QString::fromStdString(strPath)}};
    return {QString::fromStdString(strPath), {}};
}

int CQtPlatform::ShellOpen(const std::string& strTarget) {
    std::string strProgram;
    if (ClassifyLink(strTarget, &strProgram) == ELinkKind::Program) {
        if (!QFileInfo(QString::fromStdString(strProgram)).exists()) return SE_ERR_FNF;
        const SLinkProgram run = LinkProgram(strProgram);
        return QProcess::startDetached(run.strProgram, run.arrArgs) ? SE_OK : SE_ERR_NOASSOC;
    }
    QUrl url;
    if (int nError = ResolveLinkTarget(FromAnsi(strTarget), url)) return nError;
    return QDesktopServices::openUrl(url) ? SE_OK : SE_ERR_NOASSOC;
}

bool CQtPlatform::ShowHelp(const std::string& strHelpFile) {
    // in a window of the program: no web browser needed
    return ShowHelpWindow(strHelpFile);
}
