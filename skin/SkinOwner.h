// What controls, fonts and region descriptions ask of the skin window that
// owns them: language and script texts, images, cursors, fonts, timers, the
// channel to the application, the other controls and their layout, and the
// skin's files. The skin window implements it; tests give a stand-in.
#pragma once

#include "platform/win32/CString.h"
#include "platform/win32/gui/UserTypes.h"

class HDib;
class HXConBase;
class HXManAlign;
class HXSubFont;

class SkinOwner {
public:
    virtual ~SkinOwner() = default;
    // A text that begins with "$", looked up in the skin's language section
    // or run as a script expression; the text itself when neither answers.
    virtual CString ResolveText(const CString& text) = 0;
    // The skin image of that name (loaded on first use), null when there is
    // none. The window keeps it.
    virtual HDib* GetImage(const CString& name) = 0;
    // The cursor of that name from the skin's definitions, null when none.
    virtual HCURSOR FindCursor(const CString& name) = 0;
    // The skin font of that name, null when the skin defines none.
    virtual HXSubFont* FindFont(const CString& name) = 0;
    // Runs a timer for (control, key); the control's OnTimer gets the key.
    virtual int SetControlTimer(HXConBase* control, int key, int interval) = 0;
    // "WM_HXSKIN_NOTIFY" to the host application; its answer.
    virtual LRESULT NotifyApplication(WPARAM code, LPARAM data) = 0;

    // ---- Controls that work with other controls or with the skin's files ----
    // The id bound to a control name (the skin's control-info table, from
    // the top window down); false when the name is bound nowhere.
    virtual bool FindControlId(const CString& name, int& id) = 0;
    // The control of that id (the window's own, then those of the skin
    // windows nested directly in it); null when none.
    virtual HXConBase* FindControl(int id) = 0;
    // The layout node that places the control, null when none.
    virtual HXManAlign* FindLayoutNode(const HXConBase* control) = 0;
    // Every control refreshed, the controls laid out over the window and the
    // whole window repainted.
    virtual void Relayout() = 0;
    // The skin's source: its path, the resource flag and the packed flag; 0
    // when no skin path is stored.
    virtual int GetSkinSource(CString& path, int& resource, int& packed) = 0;
    // A packed skin's files (all but images, documents and INI files)
    // unpacked into a folder, which is returned; 0 when the skin is not packed.
    virtual int UnpackSkin(CString& folder) = 0;
};
