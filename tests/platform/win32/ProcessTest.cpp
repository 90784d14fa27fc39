#include "platform/win32/Process.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "platform/win32/CodePage.h"
#include "platform/win32/Folders.h"
#include "platform/win32/Tick.h"
#include "tests/support/TempDir.h"
#include "tests/support/WaitUntil.h"

namespace {

// The fixture child lies beside the test program (the program folder).
const std::wstring kChild = L"ProcFixture";

std::wstring ChildPath() { return Utf8ToWide(GetProgramFolderNative()) + kChild; }

// Quotes one argument so that the command-line rules give it back intact.
std::wstring QuoteArgument(const std::wstring& arg)
{
    if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
    std::wstring out = L"\"";
    size_t backslashes = 0;
    for (wchar_t c : arg) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        if (c == L'"') {
            out.append(backslashes * 2 + 1, L'\\');
        } else {
            out.append(backslashes, L'\\');
        }
        backslashes = 0;
        out += c;
    }
    out.append(backslashes * 2, L'\\');
    return out + L"\"";
}

// What the child's "write" mode reported: working folder, the fixture
// variable and the argument vector.
struct ChildReport {
    std::string cwd;
    std::wstring value;
    std::vector<std::wstring> argv;
};

ChildReport ReadReport(const std::string& path)
{
    ChildReport r;
    std::string bytes = ReadBytes(path);
    std::vector<std::string> fields;
    size_t start = 0;
    for (size_t nul; (nul = bytes.find('\0', start)) != std::string::npos; start = nul + 1)
        fields.push_back(bytes.substr(start, nul - start));
    if (fields.size() < 2) return r;
    r.cwd = fields[0];
    r.value = Utf8ToWide(fields[1]);
    for (size_t i = 2; i < fields.size(); ++i) r.argv.push_back(Utf8ToWide(fields[i]));
    return r;
}

// Starts a command line; the handles are closed by the caller.
bool Start(const std::wstring& cmdLine, PROCESS_INFORMATION* pi, const wchar_t* curDir = nullptr, void* env = nullptr,
           DWORD flags = 0)
{
    std::wstring buffer = cmdLine;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    return CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, FALSE, flags, env, curDir, &si, pi);
}

void CloseBoth(PROCESS_INFORMATION& pi)
{
    EXPECT_TRUE(CloseHandle(pi.hProcess));
    EXPECT_TRUE(CloseHandle(pi.hThread));
}

DWORD RunToEnd(const std::wstring& cmdLine)
{
    PROCESS_INFORMATION pi;
    if (!Start(cmdLine, &pi)) return 0xDEADBEEF;
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 20000), WAIT_OBJECT_0);
    DWORD code = 0xDEADBEEF;
    EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    CloseBoth(pi);
    return code;
}

// The state of a child of ours without collecting it: 'R' running, 'Z' ended
// but not collected, 'C' collected (or not ours).
char ChildState(pid_t pid)
{
    siginfo_t info{};
    if (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0) return 'C';
    return info.si_pid == pid ? 'Z' : 'R';
}

}  // namespace

TEST(SplitCommandLine, FollowsTheCommandLineRules)
{
    struct Row {
        const wchar_t* line;
        std::vector<std::wstring> argv;
    } rows[] = {
        {L"prog", {L"prog"}},
        {L"  prog  a   b  ", {L"prog", L"a", L"b"}},
        {L"prog\ta\tb", {L"prog", L"a", L"b"}},
        {L"\"C:\\Program Files\\x.exe\" a", {L"C:\\Program Files\\x.exe", L"a"}},
        {L"\"dir\\\"prog a", {L"dir\\prog", L"a"}},  // no escapes in the program name
        {L"prog \"a b c\" d e", {L"prog", L"a b c", L"d", L"e"}},
        {L"prog \"ab\\\"c\" \"\\\\\" d", {L"prog", L"ab\"c", L"\\", L"d"}},
        {L"prog a\\\\\\b d\"e f\"g h", {L"prog", L"a\\\\\\b", L"de fg", L"h"}},
        {L"prog a\\\\\\\"b c d", {L"prog", L"a\\\"b", L"c", L"d"}},
        {L"prog a\\\\\\\\\"b c\" d e", {L"prog", L"a\\\\b c", L"d", L"e"}},
        {L"prog a\"b\"\" c d", {L"prog", L"ab\" c d"}},
        {L"prog \"\" \"\"", {L"prog", L"", L""}},
        {L"prog \"unclosed arg", {L"prog", L"unclosed arg"}},
        {L"prog trailing\\", {L"prog", L"trailing\\"}},
        {L"prog 한글 \"공백 있는\"", {L"prog", L"한글", L"공백 있는"}},
        {L"", {}},
        {L"   ", {}},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(SplitCommandLine(row.line), row.argv) << WideToUtf8(row.line);
    }
}

