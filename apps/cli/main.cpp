// borvankh-cli: the terminal front end of the client. Each command builds the client session over
// in-memory controls, pushes commands as the window's handlers would, prints what the controls
// show, and uses the settings store the Qt client uses. Tips go to stderr with their time stamps;
// results (projects, figures, numbers and codes) go to stdout.

#include "Commands.h"
#include "Interrupts.h"
#include "Output.h"
#include "base/Version.h"
#include "platform/Terminal.h"

#include <string>
#include <vector>

namespace {

const char* kMainHelp = R"(usage: borvankh-cli COMMAND [OPTIONS]

The terminal client of BorvanKH. It uses the settings of the windowed client
($XDG_CONFIG_HOME/BorvanKH/registry.json) and writes its tip log to TipsLog beside the program,
or to $XDG_DATA_HOME/BorvanKH/TipsLog when that folder is not writable or is a system folder.

commands:
  set NAME VALUE   change one setting (see "borvankh-cli set --help")
  set password     read the password from standard input and store it
  show             print the settings (the password is never printed)
  projects         sign in and list the projects of the project box
  account          sign in and print the account's figures
  get              sign in, rent numbers for a project and wait for their codes

"borvankh-cli COMMAND --help" describes each command; "borvankh-cli --version" prints
the version.
Exit status: 0 success, 1 sign-in or request failed, 2 bad command line, 3 get ended with a
number that did not get its code, 130 interrupted.
)";

int RunCommand(const std::string& command, const std::vector<std::string>& args)
{
    using namespace kh::cli;
    if (command == "--help" || command == "-h" || command == "help") {
        PrintOut(kMainHelp);
        return kExitOk;
    }
    if (command == "--version") {
        PrintOut("borvankh-cli " KH_VERSION);
        return kExitOk;
    }
    if (command == "set")
        return CommandSet(args);
    if (command == "show")
        return CommandShow(args);
    if (command == "projects")
        return CommandProjects(args);
    if (command == "account")
        return CommandAccount(args);
    if (command == "get")
        return CommandGet(args);
    return Usage("unknown command \"" + command + "\"", kMainHelp);
}

} // namespace

int main(int argc, char** argv)
{
    kh::UseUtf8Console();
    std::vector<std::string> args = kh::ProgramArguments(argc, argv);
    if (!args.empty())
        args.erase(args.begin());
    if (args.empty())
        return kh::cli::Usage("no command given", kMainHelp);
    std::string command = args[0];
    args.erase(args.begin());
    kh::cli::InterruptWatch interrupts;
    return RunCommand(command, args);
}
