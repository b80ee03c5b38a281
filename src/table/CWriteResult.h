#pragma once
// What became of a write: every write of rows answers one of these, so that
// callers tell outcomes apart without reading message texts.

enum class EWriteResult {
    Saved,       // written, or nothing needed writing
    Conflict,    // another user changed the same field of the row meanwhile
    Deleted,     // the row is gone, or its ID now holds another entry
    ParentGone,  // the folder a new row was meant for is no folder any more
    Locked,      // another user kept the file locked beyond the wait
    Failed,      // the engine refused (disk full, read-only file, ...)
    Declined,    // the user said No, or the change may not be made (no write)
};

// "saved", "conflict", ... for logs and the stress tool.
const char* WriteResultName(EWriteResult eResult);
// The outcome of a statement that failed with the engine code nCode.
EWriteResult WriteFailureFromCode(int nCode);
