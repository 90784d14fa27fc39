// printf-style formatting with the Windows meanings of the conversions: %s is
// a wide string, %S a narrow one (%hs narrow, %ls/%ws wide), %I64d/%I32d/%Id
// size prefixes, %c a wide character. Arguments are captured with their types,
// so a conversion that does not match its argument (or has none) is written out
// literally instead of reading garbage. Numbers always use the "C" locale.
#pragma once

#include <concepts>
#include <cstdint>
#include <string>
#include <string_view>
#include <type_traits>

class FormatArg {
public:
    enum class Kind { SInt, UInt, Double, WStr, NStr, Ptr };

    template <class T>
    requires(std::is_integral_v<T> || std::is_enum_v<T>) FormatArg(T v)  // NOLINT(google-explicit-constructor)
    {
        using U = typename std::conditional_t<std::is_enum_v<T>, std::underlying_type<T>, std::type_identity<T>>::type;
        // Variadic promotion: everything narrower than int travels as an int.
        bits_ = sizeof(U) < 4 ? 32 : static_cast<int>(sizeof(U) * 8);
        if constexpr (std::is_same_v<U, bool>) {
            kind_ = Kind::SInt;
            s_ = v ? 1 : 0;
        } else if constexpr (std::is_signed_v<U> || sizeof(U) < 4) {
            kind_ = Kind::SInt;
            s_ = static_cast<int64_t>(static_cast<U>(v));
        } else {
            kind_ = Kind::UInt;
            u_ = static_cast<uint64_t>(static_cast<U>(v));
        }
    }
    FormatArg(double v) : kind_(Kind::Double), d_(v) {}                            // NOLINT
    FormatArg(float v) : kind_(Kind::Double), d_(v) {}                             // NOLINT
    FormatArg(long double v) : kind_(Kind::Double), d_(static_cast<double>(v)) {}  // NOLINT
    FormatArg(const wchar_t* v) : kind_(Kind::WStr), w_(v) {}                      // NOLINT
    FormatArg(wchar_t* v) : kind_(Kind::WStr), w_(v) {}                            // NOLINT
    FormatArg(const char* v) : kind_(Kind::NStr), n_(v) {}                         // NOLINT
    FormatArg(char* v) : kind_(Kind::NStr), n_(v) {}                               // NOLINT
    FormatArg(const std::wstring& v) : kind_(Kind::WStr), w_(v.c_str()) {}         // NOLINT
    FormatArg(const std::string& v) : kind_(Kind::NStr), n_(v.c_str()) {}          // NOLINT
    FormatArg(const void* v) : kind_(Kind::Ptr), p_(v) {}                          // NOLINT
    FormatArg(std::nullptr_t) : kind_(Kind::Ptr), p_(nullptr) {}                   // NOLINT
    // Any string class with GetString() returning wide text (the project's CString).
    template <class T>
    requires requires(const T& t)
    {
        {
            t.GetString()
            } -> std::convertible_to<const wchar_t*>;
    }
    FormatArg(const T& v) : kind_(Kind::WStr), w_(v.GetString())  // NOLINT
    {
    }

    Kind kind() const { return kind_; }
    int bits() const { return bits_; }
    int64_t sint() const { return s_; }
    uint64_t uint() const { return u_; }
    double dbl() const { return d_; }
    const wchar_t* wstr() const { return w_; }
    const char* nstr() const { return n_; }
    const void* ptr() const { return p_; }
    bool IsInteger() const { return kind_ == Kind::SInt || kind_ == Kind::UInt; }
    // The value as the integer of the given width, zero- or sign-extended.
    uint64_t RawBits() const { return kind_ == Kind::SInt ? static_cast<uint64_t>(s_) : u_; }

private:
    Kind kind_;
    int bits_ = 64;
    union {
        int64_t s_;
        uint64_t u_;
        double d_;
        const wchar_t* w_;
        const char* n_;
        const void* p_;
    };
};

// Formats with an argument array; the entry point behind FormatText.
std::wstring FormatTextV(const wchar_t* format, const FormatArg* args, size_t count);

template <class... A>
std::wstring FormatText(const wchar_t* format, const A&... args)
{
    if constexpr (sizeof...(A) == 0) {
        return FormatTextV(format, nullptr, 0);
    } else {
        const FormatArg list[] = {FormatArg(args)...};
        return FormatTextV(format, list, sizeof...(A));
    }
}

// Number texts in the "C" locale, whatever the process locale says.
std::string FormatDoubleC(const char* printfFormat, double value);
double ParseDoubleC(const wchar_t* text, wchar_t** end = nullptr);
double ParseDoubleC(const char* text, char** end = nullptr);
