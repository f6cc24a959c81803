// Counts the GDI objects this process holds, for leak checks in tests.
#pragma once

namespace testsupport {

// GetGuiResources(GR_GDIOBJECTS) where it works. Wine 8 answers 0 there, so
// under Wine the count comes from the process's GDI handle table instead.
// 0 when neither way gives a count (tests then check nothing useful: they
// should CHECK that the count is non-zero first).
unsigned GdiObjectCount();

}  // namespace testsupport
