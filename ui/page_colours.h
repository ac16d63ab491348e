// The colours of the finish page and of its texts. Without high contrast the page is
// white and its texts are black whatever the colour scheme says, so that a dark scheme
// cannot put white text on it; with high contrast the page and its texts take the
// system's window colours, as the system's own wizards do. The Finish button and the
// etched line always keep the system's default colours.
#pragma once
#include <cstdint>

// A colour as 0x00BBGGRR (the layout of a COLORREF).
typedef uint32_t PageColour;

const PageColour PAGE_WHITE = 0x00FFFFFF;
const PageColour PAGE_BLACK = 0x00000000;

// Where a control's background comes from.
enum class PageBrush {
    Default,       // the system's default colours: nothing is set
    White,         // the page's own white brush
    SystemWindow,  // the system's window brush (COLOR_WINDOW)
};

struct PageColours {
    PageBrush brush;
    PageColour text;        // meaningless with PageBrush::Default
    PageColour background;  // likewise
};

// The page itself has the identifier FINISH_PAGE_ITSELF; the other identifiers are
// those of the page's controls. windowColour and windowTextColour are the system's
// COLOR_WINDOW and COLOR_WINDOWTEXT.
const int FINISH_PAGE_ITSELF = 0;
PageColours FinishPageColours(int controlId, bool highContrast, PageColour windowColour, PageColour windowTextColour);
