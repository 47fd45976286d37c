#pragma once
// The operator's commands on the service binary: the build registry, the
// members, the refused forms and the winner lists as CSV.

#include <ostream>
#include <string>
#include <vector>

#include "storage/Store.h"

namespace kortix {

// Runs one command with its arguments; writes its output to out and its
// complaints to err. Answers the exit status: 0, 1 (failed), 2 (bad usage).
int runOperatorCommand(Store& store, const std::vector<std::string>& args, std::ostream& out, std::ostream& err,
                       std::int64_t now);

// One CSV field: quoted where needed, and a leading = + - @ defused so that a
// nick cannot become a formula in a spreadsheet.
std::string csvField(const std::string& text);

}  // namespace kortix
