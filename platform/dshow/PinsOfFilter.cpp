#include "platform/dshow/PinsOfFilter.h"

#include <utility>

std::vector<ComPtr<IPin>> PinsOfFilter(IBaseFilter* filter)
{
    std::vector<ComPtr<IPin>> pins;
    ComPtr<IEnumPins> e;
    if (FAILED(filter->EnumPins(e.GetAddressOf())) || !e) return pins;
    IPin* pin = nullptr;
    while (e->Next(1, &pin, nullptr) == S_OK) {
        ComPtr<IPin> p;
        p.Attach(pin);
        pins.push_back(std::move(p));
    }
    return pins;
}

std::vector<ComPtr<IPin>> PinsOfFilter(IBaseFilter* filter, PIN_DIRECTION direction)
{
    std::vector<ComPtr<IPin>> pins;
    for (ComPtr<IPin>& p : PinsOfFilter(filter)) {
        PIN_DIRECTION d;
        if (SUCCEEDED(p->QueryDirection(&d)) && d == direction) pins.push_back(std::move(p));
    }
    return pins;
}
