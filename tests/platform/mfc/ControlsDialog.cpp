#include "ControlsDialog.h"

namespace mfc_test {

BEGIN_MESSAGE_MAP(ControlsDialog, CDialog)
ON_WM_HSCROLL()
ON_WM_VSCROLL()
END_MESSAGE_MAP()

}  // namespace mfc_test
