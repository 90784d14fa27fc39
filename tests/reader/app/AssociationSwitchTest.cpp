// "/regassoc" and "/unregassoc" run as the program against a temporary data
// folder: the entry and the type package are written and removed again, the
// database tools on the search path are run, nothing else is touched, and no
// window is made (the program runs with no display platform at all).
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <string>

#include "reader/app/RivoReaderApp.h"
#include "reader/app/ShellAssociations.h"
#include "tests/reader/MediaFixtures.h"

namespace {

std::string ProgramPath()
{
    const char* bin = std::getenv("RIVO_BIN_DIR");
    return std::string(bin ? bin : ".") + "/RivoReader";
}

// Every file under the folder, as paths relative to it.
std::set<std::string> FilesUnder(const std::string& folder)
{
    std::set<std::string> files;
    if (!std::filesystem::exists(folder)) return files;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder)) {
        if (e.is_regular_file()) files.insert(std::filesystem::relative(e.path(), folder).string());
    }
    return files;
}

// A stand-in database tool that records its arguments.
void WriteRecordingTool(const std::string& folder, const std::string& name, const std::string& log)
{
    std::string path = folder + "/" + name;
    WriteBytes(path, "#!/bin/sh\necho \"" + name + " $*\" >> '" + log + "'\n");
    chmod(path.c_str(), 0755);
}

int RunProgram(const std::string& data, const std::string& tools, const std::string& argument)
{
    // No display platform: a window could not even start.
    std::string command = "env -u DISPLAY -u WAYLAND_DISPLAY QT_QPA_PLATFORM=none XDG_DATA_HOME='" + data + "' PATH='" +
                          tools + ":/usr/bin:/bin' '" + ProgramPath() + "' '" + argument + "'";
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(AssociationSwitchTest, SwitchesAreTheWholeCommandLineInAnyCase)
{
    struct Case {
        const wchar_t* text;
        CommandSwitch expected;
    };
    const Case cases[] = {
        {L"/regassoc", CommandSwitch::RegisterAssociations},
        {L"/RegAssoc", CommandSwitch::RegisterAssociations},
        {L"/UNREGASSOC", CommandSwitch::UnregisterAssociations},
        {L" /regassoc", CommandSwitch::None},
        {L"/regassoc x", CommandSwitch::None},
        {L"\"/regassoc\"", CommandSwitch::None},
        {L"", CommandSwitch::None},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.expected, ParseSwitch(CString(c.text))) << static_cast<int>(c.expected);
    }
}

TEST(AssociationSwitchTest, RegisterWritesAndUnregisterRemovesExactlyThoseFiles)
{
    TempDir dir;
    std::string data = dir.File("data");
    std::string tools = dir.File("tools");
    std::filesystem::create_directories(tools);
    std::string log = dir.File("tools.log");
    WriteRecordingTool(tools, "update-mime-database", log);
    WriteRecordingTool(tools, "update-desktop-database", log);
    // Something of the user's that must survive both switches.
    std::filesystem::create_directories(data + "/applications");
    WriteBytes(data + "/applications/mimeapps.list", "[Default Applications]\nvideo/x-msvideo=player.desktop\n");

    ASSERT_EQ(0, RunProgram(data, tools, "/RegAssoc"));
    EXPECT_EQ((std::set<std::string>{"applications/mimeapps.list", "applications/rivoreader-analyze.desktop",
                                     "mime/packages/rivoreader-k3g.xml"}),
              FilesUnder(data));
    std::string entry = Slurp(AssociationDesktopEntryPath(data));
    EXPECT_NE(std::string::npos, entry.find("Name=Analyze using Rivo Reader\n"));
    EXPECT_NE(std::string::npos, entry.find("Exec=\"" + ProgramPath() + "\" %f\n"));
    EXPECT_NE(std::string::npos, entry.find("video/x-msvideo;"));
    EXPECT_NE(std::string::npos, entry.find("video/x-rivo-k3g;"));
    EXPECT_NE(std::string::npos, Slurp(AssociationTypePackagePath(data)).find("*.k3g"));
    EXPECT_EQ("[Default Applications]\nvideo/x-msvideo=player.desktop\n", Slurp(data + "/applications/mimeapps.list"));
    EXPECT_EQ("update-mime-database " + data + "/mime\nupdate-desktop-database " + data + "/applications\n",
              Slurp(log));

    ASSERT_EQ(0, RunProgram(data, tools, "/unregassoc"));
    EXPECT_EQ((std::set<std::string>{"applications/mimeapps.list"}), FilesUnder(data));
    // Removing again finds nothing to remove and still ends quietly.
    EXPECT_EQ(0, RunProgram(data, tools, "/unregassoc"));
}

TEST(AssociationSwitchTest, ExecQuotesPathsWithReservedCharacters)
{
    TempDir dir;
    ASSERT_TRUE(RegisterAssociations(dir.path(), "/opt/my \"rivo\" $app/100%/RivoReader"));
    std::string entry = Slurp(AssociationDesktopEntryPath(dir.path()));
    EXPECT_NE(std::string::npos, entry.find("Exec=\"/opt/my \\\\\"rivo\\\\\" \\\\$app/100%%/RivoReader\" %f\n"))
        << entry;
    EXPECT_TRUE(UnregisterAssociations(dir.path()));
    EXPECT_FALSE(std::filesystem::exists(AssociationDesktopEntryPath(dir.path())));
}

}  // namespace
