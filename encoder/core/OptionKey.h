// The current user's registry key that holds the encoder's settings and its
// blocked-filter list.
#pragma once

inline constexpr const wchar_t* kOptionKey = L"SOFTWARE\\HALVANE\\RIVOENCODER\\OPTION";
