#include "edit/LinkTarget.h"

#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>

#include "ui/QtText.h"

ELinkKind ClassifyLink(const std::string& strLink, std::string* pstrPath) {
    const QString str = FromAnsi(strLink).trimmed();
    // the same reading of the text as the opening: www. and bare mail
    // addresses are web and mail, "C:" is no scheme
    static const QRegularExpression reScheme(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]+):"));
    static const QRegularExpression reMail(QStringLiteral("^[^\\s/\\\\@:]+@[^\\s/\\\\@:]+\\.[^\\s/\\\\@:]+$"));
    if (str.startsWith(QLatin1String("www."), Qt::CaseInsensitive) || reMail.match(str).hasMatch())
        return ELinkKind::Plain;
    QString strPath = str;
    if (QRegularExpressionMatch m = reScheme.match(str); m.hasMatch()) {
        const QString strScheme = m.captured(1).toLower();
        if (strScheme == QLatin1String("http") || strScheme == QLatin1String("https") ||
            strScheme == QLatin1String("ftp") || strScheme == QLatin1String("mailto"))
            return ELinkKind::Plain;
        if (strScheme != QLatin1String("file")) return ELinkKind::Other;
        const QUrl url(str);
        // file://host/... is another machine's share
        if (!url.isLocalFile() || (!url.host().isEmpty() && url.host() != QLatin1String("localhost")))
            return ELinkKind::Other;
        strPath = url.toLocalFile();
    }
    // a launcher runs what it names; the desktop's handler would start it unasked
    const QFileInfo info(strPath);
    const bool bLauncher = strPath.endsWith(QLatin1String(".desktop"), Qt::CaseInsensitive);
    if (!bLauncher && !(info.isFile() && info.isExecutable())) return ELinkKind::Plain;
    if (pstrPath) *pstrPath = info.absoluteFilePath().toStdString();
    return ELinkKind::Program;
}
