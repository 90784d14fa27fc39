// What the tests of RivoEnc as a program share: the program folder the
// build made, quoting for the shell command lines they make, and the
// environment of the program on a desktop of the test's own.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

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

// The shell command line of one headless run of RivoEnc (the offscreen
// platform) in the given folder, with a private home so that the user's
// settings are never touched, ended after the given seconds (exit status
// 124 then); what it writes on both its standard streams is the command's
// output.
inline std::string HeadlessProgramCommand(const std::string& folder, const std::string& home,
                                          const std::vector<std::string>& arguments, int seconds)
{
    std::string command =
        "cd " + Quoted(folder) + " && env HOME=" + Quoted(home) + " XDG_CONFIG_HOME=" + Quoted(home + "/.config") +
        " XDG_DATA_HOME=" + Quoted(home + "/.local/share") + " QT_QPA_PLATFORM=offscreen timeout -k 10 " +
        std::to_string(seconds) + " " + Quoted(BinDir() + "/RivoEnc");
    for (const std::string& a : arguments) command += " " + Quoted(a);
    return command + " 2>&1";
}

// The environment entries of RivoEnc on a test's X server: a private home
// and runtime folder (made here, the runtime folder private to its owner),
// no desktop message bus (the bus library leaks what its attempt to start
// one took, which the leak checker would report) and, under the address
// checker, no strict string checks (the X keyboard library copies counted
// strings with strndup, which they take for reads past the end).
inline std::vector<std::string> DesktopProgramEnvironment(const std::string& folder)
{
    namespace fs = std::filesystem;
    const std::string home = folder + "/home", runtime = folder + "/run";
    fs::create_directories(home);
    fs::create_directories(runtime);
    fs::permissions(runtime, fs::perms::owner_all, fs::perm_options::replace);
    std::vector<std::string> environment = {"HOME=" + home,
                                            "XDG_CONFIG_HOME=" + home + "/.config",
                                            "XDG_DATA_HOME=" + home + "/.local/share",
                                            "XDG_CACHE_HOME=" + home + "/.cache",
                                            "XDG_RUNTIME_DIR=" + runtime,
                                            "QT_QPA_PLATFORM=xcb",
                                            "DBUS_SESSION_BUS_ADDRESS=unix:path=" + folder + "/no-bus"};
    if (const char* asan = std::getenv("ASAN_OPTIONS"))
        environment.push_back("ASAN_OPTIONS=" +
                              std::regex_replace(asan, std::regex("(^|:)strict_string_checks=[^:]*"), ""));
    return environment;
}
