// The maker's site, the base of the self-update's addresses. It sits alone
// in its file and is sized beyond its text, so the executable holds it as
// one zero-padded block: the end-to-end tests point a copy of a built
// program at their local server by rewriting that block in the copy, and
// the program itself has no other way to change it.
#include "kit/site.h"

const wchar_t UpdateSite[kUpdateSiteSize] = L"http://pathvex.org";
