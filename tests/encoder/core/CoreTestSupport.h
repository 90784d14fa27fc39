// A private world for each encoder-core test: its own registry store, home,
// data, runtime and program folders, all inside one temporary folder that
// goes away with the test.
#pragma once

#include "tests/support/CommaLocale.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/TempDir.h"

class CoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Native paths of the test's folders; the program folder ends with '/'.
    std::string Home() const { return temp_.File("home"); }
    std::string DataHome() const { return temp_.File("data"); }
    std::string ProgramFolder() const { return temp_.File("prog") + "/"; }
    std::wstring WProgramFolder() const;
    const TempDir& temp() const { return temp_; }

    // Writes an executable script into the program folder.
    void WriteScript(const std::string& name, const std::string& body) const;

private:
    TempDir temp_;
};

// Writes text (UTF-8 in the test) as a UTF-16LE file with the FF FE mark,
// lines ended by CR LF, the way the build writes language files.
void WriteUtf16Text(const std::string& path, const std::string& utf8Text);

// The values under the settings key, one line each in the order they were
// first written: name, type, byte count, and the value (numbers in hex, texts
// as UTF-8 in quotes).
std::string DumpOptionKey();

