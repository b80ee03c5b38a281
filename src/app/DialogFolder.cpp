#include "app/DialogFolder.h"

#include <QDir>
#include <filesystem>

#include "platform/Platform.h"

namespace fs = std::filesystem;

namespace {
bool IsFolder(const fs::path& path) {
    std::error_code ec;
    return !path.empty() && fs::is_directory(path, ec);
}
}  // namespace

std::string DatabaseDialogFolder() {
    CPlatform& platform = GetPlatform();
    fs::path last = platform.GetProfileString("Files", "LastFolder", "");
    if (IsFolder(last)) return last.string();
    fs::path db = fs::path(platform.GetProfileString("Files", "LastDB", "")).parent_path();
    if (IsFolder(db)) return db.string();
    return QDir::homePath().toStdString();
}

void RememberDatabaseDialogFolder(const std::string& strChosenPath) {
    fs::path folder = fs::path(strChosenPath).parent_path();
    if (!folder.empty()) GetPlatform().WriteProfileString("Files", "LastFolder", folder.string());
}
