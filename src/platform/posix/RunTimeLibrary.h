#pragma once
// A shared library loaded when it is first needed instead of when the program starts, and its
// functions found by name: for the libraries the programs use now and then (libcurl for https,
// libsecret for the credential store), whose loading would otherwise come before every start's
// first window.

#include <dlfcn.h>
#include <string>

namespace kh {

// Loads soname with every symbol bound at once and kept to itself. nullptr on failure, with problem
// set to the loader's message.
inline void* LoadRunTimeLibrary(const char* soname, std::string& problem)
{
    void* library = dlopen(soname, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* why = dlerror();
        problem = std::string("cannot load ") + soname + ": " + (why != nullptr ? why : "unknown reason");
    }
    return library;
}

// Finds name in library (and in the libraries it loaded). When it is missing, function is null and
// problem, if still empty, names it ("<label> lacks <name>"), so the first missing one is reported.
template <typename F>
bool ResolveRunTimeFunction(void* library, const char* label, const char* name, F& function, std::string& problem)
{
    function = reinterpret_cast<F>(dlsym(library, name));
    if (function == nullptr && problem.empty())
        problem = std::string(label) + " lacks " + name;
    return function != nullptr;
}

} // namespace kh
