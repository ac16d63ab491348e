#include "app/cmdline.h"

#include "framework/wstr.h"

int ParseSwitchText(const std::wstring& arguments, std::wstring names[], std::wstring values[], int maxPairs)
{
    std::wstring rest = wstr::ToLower(arguments);
    int i = 0;
    while (i < maxPairs) {
        rest = wstr::Trim(rest);
        size_t dash = rest.rfind(L'-');
        if (dash == std::wstring::npos) break;
        std::wstring tail = rest.substr(dash);
        rest.erase(dash);
        size_t blank = tail.find(L' ');
        if (blank != std::wstring::npos) {
            names[i] = wstr::Trim(tail.substr(0, blank));
            values[i] = wstr::Trim(tail.substr(blank));
        } else {
            names[i] = wstr::Trim(tail);
            values[i].clear();
        }
        ++i;
    }
    return i;
}

SwitchChoice ChooseSwitches(const std::wstring names[], const std::wstring values[], int count)
{
    SwitchChoice choice;
    for (int i = 0; i < count; ++i) {
        if (names[i] == L"-f" && !values[i].empty()) {
            choice.file = values[i];
            wstr::RemoveChar(choice.file, L'"');
            choice.fileGiven = true;
        }
        if (names[i] == L"-log" && !values[i].empty()) {
            choice.level = wstr::ToInt(values[i]);
            choice.levelGiven = true;
        }
    }
    return choice;
}
