#pragma once

namespace tallis {

// Puts /dev/null, opened for reading only, on each of standard input, output
// and error that the program was started with closed. Without it the next
// file opened (a lock file, a trace) takes the closed stream's number and
// receives what was meant for the stream; with it a write to a closed stream
// fails as it would have, and is reported. Call first thing in main.
void GuardStandardStreams();

// True when standard output was closed at start-up: read's "-" has nowhere
// to go.
bool StandardOutputWasClosed();

}  // namespace tallis
