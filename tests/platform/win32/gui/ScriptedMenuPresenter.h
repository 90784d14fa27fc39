// A menu presenter for tests: answers a fixed command and remembers each
// call with the texts the menu showed.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/gui/Menus.h"

class ScriptedMenuPresenter : public MenuPresenter {
public:
    struct Call {
        HMENU menu;
        UINT flags;
        POINT screen;
        HWND owner;
        std::vector<std::wstring> texts;  // the items' texts as shown
    };
    explicit ScriptedMenuPresenter(UINT fixedAnswer = 0) : answer(fixedAnswer) {}
    UINT Present(HMENU menu, UINT flags, POINT screen, HWND owner) override;
    UINT answer;
    std::vector<Call> calls;
};
