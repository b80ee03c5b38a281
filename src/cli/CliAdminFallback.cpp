// The administrator gate of the command line until the administrator password
// is wired in: every command may run. A strong definition of CliRequireAdmin
// elsewhere replaces this one at link time.
#include "cli/CliCommand.h"

__attribute__((weak)) bool CliRequireAdmin(const SCliArgs&) {
    return true;
}
