#pragma once
// The in-place editor laid over the keyword or the text cell of the detail
// view's current row. Tab, Enter, Escape and Up/Down at the first and last
// line do not act here but become requests to the view (WM_EDITOR_KEY), and
// the mouse wheel scrolls the view instead of the editor.
//
// Text goes in and out as Windows-1252; a character that code page cannot
// hold is refused at the keyboard and dropped from pasted text, with a short
// notice, so nothing is ever stored garbled.

#include <QPlainTextEdit>
#include <QString>
#include <string>

class IPaneTarget;

enum EEditorKey : int {
    EK_PREV_ROW = 1,
    EK_NEXT_ROW = 2,
    EK_BACK = 3,
    EK_FORWARD = 4,
    EK_CANCEL = 5,
    EK_CARET = 7,
    EK_OPEN = 8,
    EK_UP_LEVEL = 9,
};

// The detail view's two editors; none while a row is selected without one.
enum EEditor : int {
    EDITOR_NONE = -1,
    EDITOR_KEYWORD = 1,
    EDITOR_TEXT = 2,
};

class CEditEx : public QPlainTextEdit {
    Q_OBJECT
public:
    explicit CEditEx(QWidget* pParent = nullptr);

    void SetEnterAdvances(int n) { m_nEnterAdvances = n; }
    int GetEnterAdvances() const { return m_nEnterAdvances; }
    void SetMode(EEditor eMode) { m_eMode = eMode; }
    EEditor GetMode() const { return m_eMode; }

    // Receiver of the key requests (sent at once, EK_CARET posted) and of
    // the wheel turns. pReceiver guards posted requests.
    void SetKeyTarget(QObject* pReceiver, IPaneTarget* pTarget);
    void SetWheelTarget(QWidget* pWidget) { m_pWheelTarget = pWidget; }

    // Most characters the user may type or paste; 0 = no limit. Text set
    // from the program is not cut.
    void SetLimitText(int nChars) { m_nLimit = nChars; }
    int GetLimitText() const { return m_nLimit; }
    void SetTabStopChars(int nAverageChars);

    // Windows-1252 contents; line breaks are CR LF outside, one paragraph
    // break inside. Setting raises no change notification.
    void SetAnsiText(const std::string& strAnsi);
    std::string GetAnsiText() const;

    // Lines as laid out at the editor's width (wrapped lines count), at
    // least 1; line of the caret, counting from 0.
    int GetLineCount() const;
    int GetCaretLine() const;
    // Caret to the character nearest to the point (editor coordinates).
    void SetCaretFromPoint(const QPoint& pt);

    // The last notice about refused input (empty when none yet).
    const QString& LastNotice() const { return m_strLastNotice; }

signals:
    // The user changed the text (typing, deleting, pasting, undo); never
    // raised by SetAnsiText.
    void UserTextChanged();
    // Input was refused or cut; the text says why, in German.
    void InputRefused(const QString& strNotice);

protected:
    bool event(QEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void wheelEvent(QWheelEvent* pEvent) override;
    void insertFromMimeData(const QMimeData* pSource) override;
    void inputMethodEvent(QInputMethodEvent* pEvent) override;

private:
    void Send(int nCode);
    void PostCaret();
    // What of strInput may be inserted at the caret: characters Windows-1252
    // cannot hold removed, cut to the limit, line breaks and tabs of a
    // keyword turned into blanks. Notifies when something was dropped.
    QString FilterInput(const QString& strInput, bool bTyped);
    void Notify(const QString& strNotice);

    int m_nEnterAdvances = 0;
    EEditor m_eMode = EDITOR_NONE;
    int m_nLimit = 0;
    bool m_bSettingText = false;
    QObject* m_pReceiver = nullptr;
    IPaneTarget* m_pTarget = nullptr;
    QWidget* m_pWheelTarget = nullptr;
    QString m_strLastNotice;
};

// Stored text (Windows-1252, CR LF, CR or LF line breaks) as the editors and
// the layout show it (one '\n' per break), and back (CR LF).
QString StoredToDisplay(const std::string& strAnsi);
std::string DisplayToStored(const QString& str);
