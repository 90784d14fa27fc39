// A window whose pages hold settings not yet written into the settings
// record (the output settings window). The preset manager, run from such a
// window, has it write them before a preset is made of the current settings.
#pragma once

class ISettingsPagesOwner {
public:
    virtual ~ISettingsPagesOwner() = default;
    // Writes every page's values into the settings record.
    virtual void WritePagesToSettings() = 0;
};
