#pragma once

#include <string>

// The modules the program loads only when a job needs them (PDF finishing, reading PDF pages), so an idle window
// does not map the libraries they bring. They sit in one folder: the build tree's until the program says where it
// is installed. A module is loaded on first use and stays; a failure to load is not remembered.
class QorvCSModules {
public:
    static void setDirectory(const std::string& directory);
    static std::string directory();

    // The address of symbol in the module file named module, loading it if needed; nullptr with the reason in
    // error when the module cannot be loaded or lacks the symbol.
    static void* symbol(const char* module, const char* symbol, std::string& error);
};
