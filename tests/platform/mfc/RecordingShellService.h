// A shell service for tests: keeps every request and answers with `result`.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "platform/mfc/ShellServices.h"

class RecordingShellService : public IShellService {
public:
    struct Request {
        std::wstring what;  // "folder", "address", "program", "trash"
        std::wstring target;
        std::vector<std::wstring> args;
        std::wstring workingFolder;
    };
    bool OpenFolder(const std::wstring& folder) override { return Note({L"folder", folder, {}, {}}); }
    bool OpenAddress(const std::wstring& address) override { return Note({L"address", address, {}, {}}); }
    bool StartProgram(const std::wstring& program, const std::vector<std::wstring>& args,
                      const std::wstring& workingFolder) override
    {
        return Note({L"program", program, args, workingFolder});
    }
    bool MoveToTrash(const std::wstring& path) override { return Note({L"trash", path, {}, {}}); }
    std::vector<Request> requests;
    bool result = true;

private:
    bool Note(Request r)
    {
        requests.push_back(std::move(r));
        return result;
    }
};
