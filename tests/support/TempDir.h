// A fresh private folder for one test, removed with everything in it when the
// test ends, and small file helpers for fixtures.
#pragma once

#include <ostream>
#include <string>

#include "platform/win32/CString.h"
#include "platform/win32/CodePage.h"

// Lets test failures show wide texts as text.
inline void PrintTo(const CString& s, std::ostream* os) { *os << '"' << WideToUtf8(s.str()) << '"'; }

class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }  // no trailing '/'
    std::string File(const std::string& name) const { return path_ + "/" + name; }
    std::wstring WFile(const std::string& name) const;

private:
    std::string path_;
};

void WriteBytes(const std::string& path, const std::string& bytes);
std::string ReadBytes(const std::string& path);
// Runs a shell command line made by the test itself (fixture tools such as
// iconv and md5sum); returns its standard output.
std::string RunTool(const std::string& commandLine, int* exitCode = nullptr);
