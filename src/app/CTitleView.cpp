#include "app/CTitleView.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionButton>

#include "app/COrvantisDoc.h"
#include "ui/QtText.h"

CTitleView::CTitleView(COrvantisDoc& doc, QWidget* pParent) : QWidget(pParent), m_doc(doc) {
    // a click makes it the active pane (which handles no command of its own)
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // a database opened or closed: the hint comes or goes
    connect(&doc, &COrvantisDoc::DocumentChanged, this, [this] {
        UpdateAccessibleText();
        update();
    });
    UpdateAccessibleText();
}

namespace {
const char* const kHintTitle = "Keine Wissensdatenbank geöffnet";
const char* const kHintSubTitle =
    "Datei > Neu (Strg+N) legt eine neue an, Datei > Öffnen (Strg+O) öffnet eine vorhandene.";
}  // namespace

void CTitleView::SetTitle(const std::string& strTitle, const std::string& strSubTitle) {
    m_strTitle = FromAnsi(strTitle);
    m_strTitle.replace(QStringLiteral("\\"), QStringLiteral(" \\ "));
    m_strSubTitle = FromAnsi(strSubTitle);
    UpdateAccessibleText();
    repaint();
}

void CTitleView::UpdateAccessibleText() {
    // what is painted is what assistive technology reads
    setAccessibleName(GetShownTitle());
    setAccessibleDescription(GetShownSubTitle());
}

bool CTitleView::IsShowingHint() const {
    return !m_doc.IsDatabaseOpen() && m_strTitle.isEmpty() && m_strSubTitle.isEmpty();
}

QString CTitleView::GetShownTitle() const {
    return IsShowingHint() ? QString::fromUtf8(kHintTitle) : m_strTitle;
}

QString CTitleView::GetShownSubTitle() const {
    return IsShowingHint() ? QString::fromUtf8(kHintSubTitle) : m_strSubTitle;
}

void CTitleView::SetNote(const QString& strNote) {
    if (m_strNote == strNote) return;
    m_strNote = strNote;
    repaint();
}

void CTitleView::paintEvent(QPaintEvent*) {
    const QString strTitle = GetShownTitle();
    const QString strSubTitle = GetShownSubTitle();
    QPainter painter(this);
    QRect r = rect();

    // raised push-button face over the whole strip
    QStyleOptionButton opt;
    opt.initFrom(this);
    opt.rect = r;
    opt.state |= QStyle::State_Raised;
    opt.state &= ~QStyle::State_HasFocus;
    painter.fillRect(r, palette().button());
    style()->drawPrimitive(QStyle::PE_PanelButtonCommand, &opt, &painter, this);

    r.adjust(5, 0, -5, 0);
    painter.setClipRect(rect());

    painter.setPen(palette().color(QPalette::WindowText));
    painter.setFont(m_doc.GetFont(DOC_FONT_BOLD));
    // no mnemonic processing: "&" stays an ampersand
    painter.drawText(r, Qt::AlignLeft | Qt::AlignTop, strTitle);
    if (!m_strNote.isEmpty()) {
        painter.save();
        painter.setFont(m_doc.GetFont(DOC_FONT_NORMAL));
        painter.setPen(QColor(160, 0, 0));
        painter.drawText(r, Qt::AlignRight | Qt::AlignTop, m_strNote);
        painter.restore();
    }

    painter.setFont(m_doc.GetFont(DOC_FONT_NORMAL));
    painter.setPen(palette().color(QPalette::Shadow));
    r.setTop(16);
    painter.setClipRect(r);
    painter.drawText(r, Qt::AlignLeft | Qt::AlignTop | Qt::TextExpandTabs, strSubTitle);
}
