// The text form of the program's resources: one file per dialog (dialog id,
// name, caption, size in dialog units, font, child or popup, and each control
// with id, name, class, styles, rectangle and default text, in tab order),
// and menus, bitmaps, icons and plain id definitions in the same sources.
// The resource compiler reads these files with this parser and writes the
// ids header, the tables the dialog loader uses and "controlid.data".
//
// The format, one statement a line; "#" starts a comment outside quotes,
// texts are UTF-8 in double quotes with the escapes \" \\ \n \r \t:
//
//   dialog IDD_SAMPLE 200
//     caption "Sample"
//     rect 0 0 220 140            (or: size 220 140)
//     font 9 "MS Shell Dlg"
//     style popup caption sysmenu modalframe center
//     exstyle appwindow
//     class "RivoEnc1.x"          (optional window class of the dialog)
//     control IDC_NAME 1001 edit "" 10 10 120 14 border tabstop autohscroll ex:clientedge
//     control - -1 static "Name:" 10 30 40 8
//   end
//   menu IDR_POPUP 157
//     popup "Presets"
//       item "&Open" ID_OPEN 32771 checked grayed
//       separator
//     end
//   end
//   bitmap IDB_MARK 134 "mark.xpm"    (path relative to the source file)
//   icon IDI_APP 128 "app.xpm"
//   define ID_BTN_ADD 32779
//
// A control's class is a short name (button, static, edit, combobox,
// listbox, listview, trackbar, updown, progress, tab, datetime, richedit,
// scrollbar) or a window class name in quotes. Its flags are the generic
// window styles (tabstop, group, border, vscroll, hscroll, disabled,
// hidden, clipsiblings), the style names of its class, numbers (0x...)
// added to the style, and "ex:" followed by an extended style name or
// number. Controls are visible children unless "hidden" is given. A name of
// "-" leaves the control unnamed; names of id -1 are never written out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace resource_script {

struct Control {
    std::string name;  // empty: unnamed
    int id = -1;
    std::wstring className;
    std::wstring text;
    uint32_t style = 0;
    uint32_t exStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    int line = 0;
};

struct Dialog {
    std::string name;
    int id = 0;
    std::wstring caption;
    uint32_t style = 0;
    uint32_t exStyle = 0;
    int x = 0, y = 0, cx = 0, cy = 0;
    int pointSize = 0;  // 0: no font of its own
    std::wstring face;
    std::wstring className;
    std::vector<Control> controls;
    std::string file;
    int line = 0;
};

struct MenuItem {
    enum class Kind { Item, Separator, Popup };
    Kind kind = Kind::Item;
    std::wstring text;
    std::string name;
    int id = 0;
    bool checked = false;
    bool grayed = false;
    bool disabled = false;
    std::vector<MenuItem> children;
};

struct Menu {
    std::string name;
    int id = 0;
    std::vector<MenuItem> items;
    std::string file;
    int line = 0;
};

struct Image {
    bool icon = false;
    std::string name;
    int id = 0;
    std::string path;  // as resolved against the source file's folder
    std::string file;
    int line = 0;
};

struct Define {
    std::string name;
    int value = 0;
    std::string file;
    int line = 0;
};

struct Script {
    std::vector<Dialog> dialogs;
    std::vector<Menu> menus;
    std::vector<Image> images;
    std::vector<Define> defines;
};

// Parses one source file's text and appends what it declares. On failure
// the message names the file, the line and the fault, and nothing of this
// file is kept.
bool Parse(const std::string& text, const std::string& fileName, Script* script, std::string* error);

// Checks the whole set: no two dialogs, menus or images with one id, no two
// controls of a dialog with one id (other than -1), no name with two values.
bool Check(const Script& script, std::string* error);

// Every named id in declaration order (dialogs with their controls, menus
// with their items, images, definitions), each name once; names of the
// value -1 are left out.
struct NamedId {
    std::string name;
    int value = 0;
};
std::vector<NamedId> NamedIds(const Script& script);

// "#define NAME VALUE" lines, the form the language table reads.
std::string ControlIdData(const Script& script);
// The ids header: the same definitions (without the system's own dialog
// result names, which the window layer defines as constants) and the
// declaration of the registration function.
std::string IdsHeader(const Script& script, const std::string& registerFunction);
// The C++ source of the tables and of the registration function. Image
// bytes are embedded; images holds each image's file content in the order of
// script.images.
std::string TablesSource(const Script& script, const std::string& idsHeaderName, const std::string& registerFunction,
                         const std::vector<std::string>& images);

}  // namespace resource_script
