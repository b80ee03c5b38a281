// "Exportieren als": the folder shown (or the whole base) with its texts as
// an HTML page, a Markdown file or a text file.
#include "app/COrvantisDoc.h"
#include "edit/CDetailView.h"
#include "platform/Cp1252.h"
#include "platform/Platform.h"
#include "protect/CDbPasswort.h"
#include "tree/CKnowHow.h"

namespace {
struct SExportDialog {
    const char* pszTitle;
    const char* pszFilter;
};

SExportDialog DialogFor(EReadableFormat eFormat) {
    switch (eFormat) {
        case EReadableFormat::Html: return {"Als HTML exportieren", "HTML-Seite (*.html)|*.html||"};
        case EReadableFormat::Markdown: return {"Als Markdown exportieren", "Markdown (*.md)|*.md||"};
        case EReadableFormat::Text: return {"Als Text exportieren", "Text (*.txt)|*.txt||"};
    }
    return {"", ""};
}
}  // namespace

void COrvantisDoc::ExportReadableAsk(TRowId nFolder, EReadableFormat eFormat) {
    if (!m_pKnowHow) return;
    CPlatform& platform = GetPlatform();
    // what was typed last belongs into the document
    SendPaneCommand(Detail(), ID_DETAIL_END_EDIT);
    if (GetDbPasswort().IsPasswordSet() &&
        platform.MessageBox(UnencryptedExportQuestion(), "", EMsgIcon::Question, EMsgButtons::YesNo) != EMsgResult::Yes)
        return;
    // the folder's keyword, or the base's name, as file name
    std::string strPreset = Utf8ToCp1252(m_strTitle);
    if (nFolder > 0) {
        CKnowHowItem item;
        if (GetItem(item, nFolder) == 1) strPreset = item.Name;
    }
    for (char& ch : strPreset)
        if (ch == '/') ch = '_';
    SExportDialog dialog = DialogFor(eFormat);
    std::string strPath;
    if (!platform.FileDialog(false, Ansi(dialog.pszTitle), dialog.pszFilter, ReadableFormatExtension(eFormat),
                             strPreset, "", strPath))
        return;
    platform.BeginWaitCursor();
    EReadableResult eResult = CReadableExport(*m_pKnowHow, eFormat).Write(strPath, nFolder);
    platform.EndWaitCursor();
    if (eResult == EReadableResult::NoSuchFolder) {
        platform.MessageBox(EntryDeletedMessage(), "", EMsgIcon::Exclamation, EMsgButtons::Ok);
        return;
    }
    bool bFailed = eResult != EReadableResult::Written;
    platform.MessageBox(ExportStructureMessage(bFailed), "", bFailed ? EMsgIcon::Exclamation : EMsgIcon::Information,
                        EMsgButtons::Ok);
}
