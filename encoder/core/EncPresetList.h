// The presets of a folder: every "*.rvp" file, then every "*.ini" file, each
// read into a preset record (even one that cannot be read), in the order the
// folder lists them. The list owns its records.
#pragma once

#include "encoder/core/EncPresetInfo.h"
#include "platform/win32/Collections.h"

class CEncSettings;

class CEncPresetList : public CArray<CEncPresetInfo*, CEncPresetInfo*> {
public:
    // folder: the folder path with its trailing separator, joined to the
    // patterns as it stands (without the separator nothing is found). A path
    // that names a file gives an empty list. Records are read over the given
    // settings, or over the settings of the run.
    CEncPresetList(const CString& folder, const CEncSettings& settings);
    explicit CEncPresetList(const CString& folder);
    ~CEncPresetList() override;
    CEncPresetList(const CEncPresetList&) = delete;
    CEncPresetList& operator=(const CEncPresetList&) = delete;

private:
    void Read(const CString& folder, const CEncSettings& settings);
};
