#include "QtAccess.h"

#include "WindowObject.h"

QWidget* GetWindowQWidget(HWND window)
{
    win32_gui::WindowObject* w = win32_gui::Find(window);
    return w ? w->widget : nullptr;
}
