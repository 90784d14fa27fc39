// What the tests of RivoEnc as a program share: the program folder the
// build made, and quoting for the shell command lines they make.
#pragma once

#include <cstdlib>
#include <string>

inline std::string BinDir()
{
    const char* bin = std::getenv("RIVO_BIN_DIR");
    return bin ? bin : ".";
}

inline std::string Quoted(const std::string& s)
{
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}
