// The preset manager: the presets of the program's presets folder in a
// list, the details of the focused one, and the commands to apply one (and
// close), add one made from the current settings or from a preset file,
// move presets to the trash, and open the folder. On the program's first run
// the window ends only through Apply.
#pragma once

#include "encoder/core/EncPresetList.h"
#include "platform/mfc/CDialog.h"
#include "platform/mfc/CommonCtrls.h"

class CDlgPreset : public CDialog {
public:
    explicit CDlgPreset(CWnd* parent = nullptr);
    ~CDlgPreset() override;

    // The program folder's "presets/" folder.
    static CString PresetsFolder();
    // The details shown for a preset, one item a line.
    static CString DetailsText(const CEncPresetInfo& preset);

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;
    // Enter applies, as the Apply button does.
    void OnOK() override;
    // Escape and the close box, except on the first run.
    void OnCancel() override;
    void OnItemChanged(NMHDR* header, LRESULT* result);
    void OnDoubleClick(NMHDR* header, LRESULT* result);
    void OnOpenFolder();
    void OnAdd();
    void OnDelete();
    void OnApply();
    void OnClose();
    DECLARE_MESSAGE_MAP()

private:
    // Reads the folder again into the list.
    void Refresh();
    // Delete and Apply are there only for a selected row.
    void EnableBySelection();
    CEncPresetInfo* PresetAt(int row) const;
    // Adding: the current settings under a name, or a preset file copied in.
    bool AddCurrentSettings(const CString& name, const CString& fileName);
    bool AddPresetFile(const CString& path);
    void Tell(const wchar_t* textKey, const CString& detail);

    CListCtrl m_list;
    CEncPresetList* m_pPresets = nullptr;
};
