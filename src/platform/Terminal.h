#pragma once
// Reading a secret from standard input: on a terminal the typed characters are not echoed, so a
// password never appears on the screen nor, unlike a command-line argument, in the process list.
// The terminal client reads the password this way.

#include <string>

namespace kh {

// Reads one line from standard input into line, without its line end. On a terminal, echo is off
// while the line is typed and prompt is written to stderr first. False when standard input ended
// before anything was read.
bool ReadSecretLine(const std::string& prompt, std::string& line);

// Turns the terminal's echo back on if ReadSecretLine turned it off and has not finished yet: for a
// program that ends while the secret is being typed. Async-signal-safe.
void RestoreTerminalEcho();

} // namespace kh
