// The option sheet's filter page: the known outside filters that break
// conversions, each with a check box; a ticked filter is never used when a
// conversion's graph is built (the blocked-filter list).
#pragma once

#include "platform/mfc/CommonCtrls.h"
#include "platform/mfc/PropertySheet.h"
#include "platform/win32/Guid.h"

class CPageSetFilter : public CPropertyPage {
public:
    struct KnownFilter {
        const wchar_t* name;
        GUID clsid;
        const wchar_t* commentKey;
    };
    // The rows of the page, in their order.
    static const KnownFilter kFilters[7];

    CPageSetFilter();

    // Ticks the rows whose filters are in the blocked-filter list.
    void Load();
    // The blocked-filter list becomes the ticked rows' filters, in row
    // order; filters of the list that are no row of the page are dropped.
    void Apply();

protected:
    void DoDataExchange(CDataExchange* dx) override;
    BOOL OnInitDialog() override;

private:
    CListCtrl m_list;
};
