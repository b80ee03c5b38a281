// print: registered in both programs, so that help and usage are the same;
// the work is done by the print program (CmdPrintPdf.cpp).
#include "cli/CliCommand.h"

namespace {
CCliRegistrar reg({"print", "DATEI --folder ID --pdf AUSGABE.pdf|-", 1, {"--folder", "--pdf"}, {}, CliPrintPdf});
}  // namespace
