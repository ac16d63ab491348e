#include "ui/page_colours.h"

#include "ui/resource.h"

namespace {

bool TakesPageColours(int controlId)
{
    return controlId == FINISH_PAGE_ITSELF || controlId == IDC_FINISH_TITLE || controlId == IDC_FINISH_BODY ||
           controlId == IDC_FINISH_EXIT_HINT || controlId == IDC_FINISH_RESTART_CHECK;
}

}  // namespace

PageColours FinishPageColours(int controlId, bool highContrast, PageColour windowColour, PageColour windowTextColour)
{
    if (!TakesPageColours(controlId)) return {PageBrush::Default, 0, 0};
    if (highContrast) return {PageBrush::SystemWindow, windowTextColour, windowColour};
    return {PageBrush::White, PAGE_BLACK, PAGE_WHITE};
}
