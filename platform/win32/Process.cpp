#include "Process.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "CString.h"
#include "CodePage.h"
#include "DebugOutput.h"
#include "Folders.h"
#include "NativePath.h"

extern char** environ;

namespace {

// ---- Children ----------------------------------------------------------------

// Children whose handles were all closed while they still ran. A background
// thread collects the end of each so that none stays behind as a zombie; the
// thread runs only while there are such children. The list lives for the
// whole process (never destroyed), so the thread may outlast static objects.
class Reaper {
public:
    static void Adopt(pid_t pid, int pidfd)
    {
        static Reaper* const instance = new Reaper;
        instance->Add(pid, pidfd);
    }

private:
    struct Orphan {
        pid_t pid;
        int pidfd;
    };

    void Add(pid_t pid, int pidfd)
    {
        std::lock_guard<std::mutex> g(m_);
        orphans_.push_back({pid, pidfd});
        if (running_) return;
        try {
            std::thread([this] { Run(); }).detach();
            running_ = true;
        } catch (const std::system_error&) {
            // No thread now: the next adoption tries again.
        }
    }

    void Run()
    {
        for (;;) {
            {
                std::lock_guard<std::mutex> g(m_);
                std::erase_if(orphans_, [](const Orphan& o) {
                    pid_t r;
                    do {
                        r = waitpid(o.pid, nullptr, WNOHANG);
                    } while (r < 0 && errno == EINTR);
                    if (r == 0) return false;
                    if (o.pidfd >= 0) close(o.pidfd);
                    return true;
                });
                if (orphans_.empty()) {
                    running_ = false;
                    return;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }

    std::mutex m_;
    std::vector<Orphan> orphans_;
    bool running_ = false;
};

// One started child, shared by all handles that name it. Its end is collected
// (waitpid) under the lock, and the child is never signalled after that, so
// a process id that the system has already given to someone else is never
// touched.
class Child {
public:
    Child(pid_t pid, int pidfd) : pid_(pid), pidfd_(pidfd) {}
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;

    ~Child()
    {
        std::lock_guard<std::mutex> g(m_);
        if (!CollectLocked()) {
            Reaper::Adopt(pid_, pidfd_);
        } else if (pidfd_ >= 0) {
            close(pidfd_);
        }
    }

    pid_t pid() const { return pid_; }

    DWORD Wait(DWORD ms)
    {
        using Clock = std::chrono::steady_clock;
        const bool forever = ms == INFINITE;
        const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(forever ? 0 : ms);
        for (;;) {
            {
                std::lock_guard<std::mutex> g(m_);
                if (CollectLocked()) return WAIT_OBJECT_0;
            }
            long long slice = 1000;
            if (!forever) {
                auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
                if (left <= 0) return WAIT_TIMEOUT;
                slice = std::min<long long>(left, slice);
            }
            if (pidfd_ >= 0) {
                // The descriptor becomes readable when the child ends.
                pollfd p{pidfd_, POLLIN, 0};
                poll(&p, 1, static_cast<int>(slice));
            } else {
                std::this_thread::sleep_for(std::chrono::milliseconds(std::min<long long>(slice, 10)));
            }
        }
    }

    BOOL ExitCode(DWORD* code)
    {
        std::lock_guard<std::mutex> g(m_);
        if (!CollectLocked()) {
            *code = STILL_ACTIVE;
            return TRUE;
        }
        if (!known_) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        *code = code_;
        return TRUE;
    }

    BOOL Terminate(UINT code)
    {
        std::lock_guard<std::mutex> g(m_);
        if (CollectLocked()) {
            SetLastError(ERROR_ACCESS_DENIED);
            return FALSE;
        }
        if (kill(pid_, SIGKILL) != 0) {
            SetLastError(Win32ErrorFromErrno(errno));
            return FALSE;
        }
        terminated_ = true;
        terminateCode_ = code;
        return TRUE;
    }

private:
    // True once the child has ended (its status is then recorded).
    bool CollectLocked()
    {
        if (ended_) return true;
        int status = 0;
        pid_t r;
        do {
            r = waitpid(pid_, &status, WNOHANG);
        } while (r < 0 && errno == EINTR);
        if (r == 0) return false;
        ended_ = true;
        if (r < 0) return true;  // collected by someone else: the code is unknown
        known_ = true;
        if (WIFEXITED(status)) {
            code_ = static_cast<DWORD>(WEXITSTATUS(status));
        } else if (WIFSIGNALED(status)) {
            int sig = WTERMSIG(status);
            code_ = terminated_ && sig == SIGKILL ? terminateCode_ : static_cast<DWORD>(128 + sig);
        }
        return true;
    }

    std::mutex m_;
    const pid_t pid_;
    const int pidfd_;
    bool ended_ = false;
    bool known_ = false;
    DWORD code_ = 0;
    bool terminated_ = false;
    UINT terminateCode_ = 0;
};

class ProcessObject : public KernelObject {
public:
    explicit ProcessObject(std::shared_ptr<Child> child) : child_(std::move(child)) {}
    DWORD Wait(DWORD ms) override
    {
        std::shared_ptr<Child> keep = child_;
        return keep->Wait(ms);
    }
    Child& child() { return *child_; }

private:
    std::shared_ptr<Child> child_;
};

// ---- Finding the program -------------------------------------------------------

std::string MakeAbsolute(const std::string& path)
{
    if (!path.empty() && path[0] == '/') return path;
    std::string cwd = GetCurrentFolderNative();
    if (cwd.empty()) return path;
    if (cwd.back() != '/') cwd += '/';
    return cwd + (path.rfind("./", 0) == 0 ? path.substr(2) : path);
}

// A regular file we may execute. A file that exists but may not be executed
// remembers ERROR_ACCESS_DENIED for the final answer.
bool IsRunnable(const std::string& path, DWORD* error)
{
    struct stat st;
    if (path.empty() || stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    if (access(path.c_str(), X_OK) != 0) {
        *error = ERROR_ACCESS_DENIED;
        return false;
    }
    return true;
}

// The executable for a program name, or "" with *error set.
std::string ResolveProgram(std::wstring_view name, DWORD* error)
{
    *error = ERROR_FILE_NOT_FOUND;
    std::string native = ToNativePath(name);
    if (native.empty() || native.find('\0') != std::string::npos) return std::string();
    std::vector<std::string> names{native};
    if (name.size() > 4 && CompareNoCase(name.substr(name.size() - 4), L".exe") == 0)
        names.push_back(native.substr(0, native.size() - 4));

    if (native.find('/') != std::string::npos) {
        for (const std::string& n : names) {
            std::string p = FindPathNoCaseFromCurrent(n);
            if (IsRunnable(p, error)) return MakeAbsolute(p);
        }
        return std::string();
    }
    // A bare name: the program folder first, so that the stand-ins beside the
    // program win over anything of the same name elsewhere.
    std::vector<std::string> folders{GetProgramFolderNative()};
    if (std::string cwd = GetCurrentFolderNative(); !cwd.empty()) folders.push_back(cwd);
    for (const std::string& folder : folders) {
        for (const std::string& n : names) {
            std::string p = FindPathNoCase(folder, n);
            if (IsRunnable(p, error)) return MakeAbsolute(p);
        }
    }
    if (const char* path = std::getenv("PATH")) {
        std::string_view rest(path);
        while (!rest.empty()) {
            size_t colon = rest.find(':');
            std::string folder(rest.substr(0, colon));
            rest = colon == std::string_view::npos ? std::string_view() : rest.substr(colon + 1);
            if (folder.empty() || folder[0] != '/') continue;  // only absolute folders
            for (const std::string& n : names) {
                std::string p = folder + "/" + n;
                if (IsRunnable(p, error)) return p;
            }
        }
    }
    return std::string();
}

// ---- Command lines -------------------------------------------------------------

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

size_t SkipBlanks(std::wstring_view s, size_t pos)
{
    while (pos < s.size() && IsBlank(s[pos])) ++pos;
    return pos;
}

// The program token: quoted parts keep blanks, quotes are dropped, and a
// backslash is an ordinary character.
std::wstring ReadProgramToken(std::wstring_view s, size_t* pos)
{
    std::wstring token;
    bool quoted = false;
    size_t i = *pos;
    for (; i < s.size(); ++i) {
        if (s[i] == L'"') {
            quoted = !quoted;
        } else if (!quoted && IsBlank(s[i])) {
            break;
        } else {
            token += s[i];
        }
    }
    *pos = i;
    return token;
}

void SplitArguments(std::wstring_view s, size_t pos, std::vector<std::wstring>* out)
{
    for (;;) {
        pos = SkipBlanks(s, pos);
        if (pos >= s.size()) return;
        std::wstring arg;
        bool quoted = false;
        while (pos < s.size()) {
            wchar_t c = s[pos];
            if (!quoted && IsBlank(c)) break;
            if (c == L'\\') {
                size_t n = 0;
                while (pos < s.size() && s[pos] == L'\\') {
                    ++n;
                    ++pos;
                }
                if (pos < s.size() && s[pos] == L'"') {
                    arg.append(n / 2, L'\\');
                    if (n % 2 == 1) {  // an escaped quote
                        arg += L'"';
                        ++pos;
                    }
                    // With an even count the quote is handled as a quote next.
                } else {
                    arg.append(n, L'\\');
                }
                continue;
            }
            if (c == L'"') {
                if (quoted && pos + 1 < s.size() && s[pos + 1] == L'"') {
                    arg += L'"';
                    pos += 2;
                } else {
                    quoted = !quoted;
                    ++pos;
                }
                continue;
            }
            arg += c;
            ++pos;
        }
        out->push_back(std::move(arg));
    }
}

// Finds the program named at the start of a command line and the argument
// vector. An unquoted first token that names no program is extended to each
// following blank in turn (shortest first), so "/opt/my tools/conv in out"
// still finds "/opt/my tools/conv".
bool ParseCommandLine(std::wstring_view line, std::string* program, std::vector<std::wstring>* argv, DWORD* error)
{
    size_t start = SkipBlanks(line, 0);
    size_t pos = start;
    std::wstring first = ReadProgramToken(line, &pos);
    if (first.empty()) {
        *error = ERROR_INVALID_PARAMETER;
        return false;
    }
    *program = ResolveProgram(first, error);
    if (program->empty() && *error == ERROR_FILE_NOT_FOUND &&
        line.substr(start, pos - start).find(L'"') == std::wstring_view::npos) {
        for (size_t end = pos; end < line.size(); ++end) {
            // A candidate ends with the last character before a blank, or of the line.
            if (IsBlank(line[end])) continue;
            if (end + 1 < line.size() && !IsBlank(line[end + 1])) continue;
            std::wstring_view candidate = line.substr(start, end + 1 - start);
            if (candidate.find(L'"') != std::wstring_view::npos) break;
            DWORD e = ERROR_FILE_NOT_FOUND;
            std::string p = ResolveProgram(candidate, &e);
            if (!p.empty()) {
                *program = p;
                argv->assign(1, std::wstring(candidate));
                SplitArguments(line, end + 1, argv);
                return true;
            }
        }
    }
    if (program->empty()) return false;
    argv->assign(1, first);
    SplitArguments(line, pos, argv);
    return true;
}

std::vector<std::string> EnvironmentFromBlock(const void* block, bool wide)
{
    std::vector<std::string> out;
    if (wide) {
        for (const wchar_t* p = static_cast<const wchar_t*>(block); *p;) {
            std::wstring_view entry(p);
            if (entry[0] != L'=') out.push_back(WideToUtf8(entry));  // "=X:" entries have no meaning here
            p += entry.size() + 1;
        }
    } else {
        for (const char* p = static_cast<const char*>(block); *p;) {
            std::string_view entry(p);
            if (entry[0] != '=') out.push_back(WideToUtf8(MultiByteToWide(CP_ACP, entry)));
            p += entry.size() + 1;
        }
    }
    return out;
}

// Starts the child; null with GetLastError set on failure.
std::shared_ptr<Child> Start(const std::string& program, const std::vector<std::wstring>& args,
                             const std::vector<std::string>* env, const std::string& folder)
{
    std::vector<std::string> argStrings;
    argStrings.reserve(args.size());
    for (const std::wstring& a : args) {
        if (a.find(L'\0') != std::wstring::npos) {
            SetLastError(ERROR_INVALID_PARAMETER);
            return nullptr;
        }
        argStrings.push_back(WideToUtf8(a));
    }
    if (!folder.empty()) {
        struct stat st;
        if (stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
            SetLastError(ERROR_DIRECTORY);
            return nullptr;
        }
    }
    std::vector<char*> argvPtrs;
    for (std::string& a : argStrings) argvPtrs.push_back(a.data());
    argvPtrs.push_back(nullptr);
    std::vector<std::string> envCopy;
    std::vector<char*> envPtrs;
    if (env) {
        envCopy = *env;
        for (std::string& e : envCopy) envPtrs.push_back(e.data());
        envPtrs.push_back(nullptr);
    }

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
    // Only the standard streams reach the child, whatever other libraries
    // opened without close-on-exec.
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    pid_t pid = 0;
    int rc = posix_spawn(&pid, program.c_str(), &actions, &attr, argvPtrs.data(), env ? envPtrs.data() : environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    if (rc != 0) {
        SetLastError(rc == ENOEXEC ? ERROR_BAD_FORMAT : Win32ErrorFromErrno(rc));
        return nullptr;
    }
    // Without a process descriptor (old kernel, no descriptors left) waiting
    // falls back to polling.
    long fd = syscall(SYS_pidfd_open, pid, 0);
    return std::make_shared<Child>(pid, fd < 0 ? -1 : static_cast<int>(fd));
}

}  // namespace

std::vector<std::wstring> SplitCommandLine(std::wstring_view cmdLine)
{
    std::vector<std::wstring> out;
    size_t pos = SkipBlanks(cmdLine, 0);
    if (pos >= cmdLine.size()) return out;
    out.push_back(ReadProgramToken(cmdLine, &pos));
    SplitArguments(cmdLine, pos, &out);
    return out;
}

BOOL CreateProcessW(LPCWSTR appName, LPWSTR cmdLine, void*, void*, BOOL, DWORD flags, void* env, LPCWSTR curDir,
                    STARTUPINFOW* startupInfo, PROCESS_INFORMATION* processInfo)
{
    if (!processInfo || (!appName && !cmdLine)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    if ((flags & CREATE_SUSPENDED) || (startupInfo && (startupInfo->dwFlags & STARTF_USESTDHANDLES))) {
        RIVO_TRACE_GAP(L"a suspended start or standard handles of the caller's");
        SetLastError(ERROR_NOT_SUPPORTED);
        return FALSE;
    }
    std::string program;
    std::vector<std::wstring> argv;
    DWORD error = ERROR_FILE_NOT_FOUND;
    if (appName) {
        program = ResolveProgram(appName, &error);
        if (!program.empty()) {
            if (cmdLine) argv = SplitCommandLine(cmdLine);
            if (argv.empty()) argv.emplace_back(appName);
        }
    } else {
        ParseCommandLine(cmdLine, &program, &argv, &error);
    }
    if (program.empty()) {
        SetLastError(error);
        return FALSE;
    }
    std::vector<std::string> environment;
    if (env) environment = EnvironmentFromBlock(env, (flags & CREATE_UNICODE_ENVIRONMENT) != 0);
    std::string folder = curDir && *curDir ? ToNativePath(curDir) : std::string();

    std::shared_ptr<Child> child = Start(program, argv, env ? &environment : nullptr, folder);
    if (!child) return FALSE;
    processInfo->hProcess = (new ProcessObject(child))->handle();
    processInfo->hThread = (new ProcessObject(child))->handle();
    processInfo->dwProcessId = static_cast<DWORD>(child->pid());
    processInfo->dwThreadId = static_cast<DWORD>(child->pid());
    SetLastError(ERROR_SUCCESS);
    return TRUE;
}

HANDLE SpawnProcess(const std::wstring& program, const std::vector<std::wstring>& args,
                    const std::wstring& workingFolder)
{
    DWORD error = ERROR_FILE_NOT_FOUND;
    std::string path = ResolveProgram(program, &error);
    if (path.empty()) {
        SetLastError(error);
        return nullptr;
    }
    std::vector<std::wstring> argv{program};
    argv.insert(argv.end(), args.begin(), args.end());
    std::shared_ptr<Child> child = Start(path, argv, nullptr, ToNativePath(workingFolder));
    if (!child) return nullptr;
    return (new ProcessObject(child))->handle();
}

BOOL GetExitCodeProcess(HANDLE process, LPDWORD exitCode)
{
    auto* p = KernelObject::As<ProcessObject>(process);
    if (!p) return FALSE;
    if (!exitCode) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    return p->child().ExitCode(exitCode);
}

BOOL TerminateProcess(HANDLE process, UINT exitCode)
{
    auto* p = KernelObject::As<ProcessObject>(process);
    if (!p) return FALSE;
    return p->child().Terminate(exitCode);
}
