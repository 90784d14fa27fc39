#include "VentraState.h"

#include "foundation/PathHelpers.h"

namespace {

void Publish(const VentraState& record)
{
    if (record.module && record.setEntry) reinterpret_cast<PFN_SETVENTRA>(record.setEntry)(&record);
}

}  // namespace

VentraState& GetVentraState()
{
    static VentraState record;
    return record;
}

int LoadVentra(VentraState& record, const CString& programFolder)
{
    if (record.module) {
        FreeLibrary(record.module);
        record.module = nullptr;
    }
    record.setEntry = nullptr;
    record.getEntry = nullptr;
    record.running = 0;
    record.percent = 0;
    record.finished = 0;
    CString path = CombinePath(programFolder, L"Ventra.dll", L"/");
    record.module = LoadLibraryW(path);
    if (record.module) {
        record.setEntry = GetProcAddress(record.module, "SetVentra");
        record.getEntry = GetProcAddress(record.module, "GetVentra");
        Publish(record);
    }
    return record.setEntry && record.getEntry ? 1 : 0;
}

void VentraSetRunning(int value)
{
    VentraState& record = GetVentraState();
    record.running = value;
    Publish(record);
}

void VentraSetPercent(int value)
{
    VentraState& record = GetVentraState();
    record.percent = value;
    Publish(record);
}

void VentraSetFinished(int value)
{
    VentraState& record = GetVentraState();
    record.finished = value;
    Publish(record);
}