TEST(Process, ArgumentsArriveIntact)
{
    TempDir dir;
    const std::vector<std::wstring> args = {L"plain",      L"with blank",    L"",
                                            L"say \"hi\"", L"back\\slash\\", L"\\\\\"",
                                            L"한글 인자",  L"tab\there",     L"%PATH% $HOME `x` ;|&"};
    std::wstring out = dir.WFile("argv.bin");
    std::wstring line = QuoteArgument(ChildPath()) + L" write " + QuoteArgument(out);
    for (const std::wstring& a : args) line += L" " + QuoteArgument(a);

    ASSERT_EQ(RunToEnd(line), 0u);
    ChildReport r = ReadReport(WideToUtf8(out));
    ASSERT_EQ(r.argv.size(), args.size() + 3);
    EXPECT_EQ(r.argv[0], ChildPath());
    EXPECT_EQ(std::vector<std::wstring>(r.argv.begin() + 3, r.argv.end()), args);

    // The vector form passes the same arguments without any quoting.
    std::wstring out2 = dir.WFile("argv2.bin");
    std::vector<std::wstring> spawnArgs{L"write", out2};
    spawnArgs.insert(spawnArgs.end(), args.begin(), args.end());
    HANDLE h = SpawnProcess(kChild, spawnArgs, Utf8ToWide(dir.path()));
    ASSERT_NE(h, nullptr);
    ASSERT_EQ(WaitForSingleObject(h, 20000), WAIT_OBJECT_0);
    DWORD code = 1;
    EXPECT_TRUE(GetExitCodeProcess(h, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_TRUE(CloseHandle(h));
    ChildReport r2 = ReadReport(WideToUtf8(out2));
    ASSERT_EQ(r2.argv.size(), args.size() + 3);
    EXPECT_EQ(std::vector<std::wstring>(r2.argv.begin() + 3, r2.argv.end()), args);
    EXPECT_EQ(std::filesystem::canonical(r2.cwd), std::filesystem::canonical(dir.path()));
}

TEST(Process, ExitCodesAndSignals)
{
    struct Row {
        std::wstring line;
        DWORD code;
    } rows[] = {
        {kChild + L" exit 0", 0},
        {kChild + L" exit 3", 3},
        {kChild + L" exit 41", 41},
        {kChild + L" exit 255", 255},
        {kChild + L" signal", 128 + SIGTERM},
        // Stand-ins are named without ".exe"; the name is found anyway, in
        // any letter case, and the bare name is looked up beside the program.
        {L"ProcFixture.exe exit 7", 7},
        {L"procfixture.EXE exit 8", 8},
        {QuoteArgument(ChildPath() + L".exe") + L" exit 9", 9},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(RunToEnd(row.line), row.code) << WideToUtf8(row.line);
    }
}

TEST(Process, UnquotedProgramPathWithBlanks)
{
    TempDir dir;
    std::string folder = dir.File("my tools");
    ASSERT_EQ(mkdir(folder.c_str(), 0700), 0);
    ASSERT_EQ(symlink(WideToUtf8(ChildPath()).c_str(), (folder + "/conv").c_str()), 0);
    std::wstring out = dir.WFile("argv.bin");
    std::wstring line = Utf8ToWide(folder) + L"/conv.exe write \"" + out + L"\" \"in put\"";
    ASSERT_EQ(RunToEnd(line), 0u);
    ChildReport r = ReadReport(WideToUtf8(out));
    EXPECT_EQ(r.argv, (std::vector<std::wstring>{Utf8ToWide(folder) + L"/conv.exe", L"write", out, L"in put"}));
}

TEST(Process, WorkingFolderAndEnvironment)
{
    TempDir dir;
    std::wstring out = dir.WFile("report.bin");
    std::wstring line = kChild + L" write \"" + out + L"\"";

    PROCESS_INFORMATION pi;
    std::wstring env = std::wstring(L"RIVO_FIXTURE_VALUE=값 value") + L'\0' + L"OTHER=1" + L'\0' + L'\0';
    ASSERT_TRUE(Start(line, &pi, Utf8ToWide(dir.path()).c_str(), env.data(), CREATE_UNICODE_ENVIRONMENT));
    ASSERT_EQ(WaitForSingleObject(pi.hProcess, 20000), WAIT_OBJECT_0);
    CloseBoth(pi);
    ChildReport r = ReadReport(WideToUtf8(out));
    EXPECT_EQ(std::filesystem::canonical(r.cwd), std::filesystem::canonical(dir.path()));
    EXPECT_EQ(r.value, L"값 value");

    // Without an environment block the child gets ours.
    setenv("RIVO_FIXTURE_VALUE", "inherited", 1);
    ASSERT_EQ(RunToEnd(line), 0u);
    unsetenv("RIVO_FIXTURE_VALUE");
    EXPECT_EQ(ReadReport(WideToUtf8(out)).value, L"inherited");
}

TEST(Process, OnlyStandardStreamsAreInherited)
{
    TempDir dir;
    int leaked = open(dir.File("open.txt").c_str(), O_CREAT | O_WRONLY, 0600);  // no close-on-exec
    ASSERT_GE(leaked, 3);
    std::wstring out = dir.WFile("fds.txt");
    PROCESS_INFORMATION pi;
    std::wstring line = kChild + L" fds \"" + out + L"\"";
    std::wstring buffer = line;
    STARTUPINFOW si{};
    si.cb = sizeof si;
    ASSERT_TRUE(CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi));
    ASSERT_EQ(WaitForSingleObject(pi.hProcess, 20000), WAIT_OBJECT_0);
    CloseBoth(pi);
    close(leaked);
    EXPECT_EQ(ReadBytes(WideToUtf8(out)), "0\n1\n2\n");
}

TEST(Process, StartFailures)
{
    TempDir dir;
    WriteBytes(dir.File("not-executable"), "#!/bin/sh\n");
    chmod(dir.File("not-executable").c_str(), 0600);
    struct Row {
        std::wstring line;
        std::wstring curDir;
        DWORD error;
    } rows[] = {
        {L"NoSuchProgram.exe arg", L"", ERROR_FILE_NOT_FOUND},
        {L"\"" + dir.WFile("missing") + L"\" arg", L"", ERROR_FILE_NOT_FOUND},
        {L"\"" + dir.WFile("missing dir") + L"/prog.exe\"", L"", ERROR_FILE_NOT_FOUND},
        {L"\"" + dir.WFile("not-executable") + L"\"", L"", ERROR_ACCESS_DENIED},
        {L"\"" + Utf8ToWide(dir.path()) + L"\"", L"", ERROR_FILE_NOT_FOUND},  // a folder
        {kChild + L" exit 0", dir.WFile("no such folder"), ERROR_DIRECTORY},
        {L"   ", L"", ERROR_INVALID_PARAMETER},
    };
    for (const Row& row : rows) {
        PROCESS_INFORMATION pi;
        SetLastError(0);
        EXPECT_FALSE(Start(row.line, &pi, row.curDir.empty() ? nullptr : row.curDir.c_str())) << WideToUtf8(row.line);
        EXPECT_EQ(GetLastError(), row.error) << WideToUtf8(row.line);
    }
    SetLastError(0);
    EXPECT_EQ(SpawnProcess(L"NoSuchProgram", {}), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_FILE_NOT_FOUND);

    DWORD code = 0;
    int notAHandle = 0;
    EXPECT_FALSE(GetExitCodeProcess(&notAHandle, &code));
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
}

TEST(Process, TimedOutChildIsLeftRunningAndReapedLater)
{
    TempDir dir;
    std::wstring done = dir.WFile("done");
    PROCESS_INFORMATION pi;
    ASSERT_TRUE(Start(kChild + L" sleep 2000 \"" + done + L"\"", &pi));
    const pid_t pid = static_cast<pid_t>(pi.dwProcessId);

    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 100), WAIT_TIMEOUT);
    EXPECT_EQ(WaitForSingleObject(pi.hThread, 0), WAIT_TIMEOUT);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_EQ(code, STILL_ACTIVE);
    CloseBoth(pi);

    // Closing the handles neither kills nor abandons the child.
    EXPECT_EQ(kill(pid, 0), 0);
    EXPECT_EQ(ChildState(pid), 'R');
    EXPECT_TRUE(WaitUntil(
        "the collection of the ended child", [&] { return ChildState(pid) == 'C'; }, kDefaultWaitLimit,
        std::chrono::milliseconds(50)));
    EXPECT_EQ(ReadBytes(WideToUtf8(done)), "done") << "the child did not run to its end";
}

