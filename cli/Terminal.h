#pragma once

namespace tallis {

// True when standard output is a terminal (a console on Windows), where a
// progress bar drawn with carriage returns makes sense.
bool StdoutIsTerminal();
// True when standard error goes to the same terminal as standard output, where
// a line written to both would be seen twice.
bool StderrSharesStdoutsTerminal();
// True when standard input is a terminal: someone can answer a question.
bool StdinIsTerminal();

// The width of the terminal on standard output in columns, or 80 when it
// does not say.
int StdoutColumns();

}  // namespace tallis
