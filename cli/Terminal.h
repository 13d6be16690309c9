#pragma once

namespace tallis {

// True when standard output is a terminal (a console on Windows), where a
// progress bar drawn with carriage returns makes sense.
bool StdoutIsTerminal();

}  // namespace tallis