TEST(Process, WaitEndsWhenTheChildEnds)
{
    PROCESS_INFORMATION pi;
    ASSERT_TRUE(Start(kChild + L" sleep 300", &pi));
    EXPECT_EQ(WaitForSingleObject(pi.hThread, INFINITE), WAIT_OBJECT_0);
    // Both handles see the same ended child, any number of times.
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 0), WAIT_OBJECT_0);
    DWORD code = 1;
    EXPECT_TRUE(GetExitCodeProcess(pi.hThread, &code));
    EXPECT_EQ(code, 0u);
    EXPECT_EQ(ChildState(static_cast<pid_t>(pi.dwProcessId)), 'C');
    CloseBoth(pi);
}

TEST(Process, TerminateGivesTheRequestedCode)
{
    PROCESS_INFORMATION pi;
    ASSERT_TRUE(Start(kChild + L" sleep 30000", &pi));
    EXPECT_TRUE(TerminateProcess(pi.hProcess, 77));
    EXPECT_EQ(WaitForSingleObject(pi.hProcess, 20000), WAIT_OBJECT_0);
    DWORD code = 0;
    EXPECT_TRUE(GetExitCodeProcess(pi.hProcess, &code));
    EXPECT_EQ(code, 77u);
    SetLastError(0);
    EXPECT_FALSE(TerminateProcess(pi.hProcess, 1));
    EXPECT_EQ(GetLastError(), ERROR_ACCESS_DENIED);
    CloseBoth(pi);
}
