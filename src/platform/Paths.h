#pragma once
// The per-user folders of the freedesktop base-directory convention, read from the environment on
// every call so that a test can point them at private directories.

#include <string>

namespace kh {

// $XDG_CONFIG_HOME when it is an absolute path, else $HOME/.config, else the password database's
// home directory followed by /.config; empty when none is known.
std::string ConfigHome();

// $XDG_DATA_HOME when it is an absolute path, else $HOME/.local/share (the same home fallback as
// ConfigHome); empty when none is known.
std::string DataHome();

} // namespace kh
