#include "edit/CRefusedRowDlg.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "edit/CEditEx.h"
#include "platform/Cp1252.h"
#include "table/CKnowHowTable.h"
#include "tree/CKnowHow.h"
#include "ui/QtText.h"

namespace {
// One version: its keyword and its text, to read and to copy from.
QWidget* VersionPane(QWidget* pParent, const QString& strTitle, const CKnowHowItem& item, const char* pszName) {
    auto* pPane = new QWidget(pParent);
    auto* pLayout = new QVBoxLayout(pPane);
    pLayout->setContentsMargins(0, 0, 0, 0);
    auto* pTitle = new QLabel(QStringLiteral("<b>%1</b>").arg(strTitle.toHtmlEscaped()), pPane);
    auto* pKeyword = new QLabel(QString::fromUtf8("Stichwort: ") + FromAnsi(item.Name), pPane);
    pKeyword->setTextInteractionFlags(Qt::TextSelectableByMouse);
    pKeyword->setWordWrap(true);
    auto* pText = new QPlainTextEdit(StoredToDisplay(item.Text), pPane);
    pText->setReadOnly(true);
    pText->setObjectName(QString::fromUtf8(pszName));
    pLayout->addWidget(pTitle);
    pLayout->addWidget(pKeyword);
    pLayout->addWidget(pText, 1);
    return pPane;
}
}  // namespace

CRefusedRowDlg::CRefusedRowDlg(QWidget* pParent, EWriteResult eResult, const CKnowHowItem& mine,
                               const CKnowHowItem& stored, const std::string& strTargetFolder)
    : QDialog(pParent) {
    setWindowTitle(QString::fromUtf8("Eintrag nicht gespeichert"));
    setObjectName(QStringLiteral("refusedRowDialog"));
    auto* pLayout = new QVBoxLayout(this);
    QString strMessage;
    auto* pBox = new QDialogButtonBox(this);
    switch (eResult) {
        case EWriteResult::Conflict:
            strMessage =
                FromAnsi(StaleRowMessage()) +
                QString::fromUtf8("\n\nLinks steht Ihre Fassung, rechts die gespeicherte. Welche soll gelten?");
            AddChoice(pBox, "keepMine", QString::fromUtf8("&Meine Fassung speichern"), ERefusedRowChoice::KeepMine);
            AddChoice(pBox, "takeStored", QString::fromUtf8("&Gespeicherte übernehmen"), ERefusedRowChoice::TakeStored);
            AddChoice(pBox, "saveAsNew", QString::fromUtf8("Als &neuen Eintrag speichern"),
                      ERefusedRowChoice::SaveAsNew);
            break;
        case EWriteResult::ParentGone:
            strMessage =
                FromAnsi(FolderGoneMessage()) +
                QString::fromUtf8("\n\nSoll Ihr Eintrag im Ordner „%1“ gespeichert werden?")
                    .arg(strTargetFolder.empty() ? QString::fromUtf8("Hauptordner") : FromAnsi(strTargetFolder));
            AddChoice(pBox, "saveAsNew", QString::fromUtf8("Dort &speichern"), ERefusedRowChoice::SaveAsNew);
            AddChoice(pBox, "discard", QString::fromUtf8("&Verwerfen"), ERefusedRowChoice::Discard);
            break;
        default:
            strMessage = FromAnsi(EntryDeletedMessage()) +
                         QString::fromUtf8("\n\nSoll Ihr Text als neuer Eintrag in diesem Ordner gespeichert werden?");
            AddChoice(pBox, "saveAsNew", QString::fromUtf8("Als &neuen Eintrag speichern"),
                      ERefusedRowChoice::SaveAsNew);
            AddChoice(pBox, "discard", QString::fromUtf8("&Verwerfen"), ERefusedRowChoice::Discard);
            break;
    }
    AddChoice(pBox, "later", QString::fromUtf8("&Später entscheiden"), ERefusedRowChoice::Later);
    auto* pMessage = new QLabel(strMessage, this);
    pMessage->setObjectName(QStringLiteral("message"));
    pMessage->setWordWrap(true);
    pLayout->addWidget(pMessage);
    auto* pVersions = new QGridLayout;
    pVersions->addWidget(VersionPane(this, QString::fromUtf8("Ihre Fassung"), mine, "mineText"), 0, 0);
    if (eResult == EWriteResult::Conflict)
        pVersions->addWidget(VersionPane(this, QString::fromUtf8("Gespeicherte Fassung"), stored, "storedText"), 0, 1);
    pLayout->addLayout(pVersions, 1);
    pLayout->addWidget(pBox);
    resize(eResult == EWriteResult::Conflict ? 720 : 420, 360);
}

void CRefusedRowDlg::AddChoice(QDialogButtonBox* pBox, const char* pszName, const QString& strText,
                               ERefusedRowChoice e) {
    QPushButton* pButton = pBox->addButton(strText, QDialogButtonBox::ActionRole);
    pButton->setObjectName(QString::fromUtf8(pszName));
    connect(pButton, &QPushButton::clicked, this, [this, e] {
        m_eChoice = e;
        accept();
    });
}

ERefusedRowChoice CRefusedRowDlg::Ask(QWidget* pParent, EWriteResult eResult, const CKnowHowItem& mine,
                                      const CKnowHowItem& stored, const std::string& strTargetFolder) {
    CRefusedRowDlg dlg(pParent, eResult, mine, stored, strTargetFolder);
    dlg.exec();
    return dlg.GetChoice();
}
