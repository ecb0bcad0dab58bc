#pragma once
// The terminal client's commands: each takes the arguments after its name and returns the exit
// status. Each prints its own help for --help.

#include <string>
#include <vector>

namespace kh::cli {

int CommandSet(const std::vector<std::string>& args);
int CommandShow(const std::vector<std::string>& args);
int CommandProjects(const std::vector<std::string>& args);
int CommandAccount(const std::vector<std::string>& args);
int CommandGet(const std::vector<std::string>& args);

} // namespace kh::cli
