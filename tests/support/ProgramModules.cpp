#include "tests/support/ProgramModules.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <mutex>

#include "platform/com/ComRuntime.h"
#include "platform/win32/CodePage.h"
#include "platform/win32/Module.h"

std::string ProgramFile(const std::string& name)
{
    const char* folder = std::getenv("RIVO_BIN_DIR");
    return std::string(folder ? folder : ".") + "/" + name;
}

ComPtr<IBaseFilter> FilterFromProgramModule(const std::string& module, REFCLSID clsid)
{
    static std::mutex lock;
    static std::map<std::string, HMODULE> loaded;
    HMODULE handle = nullptr;
    {
        std::lock_guard<std::mutex> g(lock);
        HMODULE& entry = loaded[module];
        if (!entry) entry = LoadLibraryW(Utf8ToWide(ProgramFile(module)).c_str());
        handle = entry;
    }
    auto get = handle ? reinterpret_cast<LPFNGETCLASSOBJECT>(GetProcAddress(handle, "DllGetClassObject")) : nullptr;
    EXPECT_NE(get, nullptr) << ProgramFile(module) << " has no DllGetClassObject";
    ComPtr<IClassFactory> factory;
    ComPtr<IBaseFilter> filter;
    if (get && SUCCEEDED(get(clsid, IID_IClassFactory, reinterpret_cast<void**>(factory.GetAddressOf()))))
        factory->CreateInstance(nullptr, IID_IBaseFilter, reinterpret_cast<void**>(filter.GetAddressOf()));
    EXPECT_TRUE(filter) << "no filter of the class from " << module;
    return filter;
}
