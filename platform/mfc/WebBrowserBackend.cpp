#include "platform/mfc/WebBrowserBackend.h"

#include "platform/mfc/TextBrowserBackend.h"

namespace {

WebBrowserBackend* g_installed = nullptr;

}  // namespace

WebBrowserBackend& CurrentWebBrowserBackend()
{
    static TextBrowserBackend standard;
    return g_installed ? *g_installed : standard;
}

void SetWebBrowserBackend(WebBrowserBackend* backend) { g_installed = backend; }
