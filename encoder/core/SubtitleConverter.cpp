#include "SubtitleConverter.h"

#include "encoder/core/CoreEnvironment.h"
#include "foundation/PathHelpers.h"
#include "platform/win32/Files.h"
#include "platform/win32/Process.h"

namespace {

// Runs one converter into the shared output file; true when it produced it.
bool RunConverter(const wchar_t* program, const wchar_t* inputPath, const CString& outputPath)
{
    if (!inputPath) return false;
    // A file left by an earlier conversion must never pass for this one's.
    if (GetFileAttributesW(outputPath) != INVALID_FILE_ATTRIBUTES) {
        DeleteFileW(outputPath);
        if (GetFileAttributesW(outputPath) != INVALID_FILE_ATTRIBUTES) return false;
    }
    const CCoreEnvironment& env = CCoreEnvironment::Get();
    HANDLE process = SpawnProcess((env.ProgramFolder() + program).str(), {inputPath, outputPath.str()});
    if (!process) return false;
    bool done = false;
    if (WaitForSingleObject(process, env.m_nConverterTimeoutMs) == WAIT_OBJECT_0) {
        DWORD code = 1;
        done = GetExitCodeProcess(process, &code) && code == 0;
    }
    CloseHandle(process);
    // Exit code 0 counts only with a file written.
    if (done && GetFileSize64ByName(outputPath) <= 0) done = false;
    if (!done) DeleteFileW(outputPath);
    return done;
}

const wchar_t* Convert(const wchar_t* program, const wchar_t* inputPath, CString& result)
{
    CString folder = GetTempFolder();
    if (folder.IsEmpty()) return nullptr;
    result = folder + L"rivotemp.smi";
    return RunConverter(program, inputPath, result) ? result.GetString() : nullptr;
}

}  // namespace

const wchar_t* ConvertRtToSami(const wchar_t* inputPath)
{
    static CString result;
    return Convert(L"Quorlen.exe", inputPath, result);
}

const wchar_t* ConvertSrtToSami(const wchar_t* inputPath)
{
    static CString result;
    return Convert(L"Sabrell.exe", inputPath, result);
}
