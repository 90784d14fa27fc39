// A private world for each encoder-core test: its own registry store, home,
// data, runtime and program folders, all inside one temporary folder that
// goes away with the test.
#pragma once

#include "tests/support/CommaLocale.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "tests/support/TempDir.h"

// The world itself, for fixtures of other kinds: made by the constructor
// (the environment and the core's program folder point into it), undone by
// the destructor.
class PrivateCoreWorld {
public:
    PrivateCoreWorld();
    ~PrivateCoreWorld();
    PrivateCoreWorld(const PrivateCoreWorld&) = delete;
    PrivateCoreWorld& operator=(const PrivateCoreWorld&) = delete;

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

class CoreTest : public ::testing::Test {
protected:
    void SetUp() override { world_ = std::make_unique<PrivateCoreWorld>(); }
    void TearDown() override { world_.reset(); }

    std::string Home() const { return world_->Home(); }
    std::string DataHome() const { return world_->DataHome(); }
    std::string ProgramFolder() const { return world_->ProgramFolder(); }
    std::wstring WProgramFolder() const { return world_->WProgramFolder(); }
    const TempDir& temp() const { return world_->temp(); }
    void WriteScript(const std::string& name, const std::string& body) const { world_->WriteScript(name, body); }

private:
    std::unique_ptr<PrivateCoreWorld> world_;
};

// Writes text (UTF-8 in the test) as a UTF-16LE file with the FF FE mark,
// lines ended by CR LF, the way the build writes language files.
void WriteUtf16Text(const std::string& path, const std::string& utf8Text);

// The values under the settings key, one line each in the order they were
// first written: name, type, byte count, and the value (numbers in hex, texts
// as UTF-8 in quotes).
std::string DumpOptionKey();
