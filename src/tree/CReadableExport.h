#pragma once
// A folder (or the whole base) with its texts and links as a document people
// read: HTML, Markdown or plain text, always UTF-8. Unlike the structure
// template this is no format to read back; it is written for other tools,
// printers and phones.
//
// The export streams: it holds the shape of the tree (IDs and levels; for
// the HTML contents the keywords too, never texts or links) and reads the
// entries themselves a batch at a time in reading order, so a large base
// costs no more memory than a small one beyond a few integers and a
// keyword per entry.

#include <cstdint>
#include <cstdio>
#include <string>

#include "table/CTableItem.h"

class CKnowHow;

enum class EReadableFormat { Html, Markdown, Text };

enum class EReadableResult {
    Written,
    NoSuchFolder,  // the folder is gone (another user deleted it)
    ReadFailed,    // the file could not be read; the reason was shown
    WriteFailed,   // the output could not be written
};

class CReadableExport {
public:
    CReadableExport(CKnowHow& service, EReadableFormat eFormat) : m_service(service), m_eFormat(eFormat) {}

    // Writes nFolder (0: every entry of the base) with everything below it.
    // A path is written through a temporary file beside it, so that a failed
    // export never leaves half a document under the name, nor destroys the
    // file that was there.
    EReadableResult Write(const std::string& strPath, TRowId nFolder);
    // The same onto an open stream (standard output), flushed and left open.
    EReadableResult Write(std::FILE* pFile, TRowId nFolder);

    // Entries read per statement while writing.
    static constexpr std::size_t kBatch = 400;

private:
    CKnowHow& m_service;
    EReadableFormat m_eFormat;
};

// "html", "markdown" or "text"; false for anything else.
bool ParseReadableFormat(const std::string& strName, EReadableFormat& eFormat);
// The usual file extension without the dot: "html", "md", "txt".
const char* ReadableFormatExtension(EReadableFormat eFormat);

// What a protected base's export is told (Windows-1252): the texts leave
// the file unencrypted.
std::string UnencryptedExportNote();
// The same as the question before the program writes it.
std::string UnencryptedExportQuestion();

// The URL a link becomes in a document: web and mail addresses as the
// desktop opens them, a file path as a file: URL (percent-encoded UTF-8);
// empty for a target that must not become a link (scripts, data). The link
// is Windows-1252, the URL UTF-8.
std::string LinkUrl(const std::string& strLink);
