#include "app/CAboutDlg.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>

#include "db/CDB.h"
#include "ui/Icons.h"

namespace {
// The product picture: the folder image, large, on a light panel.
QPixmap ProductPicture() {
    QPixmap pm(240, 214);
    pm.fill(QColor(243, 243, 243));
    QPainter painter(&pm);
    QPixmap folder = GetBitmap(IDB_FOLDER_OPEN);
    if (!folder.isNull())
        painter.drawPixmap(QRect(40, 27, 160, 160),
                           folder.scaled(160, 160, Qt::KeepAspectRatio, Qt::FastTransformation));
    return pm;
}
}  // namespace

CAboutDlg::CAboutDlg(QWidget* pParent) : QDialog(pParent) {
    setWindowTitle(QString::fromUtf8("Info über Orvantis"));
    setModal(true);

    auto* pPicture = new QLabel(this);
    pPicture->setObjectName(QStringLiteral("picture"));
    pPicture->setPixmap(ProductPicture());

    m_pText = new QLabel(this);
    m_pText->setObjectName(QStringLiteral("version"));
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(10);
    m_pText->setFont(font);
    m_pText->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    m_pText->setTextFormat(Qt::PlainText);
    m_pText->setWordWrap(true);
    m_pText->setText(QString::fromUtf8("Orvantis Version %1\n\nWissensdatenbank für Ordner und Einträge\n\n"
                                       "Freie Software unter der GNU General Public License, Version 3 oder "
                                       "(nach Ihrer Wahl) jeder späteren Version (GPL-3.0-or-later). "
                                       "Sie wird ohne jede Gewährleistung geliefert.")
                         .arg(QString::fromLatin1(ORVANTIS_VERSION)));

    auto* pClose = new QPushButton(QString::fromUtf8("Schließen"), this);
    pClose->setDefault(true);
    connect(pClose, &QPushButton::clicked, this, &QDialog::accept);

    auto* pRight = new QVBoxLayout;
    pRight->addWidget(m_pText, 1);
    pRight->addWidget(pClose, 0, Qt::AlignRight);
    auto* pLayout = new QHBoxLayout(this);
    pLayout->addWidget(pPicture);
    pLayout->addLayout(pRight, 1);
}

QString CAboutDlg::GetVersionText() const {
    return m_pText->text();
}
