// The finish page's colours for each of its controls, with and without high contrast,
// under a light and a dark scheme: the texts are never drawn in a colour chosen for
// another background, and the Finish button and the etched line keep their defaults.
#include "tests/harness/check.h"
#include "ui/page_colours.h"
#include "ui/resource.h"

namespace {

const PageColour LIGHT_WINDOW = 0x00FFFFFF, LIGHT_TEXT = 0x00000000;
const PageColour DARK_WINDOW = 0x00000000, YELLOW_TEXT = 0x0000FFFF;

struct Row {
    const char* name;
    int controlId;
    bool highContrast;
    PageColour window, windowText;
    PageBrush brush;
    PageColour text, background;  // looked at unless the brush is Default
};

const Row ROWS[] = {
    {"page, light scheme", FINISH_PAGE_ITSELF, false, LIGHT_WINDOW, LIGHT_TEXT, PageBrush::White, PAGE_BLACK, PAGE_WHITE},
    {"headline, dark scheme without high contrast", IDC_FINISH_TITLE, false, DARK_WINDOW, YELLOW_TEXT, PageBrush::White,
     PAGE_BLACK, PAGE_WHITE},
    {"body, dark scheme without high contrast", IDC_FINISH_BODY, false, DARK_WINDOW, YELLOW_TEXT, PageBrush::White,
     PAGE_BLACK, PAGE_WHITE},
    {"hint, dark scheme without high contrast", IDC_FINISH_EXIT_HINT, false, DARK_WINDOW, YELLOW_TEXT, PageBrush::White,
     PAGE_BLACK, PAGE_WHITE},
    {"check box, dark scheme without high contrast", IDC_FINISH_RESTART_CHECK, false, DARK_WINDOW, YELLOW_TEXT,
     PageBrush::White, PAGE_BLACK, PAGE_WHITE},
    {"page, high contrast", FINISH_PAGE_ITSELF, true, DARK_WINDOW, YELLOW_TEXT, PageBrush::SystemWindow, YELLOW_TEXT,
     DARK_WINDOW},
    {"headline, high contrast", IDC_FINISH_TITLE, true, DARK_WINDOW, YELLOW_TEXT, PageBrush::SystemWindow, YELLOW_TEXT,
     DARK_WINDOW},
    {"body, high contrast", IDC_FINISH_BODY, true, DARK_WINDOW, YELLOW_TEXT, PageBrush::SystemWindow, YELLOW_TEXT,
     DARK_WINDOW},
    {"hint, high contrast", IDC_FINISH_EXIT_HINT, true, DARK_WINDOW, YELLOW_TEXT, PageBrush::SystemWindow, YELLOW_TEXT,
     DARK_WINDOW},
    {"check box, high contrast", IDC_FINISH_RESTART_CHECK, true, DARK_WINDOW, YELLOW_TEXT, PageBrush::SystemWindow,
     YELLOW_TEXT, DARK_WINDOW},
    {"high contrast white", IDC_FINISH_BODY, true, LIGHT_WINDOW, LIGHT_TEXT, PageBrush::SystemWindow, LIGHT_TEXT,
     LIGHT_WINDOW},
    {"Finish button", IDC_FINISH_BUTTON, false, DARK_WINDOW, YELLOW_TEXT, PageBrush::Default, 0, 0},
    {"Finish button, high contrast", IDC_FINISH_BUTTON, true, DARK_WINDOW, YELLOW_TEXT, PageBrush::Default, 0, 0},
    {"etched line", IDC_FINISH_LINE, false, DARK_WINDOW, YELLOW_TEXT, PageBrush::Default, 0, 0},
    {"etched line, high contrast", IDC_FINISH_LINE, true, DARK_WINDOW, YELLOW_TEXT, PageBrush::Default, 0, 0},
};

}  // namespace

int main()
{
    for (const Row& row : ROWS) {
        check::Context context(row.name);
        PageColours got = FinishPageColours(row.controlId, row.highContrast, row.window, row.windowText);
        ok(got.brush == row.brush, "brush %d, expected %d\n", static_cast<int>(got.brush), static_cast<int>(row.brush));
        if (row.brush == PageBrush::Default || got.brush != row.brush) continue;
        ok(got.text == row.text, "text %06x, expected %06x\n", got.text, row.text);
        ok(got.background == row.background, "background %06x, expected %06x\n", got.background, row.background);
    }
    return check::summary();
}
