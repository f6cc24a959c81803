// kit/site.h - the maker's site: the one base of the self-update's
// addresses and of the web map's proxy pages (no trailing slash).
//
// A fixed-size array, the room after the text zeros: kit/site.cpp says why.
#pragma once
#include <cstddef>

inline constexpr size_t kUpdateSiteSize = 64;
extern const wchar_t UpdateSite[kUpdateSiteSize];
