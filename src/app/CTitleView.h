#pragma once
// The title strip above the detail view: the folder path in the keyword font
// and, below it, the folder's text in the text font.

#include <QString>
#include <QWidget>
#include <string>

class COrvantisDoc;

class CTitleView : public QWidget {
    Q_OBJECT
public:
    explicit CTitleView(COrvantisDoc& doc, QWidget* pParent = nullptr);

    // Windows-1252 texts; every "\" of the title is shown as " \ ". Repaints at once.
    void SetTitle(const std::string& strTitle, const std::string& strSubTitle);
    const QString& GetTitleText() const { return m_strTitle; }
    const QString& GetSubTitleText() const { return m_strSubTitle; }
    // A short note at the right end of the first line (empty: none).
    void SetNote(const QString& strNote);
    const QString& GetNote() const { return m_strNote; }
    // While no database is open and nothing else is shown, the strip says
    // what to do: make a new one or open one.
    bool IsShowingHint() const;
    QString GetShownTitle() const;
    QString GetShownSubTitle() const;

protected:
    void paintEvent(QPaintEvent* pEvent) override;

private:
    void UpdateAccessibleText();

    COrvantisDoc& m_doc;
    QString m_strTitle;
    QString m_strSubTitle;
    QString m_strNote;
};
