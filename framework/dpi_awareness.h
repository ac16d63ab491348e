// System DPI awareness: without it Windows 8.1 and later stretch the bitmap of every
// window at display scaling above 100 %, and every text comes out blurred. The dialogs
// are laid out in dialog units and scale with their font; the finish page stretches its
// picture to the page.
#pragma once

// Declares the process DPI aware (SetProcessDPIAware, looked up at run time: Windows XP
// has none). Call once, before the first window; false when the system has no such
// function or refused.
bool DeclareDpiAwareness();
