#pragma once
// Command ids of menus, toolbar and context menu, and the resource sets
// that group them.

enum ECommandId : int {
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_PRINT_SETUP = 57606,
    ID_FILE_PRINT = 57607,
    ID_FILE_PRINT_DIRECT = 57608,
    ID_FILE_PRINT_PREVIEW = 57609,
    ID_FILE_MRU_FILE1 = 57616,
    ID_FILE_MRU_FILE2 = 57617,
    ID_FILE_MRU_FILE3 = 57618,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_HELP_FINDER = 57670,
    ID_EDIT_UNDO = 57643,  // Strg+Z outside an editor: the last delete or move taken back
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
    ID_ENTRY_DELETE = 32771,
    ID_ENTRY_MOVE_UP = 32772,
    ID_ENTRY_MOVE_DOWN = 32773,
    ID_FOLDER_CREATE = 32777,
    ID_STRUCTURE_IMPORT = 32778,
    ID_STRUCTURE_EXPORT = 32779,
    ID_ROOT_EDIT = 32782,
    ID_DATABASE_CLOSE = 32786,
    ID_SEARCH = 32788,
    ID_ENTRY_PREVIOUS = 32792,
    ID_ENTRY_NEXT = 32793,
    ID_WRITE_PROTECT = 32797,
    ID_LINK_EDIT = 32798,
    ID_DATABASE_REORGANIZE = 32803,
    ID_LINK_OPEN = 32804,
    ID_FOLDER_OPEN = 32805,
    ID_DATABASE_ENCRYPT = 32807,
    ID_DATABASE_INFO = 32808,
    ID_BACKUP_SETTINGS = 32809,
    ID_ADMIN_LOGIN = 32811,
    ID_ADMIN_PROTECT = 32812,
    ID_VIEW_REFRESH = 32820,  // F5: the tree and the folder read again
    ID_ENTRY_SAVE = 32821,    // Strg+S: what is typed is written now
    ID_EXPORT_HTML = 32822,   // "Exportieren als": the folder with its texts as a document
    ID_EXPORT_MARKDOWN = 32823,
    ID_EXPORT_TEXT = 32824,
    ID_BACKUP_RESTORE = 32840,  // an entry or folder back from a backup copy
    ID_TRASH = 32825,           // "Papierkorb …": the deleted entries, to restore or purge
};

// Menu and toolbar sets, and the context menu.
enum EResourceSet : int {
    IDR_MENU_OPEN = 128,     // a database is open
    IDR_MENU_CLOSED = 135,   // none is open
    IDR_CONTEXT_MENU = 152,  // the detail view's "Kontext"
};
