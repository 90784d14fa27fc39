// Owning pointer to a component interface: it holds one reference, adds one
// when copied and releases it when destroyed or reset.
#pragma once

#include <cstddef>
#include <type_traits>
#include <utility>

#include "platform/com/Unknown.h"

template <class T>
class ComPtr {
public:
    using InterfaceType = T;

    ComPtr() noexcept = default;
    ComPtr(std::nullptr_t) noexcept {}
    // Adds a reference of its own; the caller keeps the one it holds.
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    ComPtr(U* p) noexcept : p_(p)
    {
        if (p_) p_->AddRef();
    }
    ComPtr(const ComPtr& other) noexcept : ComPtr(other.p_) {}
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    ComPtr(const ComPtr<U>& other) noexcept : ComPtr(other.Get())
    {
    }
    ComPtr(ComPtr&& other) noexcept : p_(std::exchange(other.p_, nullptr)) {}
    template <class U, class = std::enable_if_t<std::is_convertible_v<U*, T*>>>
    ComPtr(ComPtr<U>&& other) noexcept : p_(other.Detach())
    {
    }
    ~ComPtr() { Reset(); }

    ComPtr& operator=(ComPtr other) noexcept
    {
        Swap(other);
        return *this;
    }
    ComPtr& operator=(std::nullptr_t) noexcept
    {
        Reset();
        return *this;
    }

    T* Get() const noexcept { return p_; }
    T* operator->() const noexcept { return p_; }
    T& operator*() const noexcept { return *p_; }
    explicit operator bool() const noexcept { return p_ != nullptr; }

    // For functions that store an interface pointer: the address of the held
    // pointer, which must be empty (GetAddressOf) or is emptied first.
    T** GetAddressOf() noexcept { return &p_; }
    T** ReleaseAndGetAddressOf() noexcept
    {
        Reset();
        return &p_;
    }

    // Takes over a reference without adding one.
    void Attach(T* p) noexcept
    {
        T* old = std::exchange(p_, p);
        if (old) old->Release();
    }
    // Gives up the reference to the caller.
    T* Detach() noexcept { return std::exchange(p_, nullptr); }
    void Reset() noexcept { Attach(nullptr); }
    void Swap(ComPtr& other) noexcept { std::swap(p_, other.p_); }

    // A counted copy for an out parameter.
    HRESULT CopyTo(T** out) const noexcept
    {
        if (!out) return E_POINTER;
        if (p_) p_->AddRef();
        *out = p_;
        return S_OK;
    }
    // Another interface of the same object (QueryInterface); on failure out is
    // left empty.
    template <class U>
    HRESULT As(ComPtr<U>* out) const noexcept
    {
        if (!out) return E_POINTER;
        if (!p_) {
            out->Reset();
            return E_POINTER;
        }
        void* raw = nullptr;
        HRESULT hr = p_->QueryInterface(uuidof<U>(), &raw);
        out->Attach(SUCCEEDED(hr) ? static_cast<U*>(raw) : nullptr);
        return hr;
    }

private:
    T* p_ = nullptr;
};

template <class T, class U>
bool operator==(const ComPtr<T>& a, const ComPtr<U>& b) noexcept
{
    return a.Get() == b.Get();
}
template <class T>
bool operator==(const ComPtr<T>& a, std::nullptr_t) noexcept
{
    return a.Get() == nullptr;
}
template <class T, class U>
bool operator==(const ComPtr<T>& a, const U* b) noexcept
{
    return a.Get() == b;
}
