#include "protect/ui/PasswordField.h"

#include <QApplication>
#include <QBoxLayout>
#include <QDialog>
#include <QFontMetrics>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProxyStyle>
#include <QPushButton>
#include <QToolTip>
#include <QValidator>
#include <utility>

#include "protect/CCrypt.h"
#include "ui/QtText.h"

namespace {
// Password fields show an asterisk for every character, whatever the
// desktop style would draw.
class CAsteriskStyle : public QProxyStyle {
public:
    int styleHint(StyleHint hint, const QStyleOption* pOption, const QWidget* pWidget,
                  QStyleHintReturn* pReturn) const override {
        if (hint == SH_LineEdit_PasswordCharacter) return '*';
        if (hint == SH_LineEdit_PasswordMaskDelay) return 0;
        return QProxyStyle::styleHint(hint, pOption, pWidget, pReturn);
    }
};

// Refuses what Windows-1252 cannot hold, as the editors do: a typed
// character is not taken, a pasted text with one is not taken at all (a
// password with a character silently left out would not be the one meant).
class CAnsiValidator : public QValidator {
public:
    using QValidator::QValidator;
    State validate(QString& strInput, int&) const override {
        m_bRefused = !IsAnsiRepresentable(strInput);
        return m_bRefused ? Invalid : Acceptable;
    }
    // Whether the last refusal was this validator's (the field refuses
    // input beyond its length as well); clears it.
    bool TakeRefused() { return std::exchange(m_bRefused, false); }

private:
    mutable bool m_bRefused = false;
};

QStyle* AsteriskStyle() {
    // lives as long as the application, so it outlasts every field
    static QPointer<QStyle> s_pStyle;
    if (!s_pStyle) {
        s_pStyle = new CAsteriskStyle;
        s_pStyle->setParent(qApp);
    }
    return s_pStyle;
}
}  // namespace

const QString PASSWORD_CHARACTER_REFUSED =
    QStringLiteral("Dieses Zeichen kann in einem Kennwort nicht verwendet werden und wurde nicht übernommen.");

QLineEdit* CreatePasswordField(QWidget* pParent, int nId) {
    auto* pEdit = new QLineEdit(pParent);
    pEdit->setObjectName(QString::number(nId));
    pEdit->setStyle(AsteriskStyle());
    pEdit->setEchoMode(QLineEdit::Password);
    pEdit->setMaxLength(static_cast<int>(MAX_PASSWORD_LENGTH));
    auto* pValidator = new CAnsiValidator(pEdit);
    pEdit->setValidator(pValidator);
    QObject::connect(pEdit, &QLineEdit::inputRejected, pEdit, [pEdit, pValidator] {
        if (!pValidator->TakeRefused()) return;
        QToolTip::showText(pEdit->mapToGlobal(pEdit->rect().bottomLeft()), PASSWORD_CHARACTER_REFUSED, pEdit);
    });
    // room for a password of usual length, whatever the font
    pEdit->setMinimumWidth(pEdit->fontMetrics().averageCharWidth() * 20);
    return pEdit;
}

QPushButton* CreateDialogButton(QWidget* pParent, const QString& strText, int nId) {
    auto* pButton = new QPushButton(strText, pParent);
    pButton->setObjectName(QString::number(nId));
    pButton->setAutoDefault(false);
    return pButton;
}

void LayOutPasswordDialog(QDialog* pDialog, const std::vector<std::pair<QString, QLineEdit*>>& arrRows,
                          const std::vector<QPushButton*>& arrButtons) {
    auto* pFields = new QGridLayout;
    int nRow = 0;
    for (const auto& [strLabel, pEdit] : arrRows) {
        auto* pLabel = new QLabel(strLabel, pDialog);
        pLabel->setBuddy(pEdit);
        pFields->addWidget(pLabel, nRow, 0);
        pFields->addWidget(pEdit, nRow, 1);
        ++nRow;
    }
    pFields->setRowStretch(nRow, 1);
    auto* pButtons = new QVBoxLayout;
    for (QPushButton* pButton : arrButtons) pButtons->addWidget(pButton);
    pButtons->addStretch(1);
    auto* pLayout = new QHBoxLayout(pDialog);
    pLayout->addLayout(pFields, 1);
    pLayout->addLayout(pButtons);
}

void ResizeInDialogUnits(QDialog* pDialog, int nCx, int nCy) {
    QFontMetrics fm(pDialog->font());
    int nBaseX = fm.averageCharWidth();
    int nBaseY = fm.height();
    QSize size(nCx * nBaseX / 4, nCy * nBaseY / 8);
    // the caption, as a title bar draws it (bold), beside icon and buttons
    QFont fontCaption = pDialog->font();
    fontCaption.setBold(true);
    int nCaption = QFontMetrics(fontCaption).horizontalAdvance(pDialog->windowTitle()) + 8 * nBaseY;
    size = size.expandedTo(pDialog->minimumSizeHint()).expandedTo(QSize(nCaption, 0));
    pDialog->resize(size);
}

bool ReadPasswordField(QLineEdit* pEdit, std::string& strAnsi) {
    bool bOk = true;
    strAnsi = ToAnsi(pEdit->text(), &bOk);
    return bOk;
}
