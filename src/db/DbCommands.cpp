#include "db/DbCommands.h"

#include <cstdint>
#include <cstdio>

#include "db/CDB.h"
#include "platform/Cp1252.h"
#include "platform/Platform.h"

bool RunReorganize(IWaitNotice* pWait, bool bAsk) {
    CPlatform& platform = GetPlatform();
    const std::string strCaption = "Datenbank reorganisieren";
    if (bAsk && platform.MessageBox("Dieser Vorgang kann einige Minuten dauern.\n\nJetzt reorganisieren ?", strCaption,
                                    EMsgIcon::Question, EMsgButtons::YesNo) != EMsgResult::Yes)
        return false;
    if (pWait) pWait->Show("Die Datenbank wird reorganisiert.");
    std::int32_t nSaved = 0;
    GetDatabase().ClearLastError();
    bool bDone = GetDatabase().Reorganize(nSaved);
    platform.Sleep(1000);
    if (pWait) pWait->Hide();
    if (!bDone) {
        // a VACUUM that failed (file locked by another user, read-only) saved nothing
        if (GetDatabase().WasReorgFileMissing())
            platform.MessageBox(Ansi("Die Datenbankdatei ist in ihrem Verzeichnis nicht mehr zu finden: ") +
                                    Utf8ToCp1252(GetDatabase().GetFilePath()),
                                strCaption, EMsgIcon::Exclamation, EMsgButtons::Ok);
        else
            ShowDbFailureReason();
        platform.MessageBox("Die Datenbank konnte nicht reorganisiert werden.", strCaption, EMsgIcon::Exclamation,
                            EMsgButtons::Ok);
        return false;
    }
    char szText[128];
    std::snprintf(szText, sizeof szText, Ansi("Die Datenbankgröße wurde um %d kb reduziert.").c_str(),
                  static_cast<int>(nSaved / 1024));
    platform.MessageBox(szText, strCaption, EMsgIcon::Information, EMsgButtons::Ok);
    return true;
}
