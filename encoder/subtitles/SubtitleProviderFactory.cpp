#include "SubtitleProviderFactory.h"

#include "SamiFile.h"
#include "TextSubFile.h"
#include "VobSubFile.h"

HRESULT OpenSubtitleProvider(ISubPicProvider** provider, const CString& path, const SubtitleOpenParams* params)
{
    if (!provider) return E_POINTER;
    ISubPicProvider* result = CreateVobSubProvider(path);
    if (!result) {
        const int type = DetectTextSubtitleType(path);
        if (type == kSubtitleMicroDvd || type == kSubtitleSubRip || type == kSubtitleSsa)
            result = CreateTextSubProvider(path, params, type);
        else
            result = CreateSamiProvider(path, params);
    }
    *provider = result;
    return result ? S_OK : E_FAIL;
}
